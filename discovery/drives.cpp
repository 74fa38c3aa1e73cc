#include "discovery/drives.h"

namespace trivex {

DriveList listDrives(Machine& machine) {
    DriveList list;
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        uint64_t total = 0, free = 0;
        if (!machine.diskSpace(letter, total, free)) break;
        list.lastLetter = letter;
        // Whole KB first, as the system counts them, then whole MB of 1024 KB.
        const int64_t freeKB = static_cast<int64_t>(free >> 10), totalKB = static_cast<int64_t>(total >> 10);
        const int64_t freeMB = freeKB / 1024;
        if (freeMB == 0) break;
        list.rows.push_back({letter, (totalKB - freeKB) / 1024, freeMB, totalKB / 1024});
    }
    return list;
}

}  // namespace trivex
