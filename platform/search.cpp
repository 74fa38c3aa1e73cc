// File search by pattern with the program's attribute filter, on top of the
// raw folder listing that each platform provides.
#include "platform/search.h"

namespace trivex {

bool passesAttributeFilter(uint32_t attributes, int mask) {
    if (mask == kNoMask) return (attributes & kAttrDirectory) == 0;
    // Read-only, hidden, system, directory and archive; the volume bit is dropped.
    const uint32_t wanted = static_cast<uint32_t>(mask) & 0x37u;
    if (wanted == 0) return attributes == 0;
    return (attributes & wanted) != 0;
}

namespace {

// From the entry in `entry` on, the first name that passes; closes the search
// and clears the state when the listing runs out.
Text firstPassing(Platform& p, int mask, SearchState& state, DirEntry& entry) {
    for (;;) {
        if (passesAttributeFilter(entry.attributes, mask)) return entry.name;
        if (!p.listNext(state.handle, entry)) {
            closeSearch(p, state);
            return {};
        }
    }
}

}  // namespace

Text findFirst(Platform& p, const Text& pattern, int mask, SearchState& state) {
    closeSearch(p, state);
    DirEntry entry;
    uintptr_t handle = 0;
    if (pattern.empty() || !p.listFirst(pattern, handle, entry) || handle == 0) return {};
    state.handle = handle;
    return firstPassing(p, mask, state, entry);
}

Text findNext(Platform& p, int mask, SearchState& state) {
    if (state.handle == 0) return {};
    DirEntry entry;
    if (!p.listNext(state.handle, entry)) {
        closeSearch(p, state);
        return {};
    }
    return firstPassing(p, mask, state, entry);
}

void closeSearch(Platform& p, SearchState& state) {
    if (state.handle != 0) p.listClose(state.handle);
    state.handle = 0;
}

}  // namespace trivex
