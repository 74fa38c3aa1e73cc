// File search with the program's attribute filter, on top of the raw
// folder listing of the platform. One `SearchState` per search.
#pragma once

#include "platform/platform.h"

namespace trivex {

struct SearchState {
    uintptr_t handle = 0;  // 0: no search open
};

// Whether an entry with `attributes` passes `mask` (kNoMask: every non-folder;
// else the mask reduced to 0x37 must share a bit; a mask reducing to 0 passes
// only attribute words of exactly 0).
bool passesAttributeFilter(uint32_t attributes, int mask);

// Closes a search still open in `state`, opens `pattern` and returns the first
// passing name; empty text (state 0) when none is left.
Text findFirst(Platform& p, const Text& pattern, int mask, SearchState& state);
// The next passing name of the open search; empty (state 0) at the end.
Text findNext(Platform& p, int mask, SearchState& state);
void closeSearch(Platform& p, SearchState& state);

}  // namespace trivex
