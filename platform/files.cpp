#include "platform/files.h"

#include <cstring>

#include "platform/text.h"

namespace trivex {

namespace {

// Files are read in pieces of this size.
constexpr uint32_t kPiece = 1u << 20;

std::optional<DirEntry> firstMatch(Machine& m, const Text& path) {
    std::vector<DirEntry> found;
    if (!m.listFolder(path, found) || found.empty()) return std::nullopt;
    return found.front();
}

}  // namespace

Text temporaryFor(const Text& path, uint32_t number) {
    // The last separator, stepping over two-byte characters (whose second
    // byte may be 0x5C).
    size_t cut = Text::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (text::isLeadByte(path[i])) ++i;
        else if (path[i] == '\\' || path[i] == '/') cut = i;
    }
    if (cut == Text::npos || cut + 1 >= path.size()) return {};
    static const char kHex[] = "0123456789ABCDEF";
    Text digits(kTemporaryDigits, '0');
    for (size_t i = kTemporaryDigits; i-- > 0; number >>= 4) digits[i] = kHex[number & 15];
    return path.substr(0, cut + 1) + kTemporaryPrefix + digits + kTemporarySuffix;
}

bool isTemporaryName(const Text& name) {
    const size_t prefix = sizeof kTemporaryPrefix - 1, suffix = sizeof kTemporarySuffix - 1;
    if (name.size() != prefix + kTemporaryDigits + suffix) return false;
    if (!text::equalIgnoringCase(name.substr(0, prefix), kTemporaryPrefix) ||
        !text::equalIgnoringCase(name.substr(prefix + kTemporaryDigits), kTemporarySuffix))
        return false;
    for (size_t i = prefix; i < prefix + kTemporaryDigits; ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

std::vector<Text> temporariesIn(Machine& m, const Text& folder) {
    std::vector<Text> out;
    std::vector<DirEntry> found;
    if (folder.empty() || !m.listFolder(folder + kTemporaryPrefix + "*" + kTemporarySuffix, found)) return out;
    for (const DirEntry& e : found)
        if (!(e.attributes & kAttrDirectory) && isTemporaryName(e.name)) out.push_back(folder + e.name);
    return out;
}

SysResult setProtection(Machine& m, const Text& path, uint32_t want) {
    const int64_t a = m.fileAttributes(path);
    if (a < 0) return SysResult::ok();
    const uint32_t now = static_cast<uint32_t>(a);
    if ((now & kProtection) == want) return SysResult::ok();
    return m.setFileAttributes(path, (now & ~kProtection) | want);
}

bool isFile(Machine& m, const Text& path) {
    const int64_t a = m.fileAttributes(path);
    return a >= 0 && (a & kAttrDirectory) == 0;
}

int64_t fileSize(Machine& m, const Text& path) {
    const std::optional<DirEntry> e = firstMatch(m, path);
    return e ? e->size : -1;
}

double fileModTime(Machine& m, const Text& path) {
    const std::optional<DirEntry> e = firstMatch(m, path);
    return e ? e->modified : kNoDate;
}

std::optional<Text> readWholeFile(Machine& m, const Text& path) {
    Text all, piece;
    for (;;) {
        if (!m.readFile(path, all.size(), kPiece, piece)) return std::nullopt;
        all += piece;
        if (piece.size() < kPiece) return all;
    }
}

bool fileHolds(Machine& m, const Text& path, ByteView bytes) {
    if (fileSize(m, path) != static_cast<int64_t>(bytes.size) || !isFile(m, path)) return false;
    const std::optional<Text> all = readWholeFile(m, path);
    return all && all->size() == bytes.size && std::memcmp(all->data(), bytes.data, bytes.size) == 0;
}

}  // namespace trivex
