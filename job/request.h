// A job as the user asked for it: what the main window held when the job
// was confirmed, read once. Everything in job/ works on this request and
// the machine; nothing here reads or writes a control.
#pragma once

#include <cstdint>

#include "platform/machine.h"

namespace trivex::job {

// What C:\ghost.bat runs: manual Ghost first, then the restore radio
// button, then the backup radio button; none when no mode is chosen.
enum class JobKind { Manual, Restore, Backup, None };

struct JobRequest {
    bool manual = false;           // interactive Ghost (手动选择框)
    bool restoreChecked = false;   // 还原单选框
    bool backupChecked = false;    // 备份单选框
    Text targetDrive;              // letter of the partition to back up or restore, "C"
    Text imagePath;                // "E:\Ghost\G_WinXP.gho"
    int compressionLevel = 0;      // the backup's -z level, 1-3 (0 before any was chosen)
    bool ignoreCrc = false;        // CRC选择框
    bool customGhost = false;      // 自定义选择框
    Text customGhostPath;          // 编辑框2

    JobKind kind() const {
        if (manual) return JobKind::Manual;
        if (restoreChecked) return JobKind::Restore;
        if (backupChecked) return JobKind::Backup;
        return JobKind::None;
    }
};

}  // namespace trivex::job
