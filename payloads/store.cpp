#include "payloads/store.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "payloads/store_table.h"
#include "platform/files.h"

namespace trivex::payloads {
namespace {

const detail::Entry& entry(Payload p) {
    const auto i = static_cast<size_t>(p);
    // An out-of-range value is a programming error; fall back to the first
    // entry rather than read outside the table.
    return detail::kEntries[i < kPayloadCount ? i : 0];
}

uint32_t u32At(const unsigned char* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);  // records are little-endian, as are both targets
    return v;
}

}  // namespace

ByteView data(Payload p) {
    const unsigned char* record = entry(p).record;
    return {record + 8, u32At(record + 4)};
}

SysResult writePayload(Machine& machine, const Text& path, Payload p) { return machine.writeFile(path, {data(p)}); }

SysResult writePayloadWhole(Machine& machine, const Text& path, Payload p) {
    return machine.writeFileWhole(path, {data(p)});
}

size_t tokenPlace(ByteView image) {
    const auto& placeholder = handoff::kTokenPlaceholder;
    const char* bytes = static_cast<const char*>(image.data);
    const char* end = bytes + image.size;
    const char* at = std::search(bytes, end, placeholder.text, placeholder.text + placeholder.length);
    return at == end ? Text::npos : static_cast<size_t>(at - bytes) + (placeholder.length - kTokenLength);
}

namespace {

// Where the 16 "?" of this build's image start; npos when the image has none.
size_t tokenOffset() {
    static const size_t offset = tokenPlace(data(Payload::DosImage));
    return offset;
}

}  // namespace

bool dosImageTakesToken() { return tokenOffset() != Text::npos; }

SysResult writeDosImage(Machine& machine, const Text& path, const Text& token) {
    const size_t at = tokenOffset();
    const ByteView image = data(Payload::DosImage);
    if (at == Text::npos || token.size() != kTokenLength) return machine.writeFileWhole(path, {image});
    const char* bytes = static_cast<const char*>(image.data);
    return machine.writeFileWhole(path, {ByteView{bytes, static_cast<uint32_t>(at)}, bytesOf(token),
                                         ByteView{bytes + at + kTokenLength,
                                                  static_cast<uint32_t>(image.size - at - kTokenLength)}});
}

std::optional<Text> dosImageToken(Machine& machine, const Text& path) {
    const ByteView image = data(Payload::DosImage);
    if (fileSize(machine, path) != static_cast<int64_t>(image.size)) return std::nullopt;
    std::optional<Text> file = readWholeFile(machine, path);
    if (!file || file->size() != image.size) return std::nullopt;
    const char* bytes = static_cast<const char*>(image.data);
    const size_t at = tokenOffset();
    if (at == Text::npos) return std::memcmp(file->data(), bytes, image.size) == 0 ? std::optional<Text>(Text()) : std::nullopt;
    const Text token = file->substr(at, kTokenLength);
    if ((token != Text(kTokenLength, '?') && !isToken(token)) || std::memcmp(file->data(), bytes, at) != 0 ||
        std::memcmp(file->data() + at + kTokenLength, bytes + at + kTokenLength, image.size - at - kTokenLength) != 0)
        return std::nullopt;
    return token;
}

const char* name(Payload p) { return entry(p).name; }
const char* targetPath(Payload p) { return entry(p).target; }

bool isStandIn(Payload p) { return entry(p).origin == detail::Origin::StandIn; }

bool isDemoBuild(bool throughBootStore) {
    return isStandIn(Payload::Loader) || isStandIn(Payload::GhostDos) || isStandIn(Payload::DosImage) ||
           (throughBootStore && isStandIn(Payload::LoaderMbr));
}

}  // namespace trivex::payloads
