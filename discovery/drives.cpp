#include "discovery/drives.h"

#include "platform/disk.h"
#include "platform/text.h"
#include "ui/names.h"

namespace trivex {

namespace {
constexpr WindowId kMain = WindowId::Main;
constexpr int64_t kKBPerMB = 1024;
const Text kGap(11, ' ');
}  // namespace

Text partitionEntry(char letter, int64_t usedMB, int64_t freeMB, int64_t totalMB) {
    return "  " + Text(1, letter) + ":" + kGap + text::toText(usedMB) + kGap + text::toText(freeMB) +
           kGap + text::toText(totalMB);
}

DriveRun enumerateDrives(Platform& p) {
    DriveRun run;
    p.listClear(kMain, ctl::列表框1);
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        const Text drive(1, letter);
        const int64_t freeKB = freeDiskKB64(p, drive);
        if (freeKB < 0) break;
        run.lastLetter = drive;
        const int64_t freeMB = freeKB / kKBPerMB;
        if (freeMB == 0) break;
        const int64_t totalKB = totalDiskKB64(p, drive);
        const int64_t usedMB = (totalKB - freeKB) / kKBPerMB;
        p.listAdd(kMain, ctl::列表框1, partitionEntry(letter, usedMB, freeMB, totalKB / kKBPerMB));
    }
    run.countText = text::toText(static_cast<int64_t>(p.listCount(kMain, ctl::列表框1)));
    return run;
}

}  // namespace trivex
