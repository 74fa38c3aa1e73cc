#include "app/job_commands.h"

#include "app/app.h"
#include "app/lifecycle.h"
#include "app/prompts.h"
#include "app/window_commands.h"
#include "job/boot_menu.h"
#include "job/ghost32.h"
#include "job/outcome.h"
#include "job/prepare.h"
#include "job/repair.h"
#include "job/route.h"
#include "job/undo.h"
#include "job/waiting.h"
#include "ui/catalogue.h"
#include "ui/names.h"

namespace trivex {

namespace {
constexpr WindowId kMain = WindowId::Main;

bool checked(Toolkit& w, const char* control) { return w.getProp(kMain, control, Prop::Checked) != 0; }

// The job's questions, asked in the program's message box with OK and Cancel.
class BoxAnswers : public job::Questions {
public:
    explicit BoxAnswers(App& app) : app_(app) {}
    bool agree(const job::Question& question) override {
        return app_.windows.messageBox(say::sentence(question, app_.machine), kMbOkCancel, say::kBoxCaption) == kBtnOk;
    }

private:
    App& app_;
};

void showJobPrepared(App& app, bool shown) {
    app.state.jobPreparedShown = shown;
    app.windows.setPanelText(kMain, ctl::状态条1, 1, shown ? say::kJobPrepared : "");
}
}  // namespace

job::JobRequest readJobRequest(App& app) {
    Toolkit& w = app.windows;
    job::JobRequest d;
    d.manual = checked(w, ctl::手动选择框);
    d.restoreChecked = checked(w, ctl::还原单选框);
    d.backupChecked = checked(w, ctl::备份单选框);
    d.targetDrive = app.state.selectedDrive;
    d.imagePath = w.getText(kMain, ctl::编辑框1);
    // A compression chosen in the combo box; none chosen keeps the last one.
    const int64_t compression = w.getProp(kMain, ctl::压缩组合框, Prop::CurrentIndex);
    if (compression >= 0 && compression <= 2) app.state.compressionLevel = static_cast<int>(compression) + 1;
    d.compressionLevel = app.state.compressionLevel;
    d.ignoreCrc = checked(w, ctl::CRC选择框);
    d.customGhost = checked(w, ctl::自定义选择框);
    d.customGhostPath = w.getText(kMain, ctl::编辑框2);
    return d;
}

void chooseImage(App& app, WindowId, int) {
    Machine& m = app.machine;
    Toolkit& w = app.windows;
    if (!app.state.saveDialog) {
        w.setTextProp(kMain, ctl::通用对话框1, Prop::InitialFolder, m.programFolder());
        // A cancelled dialog leaves the image chosen before (from the search results, say).
        if (w.fileDialog(kMain, ctl::通用对话框1))
            w.setText(kMain, ctl::编辑框1, w.getTextProp(kMain, ctl::通用对话框1, Prop::FileName));
    } else {
        w.setText(kMain, ctl::编辑框1, "");
        // The save dialog's path-must-exist switch is off in its layout: the
        // folder is made here once the user has chosen.
        w.fileDialog(kMain, ctl::通用对话框2);
        (void)m.createFolder(w.getTextProp(kMain, ctl::通用对话框2, Prop::InitialFolder));
        const Text path = w.getTextProp(kMain, ctl::通用对话框2, Prop::FileName);
        w.setText(kMain, ctl::编辑框1, path);
        job::writeBackupPlaceholder(m, path);
    }
    updateConfirmButton(app);
    // Windows Vista and later do not start from boot.ini: nothing to save there.
    if (job::bootRouteOf(m) == job::BootRoute::BootIni) job::BootMenu(m).save();
    (void)m.deleteFile(kProbeScriptPath);
}

void showOutcomes(App& app) {
    job::LeftAlone leftAlone;
    const std::vector<job::LastOutcome> outcomes = job::takeOutcomes(app.machine, app.state.shownOutcomes, &leftAlone);
    for (const job::LastOutcome& o : outcomes) {
        app.windows.setPanelText(kMain, ctl::状态条1, 1, say::sentence(o.status, app.machine));
        app.state.jobPreparedShown = false;
        if (o.failure) tell(app, *o.failure);
    }
    // Outcome records of other computers, and of computers that cannot be
    // told, stay where they are; one line in the status bar says so, once
    // in a run, where no job of this machine's has its account to show.
    if (!outcomes.empty() || app.state.foreignOutcomesShown) return;
    std::vector<Problem> said;
    if (!leftAlone.others.empty()) said.push_back({Code::ForeignOutcomeLeft, {}});
    for (const Text& path : leftAlone.others) said.back().args.push_back(path);
    if (!leftAlone.unknown.empty()) said.push_back({Code::OutcomeOwnerUnknown, {}});
    for (const Text& path : leftAlone.unknown) said.back().args.push_back(path);
    if (said.empty()) return;
    const Problem left = said.size() == 1 ? said[0] : around(Code::InTurn, std::move(said));
    app.windows.setPanelText(kMain, ctl::状态条1, 1, say::sentence(left, app.machine));
    app.state.jobPreparedShown = false;
    app.state.foreignOutcomesShown = true;
}

void repairCutJob(App& app) {
    std::optional<Problem> told;
    {
        App::Busy working(app);
        told = job::repairCutJob(app.machine);
    }
    if (told) tell(app, *told);
}

void tidyStore(App& app) {
    std::optional<Problem> told;
    {
        App::Busy working(app);
        told = job::tidyStore(app.machine);
    }
    if (told) tell(app, *told);
}

void showWaitingJob(App& app, bool atStart) {
    const std::optional<job::WaitingJob> waiting = job::waitingJob(app.machine);
    if (!waiting) return;
    const Text said = say::sentence(waiting->told, app.machine);
    if (atStart) {
        app.windows.setPanelText(kMain, ctl::状态条1, 1, said);
        app.state.jobPreparedShown = true;
        // A restore writes over the system partition: it is told in a box too.
        if (waiting->kind == job::JobKind::Restore) tell(app, said);
        return;
    }
    tell(app, said);
}

void prepareJob(App& app, WindowId, int) {
    job::Prepared r;
    {
        App::Busy working(app);
        showOutcomes(app);
        BoxAnswers answers(app);
        r = job::prepareJob(app.machine, answers, readJobRequest(app), app.state.agreed);
    }
    app.state.plan = r.plan;
    if (!r.ok) {
        if (r.problem) tell(app, *r.problem);
        return;
    }
    if (r.notice) tell(app, *r.notice);
    showRestartPrompt(app);
    // Esc on the prompt, or a restart the system refused: the job stays
    // prepared, and the window says so.
    if (app.windows.windowVisible(kMain)) showJobPrepared(app, true);
}

void askUndo(App& app, WindowId, int) { app.windows.openWindow(WindowId::UndoPrompt, true); }

void undoConfirmed(App& app, WindowId, int) {
    Toolkit& w = app.windows;
    Result undone;
    {
        App::Busy working(app);
        showOutcomes(app);
        undone = job::undoJob(app.machine).account();
    }
    w.closeWindow(WindowId::UndoPrompt);
    w.setProp(kMain, ctl::销毁按钮, Prop::Visible, 1);
    w.setProp(kMain, ctl::销毁按钮, Prop::Enabled, 0);
    if (app.state.jobPreparedShown) showJobPrepared(app, false);
    if (!undone) tell(app, undone.problem());
}

void ghost32Switch(App& app, WindowId, int) {
    Toolkit& w = app.windows;
    if (!checked(w, ctl::G选择框)) {
        job::removeGhost32(app.machine);
        return;
    }
    if (const Result r = job::startGhost32(app.machine); !r) {
        w.setProp(kMain, ctl::G选择框, Prop::Checked, 0);
        tell(app, r.problem());
    }
}

}  // namespace trivex
