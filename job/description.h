// A job as the user chose it: what the main window held when the job was
// confirmed, read once. Everything in job/ works on this description and
// the machine; nothing here reads or writes a control.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace trivex::job {

// What C:\ghost.bat runs: manual Ghost first, then the restore radio
// button, then the backup radio button; none when no mode is chosen.
enum class JobKind { Manual, Restore, Backup, None };

struct JobDescription {
    bool manual = false;           // 手动选择框
    bool restoreChecked = false;   // 还原单选框
    bool backupChecked = false;    // 备份单选框
    Text systemDrive;              // letter of the chosen partition, "C"
    Text imagePath;                // 编辑框1, "E:\Ghost\G_WinXP.gho"
    int64_t compressionIndex = 0;  // 压缩组合框: 0-2, -1 when nothing is selected
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
