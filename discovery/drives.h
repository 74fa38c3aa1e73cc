// The drive list: every drive from C: upward that answers and has at least
// 1 MB free, with its used, free and total space, in the partition list.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace trivex {

// One entry of the partition list: "  C:", then the used, free and total
// size in whole MB (1 MB = 1024 KB), each after eleven spaces. Sizes are
// written whole, however many digits they have. No line end: a list box
// would draw CR and LF as two boxes.
Text partitionEntry(char letter, int64_t usedMB, int64_t freeMB, int64_t totalMB);

// What the enumeration leaves for the rest of start-up.
struct DriveRun {
    Text countText;   // number of entries, in decimal
    Text lastLetter;  // the last letter looked at that answered; empty when C: did not
};

// Clears 列表框1 and fills it from C: on, stopping at the first letter whose
// drive does not answer or has less than 1 MB free (the last letter is the
// one that stopped the run, when it answered). Sizes are 64-bit: drives of
// 2 TiB and more show their true size.
DriveRun enumerateDrives(Platform& platform);

}  // namespace trivex
