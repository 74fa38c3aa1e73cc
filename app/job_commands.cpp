#include "app/job_commands.h"

#include "app/app.h"
#include "app/lifecycle.h"
#include "app/prompts.h"
#include "app/window_commands.h"
#include "job/boot_menu.h"
#include "job/manual_ghost.h"
#include "job/outcome.h"
#include "job/prepare.h"
#include "job/repair.h"
#include "job/route.h"
#include "job/undo.h"
#include "ui/names.h"

namespace trivex {

namespace {
constexpr WindowId kMain = WindowId::Main;
constexpr char kOpenCaption[] = "打开(&F)";
constexpr char kSaveCaption[] = "保存(&S)";

bool checked(Platform& p, const char* control) { return p.getProp(kMain, control, Prop::Checked) != 0; }
}  // namespace

job::JobDescription readJobDescription(App& app) {
    Platform& p = app.platform;
    job::JobDescription d;
    d.manual = checked(p, ctl::手动选择框);
    d.restoreChecked = checked(p, ctl::还原单选框);
    d.backupChecked = checked(p, ctl::备份单选框);
    d.systemDrive = app.state.selectedDrive;
    d.imagePath = p.getText(kMain, ctl::编辑框1);
    d.compressionIndex = p.getProp(kMain, ctl::压缩组合框, Prop::CurrentIndex);
    d.ignoreCrc = checked(p, ctl::CRC选择框);
    d.customGhost = checked(p, ctl::自定义选择框);
    d.customGhostPath = p.getText(kMain, ctl::编辑框2);
    return d;
}

void chooseImage(App& app, WindowId, int) {
    Platform& p = app.platform;
    const Text caption = p.getText(kMain, ctl::打开1);
    if (caption == kOpenCaption) {
        p.setTextProp(kMain, ctl::通用对话框1, Prop::InitialFolder, p.programFolder());
        // A cancelled dialog leaves the image chosen before (from the search results, say).
        if (p.fileDialog(kMain, ctl::通用对话框1))
            p.setText(kMain, ctl::编辑框1, p.getTextProp(kMain, ctl::通用对话框1, Prop::FileName));
    } else if (caption == kSaveCaption) {
        p.setText(kMain, ctl::编辑框1, "");
        // The save dialog's path-must-exist switch is off in its layout: the
        // folder is made here once the user has chosen.
        p.fileDialog(kMain, ctl::通用对话框2);
        p.createFolder(p.getTextProp(kMain, ctl::通用对话框2, Prop::InitialFolder));
        const Text path = p.getTextProp(kMain, ctl::通用对话框2, Prop::FileName);
        p.setText(kMain, ctl::编辑框1, path);
        job::writeBackupPlaceholder(p, path);
    }
    updateConfirmButton(app);
    // Windows Vista and later do not start from boot.ini: nothing to save there.
    if (job::bootRouteOf(p) == job::BootRoute::BootIni) job::BootMenu(p).save();
    p.deleteFile(kProbeScriptPath);
}

void showOutcomes(App& app) {
    for (const job::LastOutcome& o : job::takeOutcomes(app.platform, app.state.shownOutcomes)) {
        app.platform.setPanelText(kMain, ctl::状态条1, 1, o.status);
        if (!o.failure.empty()) tell(app, o.failure);
    }
}

void repairCutJob(App& app) {
    if (const Text told = job::repairCutJob(app.platform); !told.empty()) tell(app, told);
}

void prepareJob(App& app, WindowId, int) {
    showOutcomes(app);
    const job::Prepared r = job::prepareJob(app.platform, readJobDescription(app), app.state.commands, app.state.agreed);
    if (!r.ok) {
        if (!r.message.empty()) tell(app, r.message);
        return;
    }
    if (!r.notice.empty()) tell(app, r.notice);
    showRestartPrompt(app);
    // Esc on the prompt, or a restart the system refused: the job stays
    // prepared, and the window says so.
    if (app.platform.windowVisible(kMain)) app.platform.setPanelText(kMain, ctl::状态条1, 1, kJobPreparedNotice);
}

void askUndo(App& app, WindowId, int) { app.platform.openWindow(WindowId::UndoPrompt, true); }

void undoConfirmed(App& app, WindowId, int) {
    Platform& p = app.platform;
    showOutcomes(app);
    const job::Undone u = job::undoJob(p);
    p.closeWindow(WindowId::UndoPrompt);
    p.setProp(kMain, ctl::销毁按钮, Prop::Visible, 1);
    p.setProp(kMain, ctl::销毁按钮, Prop::Enabled, 0);
    if (p.panelText(kMain, ctl::状态条1, 1) == kJobPreparedNotice) p.setPanelText(kMain, ctl::状态条1, 1, "");
    if (const Text message = job::undoMessage(u); !message.empty()) tell(app, message);
}

void ghost32Switch(App& app, WindowId, int) {
    Platform& p = app.platform;
    if (!checked(p, ctl::G选择框)) {
        job::removeGhost32(p);
        return;
    }
    if (const Text why = job::startGhost32(p); !why.empty()) {
        p.setProp(kMain, ctl::G选择框, Prop::Checked, 0);
        tell(app, why);
    }
}

}  // namespace trivex
