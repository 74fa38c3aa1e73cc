// Drive space in KB, by drive letter text.
#pragma once

#include "platform/platform.h"

namespace trivex {

// The drive named by the first byte of `letter` (a-z taken as A-Z; any other
// byte: the current drive). Signed 32-bit KB, -1 on failure.
int32_t totalDiskKB(Platform& p, const Text& letter);
int32_t freeDiskKB(Platform& p, const Text& letter);
// The same in full 64-bit KB, -1 on failure.
int64_t totalDiskKB64(Platform& p, const Text& letter);
int64_t freeDiskKB64(Platform& p, const Text& letter);

}  // namespace trivex
