#include "app/window_commands.h"

#include "app/app.h"
#include "ui/catalogue.h"
#include "ui/names.h"

namespace trivex {

namespace {

constexpr WindowId kMain = WindowId::Main;
constexpr int64_t kWhite = 0xFFFFFF;
constexpr int64_t kGrey = 0xECECEC;
constexpr char kDefaultBackupImage[] = "E:\\Ghost\\G_WinXP.gho";

bool checked(Toolkit& w, const char* control) { return w.getProp(kMain, control, Prop::Checked) != 0; }
void show(Toolkit& w, const char* control, bool on) { w.setProp(kMain, control, Prop::Visible, on); }
void enable(Toolkit& w, const char* control, bool on) { w.setProp(kMain, control, Prop::Enabled, on); }

// The controls that differ between the two modes; then the first partition.
void applyMode(App& app, bool restore) {
    Toolkit& w = app.windows;
    app.state.saveDialog = !restore;
    w.setText(kMain, ctl::打开1, restore ? say::kOpenCaption : say::kSaveCaption);
    w.setText(kMain, ctl::编辑框1, restore ? "" : kDefaultBackupImage);
    w.setProp(kMain, ctl::列表框1, Prop::CurrentIndex, 0);
    partitionSelect(app, kMain, 0);
    show(w, ctl::压缩组合框, !restore);
    show(w, ctl::标签7, !restore);
    enable(w, ctl::搜索按钮, restore);
    show(w, ctl::CRC选择框, restore);
}

}  // namespace

void updateConfirmButton(App& app) {
    Toolkit& w = app.windows;
    const bool ready = !app.state.selectedDrive.empty() && !w.getText(kMain, ctl::编辑框1).empty();
    enable(w, ctl::确定, ready);
}

void modeRefresh(App& app, WindowId, int) {
    Toolkit& w = app.windows;
    if (checked(w, ctl::还原单选框)) applyMode(app, true);
    else if (checked(w, ctl::备份单选框)) applyMode(app, false);
    updateConfirmButton(app);
}

// The letter of the current entry, from the drive list the entries were made of.
void partitionSelect(App& app, WindowId, int) {
    const int current = static_cast<int>(app.windows.getProp(kMain, ctl::列表框1, Prop::CurrentIndex));
    const std::vector<DriveRow>& drives = app.state.drives;
    app.state.selectedDrive =
        current >= 0 && current < static_cast<int>(drives.size()) ? Text(1, drives[static_cast<size_t>(current)].letter) : Text();
    updateConfirmButton(app);
}

void customGhostSwitch(App& app, WindowId, int) {
    Toolkit& w = app.windows;
    const bool on = checked(w, ctl::自定义选择框);
    enable(w, ctl::编辑框2, on);
    w.setProp(kMain, ctl::编辑框2, Prop::BackColor, on ? kWhite : kGrey);
    enable(w, ctl::打开2, on);
    if (!on) w.setText(kMain, ctl::编辑框2, "");
}

// The dialog's file name is its last confirmed choice, so a cancel puts back
// the previous pick (empty before the first).
void browseCustomGhost(App& app, WindowId, int) {
    Toolkit& w = app.windows;
    w.fileDialog(kMain, ctl::通用对话框3);
    w.setText(kMain, ctl::编辑框2, w.getTextProp(kMain, ctl::通用对话框3, Prop::FileName));
}

// The radio buttons keep their checks; the mode is not refreshed.
void manualSwitch(App& app, WindowId, int) {
    Toolkit& w = app.windows;
    const bool manual = checked(w, ctl::手动选择框);
    enable(w, ctl::还原单选框, !manual);
    enable(w, ctl::备份单选框, !manual);
    enable(w, ctl::G选择框, manual);
}

void helpAbout(App& app, WindowId, int) { tell(app, say::kAbout); }
void helpUsage(App& app, WindowId, int) { tell(app, say::kUsage); }
void helpWhy(App& app, WindowId, int) { tell(app, say::kWhy); }

void contact(App& app, WindowId, int) { app.machine.openWebAddress(kContactAddress); }

}  // namespace trivex
