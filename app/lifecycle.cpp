#include "app/lifecycle.h"

#include "app/app.h"
#include "app/job_commands.h"
#include "app/window_commands.h"
#include "discovery/drives.h"
#include "discovery/probe.h"
#include "job/checks.h"
#include "job/route.h"
#include "modload/skin_attach.h"
#include "platform/search.h"
#include "ui/names.h"

namespace trivex {

namespace {
constexpr WindowId kMain = WindowId::Main;
constexpr int kTimerInterval = 5000;
}  // namespace

void backedUpCheck(App& app) {
    Platform& p = app.platform;
    p.processPendingMessages();
    // A real Ghost image, not the placeholder the save dialog leaves.
    const bool found = job::isGhostImage(p, app.state.lastDriveLetter + ":\\Ghost\\G_WinXP.gho");
    p.setPanelText(kMain, ctl::状态条1, 1,
                   found ? "本系统已做备份，备份时注意覆盖原镜像！"
                         : "尚未用本软件备份系统，请及时备份镜像！");
}

void startupSequence(App& app, WindowId, int) {
    Platform& p = app.platform;
    app.state.partitionCount = probePartitionCount(p);
    p.setProp(kMain, ctl::时钟1, Prop::Interval, kTimerInterval);
    const DriveRun drives = enumerateDrives(p);
    app.state.driveCount = drives.countText;
    app.state.lastDriveLetter = drives.lastLetter;
    if (app.state.partitionCount != app.state.driveCount && app.state.partitionCount.empty())
        tell(app, "获取磁盘分区信息失败，请重启程序");
    modeRefresh(app, kMain, 0);
    p.setProp(kMain, ctl::G选择框, Prop::Enabled, 0);
    backedUpCheck(app);
    showOutcomes(app);
    repairCutJob(app);
    if (const Text failed = job::removeStaleEntries(p); !failed.empty()) tell(app, failed);
    p.setProp(kMain, ctl::标签6, Prop::Visible, 0);
    modload::attachSkin();
}

void timerTick(App& app, WindowId, int) {
    app.platform.setProp(kMain, ctl::时钟1, Prop::Interval, kTimerInterval);
}

void mainWindowDestroyed(App& app, WindowId, int) { app.platform.deleteFile(kProbeScriptPath); }

void exitProgram(App& app, WindowId, int) {
    app.platform.deleteFile(kProbeScriptPath);
    app.platform.closeWindow(kMain);
}

}  // namespace trivex
