// The drive list: every drive from C: upward that answers and has at least
// 1 MB free, with its used, free and total space, in the partition list.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace trivex {

class App;

// One entry of the partition list: "  C:", then the used, free and total
// size in whole MB (1 MB = 1024 KB), each after eleven spaces, then CR LF.
// Sizes are written whole, however many digits they have.
Text partitionEntry(char letter, int64_t usedMB, int64_t freeMB, int64_t totalMB);

// Clears 列表框1 and fills it from C: on, stopping at the first letter whose
// drive does not answer or has less than 1 MB free. Sets the drive-count text
// and the last enumerated letter (the one that stopped the run, when it
// answered). Sizes are 64-bit: drives of 2 TiB and more show their true size.
void enumerateDrives(App& app);

}  // namespace trivex
