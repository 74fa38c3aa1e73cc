#include "payloads/store.h"

#include <cstdint>
#include <cstring>

#include "payloads/store_table.h"

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

bool writePayload(Platform& platform, const Text& path, Payload p) {
    if (path.empty()) return false;
    return platform.writeFile(path, {data(p)});
}

const char* name(Payload p) { return entry(p).name; }
const char* targetPath(Payload p) { return entry(p).target; }

bool isStandIn(Payload p) { return entry(p).origin == detail::Origin::StandIn; }

bool isDemoBuild(bool throughBootStore) {
    return isStandIn(Payload::Loader) || isStandIn(Payload::GhostDos) || isStandIn(Payload::DosImage) ||
           (throughBootStore && isStandIn(Payload::LoaderMbr));
}

}  // namespace trivex::payloads
