#include "platform/files.h"

#include <cstring>

#include "platform/lines.h"
#include "platform/text.h"

namespace trivex {

Text temporaryBeside(const Text& path) {
    // The last separator, stepping over two-byte characters (whose second
    // byte may be 0x5C).
    size_t cut = Text::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (text::isLeadByte(path[i])) ++i;
        else if (path[i] == '\\' || path[i] == '/') cut = i;
    }
    if (cut == Text::npos || cut + 1 >= path.size()) return {};
    return path.substr(0, cut + 1) + kTemporaryName;
}

bool setProtection(Platform& p, const Text& path, uint32_t want) {
    const int64_t a = p.fileAttributes(path);
    if (a < 0) return true;
    const uint32_t now = static_cast<uint32_t>(a);
    return (now & kProtection) == want || p.setFileAttributes(path, (now & ~kProtection) | want);
}

bool isFile(Platform& p, const Text& path) {
    const int64_t a = p.fileAttributes(path);
    return a >= 0 && (a & kAttrDirectory) == 0;
}

std::optional<Text> readWholeFile(Platform& p, const Text& path) {
    std::unique_ptr<RawFile> f = p.openRaw(path, kModeRead, kShareAll);
    if (!f) return std::nullopt;
    Text all;
    char buf[65536];
    for (;;) {
        const int32_t got = f->read(buf, sizeof buf);
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        all.append(buf, static_cast<size_t>(got));
    }
    return all;
}

bool fileHolds(Platform& p, const Text& path, ByteView bytes) {
    std::unique_ptr<RawFile> f = p.openRaw(path, kModeRead, kShareAll);
    if (!f || f->size() != static_cast<int64_t>(bytes.size)) return false;
    const char* want = static_cast<const char*>(bytes.data);
    char buf[65536];
    uint32_t at = 0;
    while (at < bytes.size) {
        const int32_t got = f->read(buf, sizeof buf);
        if (got <= 0 || at + static_cast<uint32_t>(got) > bytes.size) return false;
        if (std::memcmp(buf, want + at, static_cast<size_t>(got)) != 0) return false;
        at += static_cast<uint32_t>(got);
    }
    return f->read(buf, 1) == 0;
}

}  // namespace trivex
