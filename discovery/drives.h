// The drive list: every drive from C: upward that answers and has at least
// 1 MB free, with its used, free and total space.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/machine.h"

namespace trivex {

// One drive of the list, sizes in whole MB (1 MB = 1024 KB).
struct DriveRow {
    char letter = 0;
    int64_t usedMB = 0;
    int64_t freeMB = 0;
    int64_t totalMB = 0;
};

struct DriveList {
    std::vector<DriveRow> rows;
    char lastLetter = 0;  // the last letter looked at that answered; 0 when C: did not
};

// From C: on, stopping at the first letter whose drive does not answer or
// has less than 1 MB free (the last letter is the one that stopped the run,
// when it answered). Sizes are 64-bit: drives of 2 TiB and more show their
// true size.
DriveList listDrives(Machine& machine);

}  // namespace trivex
