#include "app/window_commands.h"

#include "app/app.h"
#include "platform/text.h"
#include "ui/names.h"

namespace trivex {

namespace {

constexpr WindowId kMain = WindowId::Main;
constexpr int64_t kWhite = 0xFFFFFF;
constexpr int64_t kGrey = 0xECECEC;
constexpr char kDefaultBackupImage[] = "E:\\Ghost\\G_WinXP.gho";

const char kAboutText[] =
    "Trivex（英文名 Trivex System Backup & Restore）是一款在Windows中准备Ghost备份与还原任务的系统备份还原工具。"
    "该软件能够完整而快速地复制备份、还原整个硬盘或单一分区。";
const char kUsageText[] =
    "1、最佳方案：完成操作系统及各种驱动的安装后，将常用的软件（如杀毒、媒体播放软件、office办公软件等）"
    "安装到系统所在盘，接着安装操作系统和常用软件的各种升级补丁，然后优化系统，最后你就在Dos下做系统盘的"
    "克隆备份了，注意备份盘的大小不能小于系统盘！";
const char kWhyText[] =
    "当电脑出现故障时只要用镜像恢复就可以快速排除软件方面的问题。如果故障仍在，那十之八九是硬件问题。"
    " 那么这个时候就能使用我的免费版Trivex";

bool checked(Platform& p, const char* control) { return p.getProp(kMain, control, Prop::Checked) != 0; }
void show(Platform& p, const char* control, bool on) { p.setProp(kMain, control, Prop::Visible, on); }
void enable(Platform& p, const char* control, bool on) { p.setProp(kMain, control, Prop::Enabled, on); }

// The controls that differ between the two modes; then the first partition.
void applyMode(App& app, bool restore) {
    Platform& p = app.platform;
    p.setText(kMain, ctl::打开1, restore ? "打开(&F)" : "保存(&S)");
    p.setText(kMain, ctl::编辑框1, restore ? "" : kDefaultBackupImage);
    p.setProp(kMain, ctl::列表框1, Prop::CurrentIndex, 0);
    partitionSelect(app, kMain, 0);
    show(p, ctl::压缩组合框, !restore);
    show(p, ctl::标签7, !restore);
    enable(p, ctl::搜索按钮, restore);
    show(p, ctl::CRC选择框, restore);
}

}  // namespace

void updateConfirmButton(App& app) {
    Platform& p = app.platform;
    const bool ready = !app.state.selectedDrive.empty() && !p.getText(kMain, ctl::编辑框1).empty();
    enable(p, ctl::确定, ready);
}

void modeRefresh(App& app, WindowId, int) {
    Platform& p = app.platform;
    if (checked(p, ctl::还原单选框)) applyMode(app, true);
    else if (checked(p, ctl::备份单选框)) applyMode(app, false);
    updateConfirmButton(app);
}

// "  C:" and the sizes: the first three bytes without their leading spaces
// (ASCII or full-width) leave the letter.
void partitionSelect(App& app, WindowId, int) {
    Platform& p = app.platform;
    const int current = static_cast<int>(p.getProp(kMain, ctl::列表框1, Prop::CurrentIndex));
    app.state.selectedDrive = text::trimLeading(text::left(p.listItem(kMain, ctl::列表框1, current), 3));
    updateConfirmButton(app);
}

void customGhostSwitch(App& app, WindowId, int) {
    Platform& p = app.platform;
    const bool on = checked(p, ctl::自定义选择框);
    enable(p, ctl::编辑框2, on);
    p.setProp(kMain, ctl::编辑框2, Prop::BackColor, on ? kWhite : kGrey);
    enable(p, ctl::打开2, on);
    if (!on) p.setText(kMain, ctl::编辑框2, "");
}

// The dialog's file name is its last confirmed choice, so a cancel puts back
// the previous pick (empty before the first).
void browseCustomGhost(App& app, WindowId, int) {
    Platform& p = app.platform;
    p.fileDialog(kMain, ctl::通用对话框3);
    p.setText(kMain, ctl::编辑框2, p.getTextProp(kMain, ctl::通用对话框3, Prop::FileName));
}

// The radio buttons keep their checks; the mode is not refreshed.
void manualSwitch(App& app, WindowId, int) {
    Platform& p = app.platform;
    const bool manual = checked(p, ctl::手动选择框);
    enable(p, ctl::还原单选框, !manual);
    enable(p, ctl::备份单选框, !manual);
    enable(p, ctl::G选择框, manual);
}

void helpAbout(App& app, WindowId, int) { tell(app, kAboutText); }
void helpUsage(App& app, WindowId, int) { tell(app, kUsageText); }
void helpWhy(App& app, WindowId, int) { tell(app, kWhyText); }

void contact(App& app, WindowId, int) { app.platform.openWebAddress(kContactAddress); }

}  // namespace trivex
