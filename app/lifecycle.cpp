#include "app/lifecycle.h"

#include "app/app.h"
#include "app/discovery_commands.h"
#include "app/job_commands.h"
#include "app/window_commands.h"
#include "discovery/probe.h"
#include "job/checks.h"
#include "modload/skin_attach.h"
#include "ui/catalogue.h"
#include "ui/names.h"

namespace trivex {

namespace {
constexpr WindowId kMain = WindowId::Main;
constexpr int kTimerInterval = 5000;
}  // namespace

void backedUpCheck(App& app) {
    app.windows.processPendingMessages();
    // A real Ghost image, not the placeholder the save dialog leaves.
    const bool found = job::isGhostImage(app.machine, app.state.lastDriveLetter + ":\\Ghost\\G_WinXP.gho");
    app.windows.setPanelText(kMain, ctl::状态条1, 1, found ? say::kBackedUp : say::kNotBackedUp);
}

void startupSequence(App& app, WindowId, int) {
    Toolkit& w = app.windows;
    app.state.partitionCount = probePartitionCount(app.machine);
    w.setProp(kMain, ctl::时钟1, Prop::Interval, kTimerInterval);
    showDrives(app);
    if (app.state.partitionCount != app.state.driveCount && app.state.partitionCount.empty())
        tell(app, say::kProbeFailed);
    modeRefresh(app, kMain, 0);
    w.setProp(kMain, ctl::G选择框, Prop::Enabled, 0);
    backedUpCheck(app);
    tidyStore(app);
    {
        App::Busy working(app);
        showOutcomes(app);
    }
    repairCutJob(app);
    showWaitingJob(app, true);
    w.setProp(kMain, ctl::标签6, Prop::Visible, 0);
    modload::attachSkin();
}

void timerTick(App& app, WindowId, int) { app.windows.setProp(kMain, ctl::时钟1, Prop::Interval, kTimerInterval); }

void mainWindowDestroyed(App& app, WindowId, int) {
    (void)app.machine.deleteFile(kProbeScriptPath);
    // A job left waiting runs at the next restart, whoever causes it: the
    // last word before the program goes says so (not after a restart the
    // system took: that restart runs it now).
    if (!app.restarting) showWaitingJob(app, false);
}

void exitProgram(App& app, WindowId, int) {
    (void)app.machine.deleteFile(kProbeScriptPath);
    app.windows.closeWindow(kMain);
}

}  // namespace trivex
