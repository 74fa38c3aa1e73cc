// The main window "Trivex": every control, where it sits, what it says at
// creation and which command each of its events calls.
#include "ui/catalogue.h"
#include "ui/layout.h"
#include "ui/names.h"
#include "ui/resources.h"

namespace trivex::ui {
namespace {

using namespace trivex::ctl;
namespace c = trivex::cmd;

const Font kSongTi{"宋体", 14, false, 134};
const Font kYaHeiBold{"微软雅黑", 14, true, 134};

// The drive list's figures stand under these headings.
const char* const kDriveColumns[] = {透明标签7, 透明标签8, 透明标签9, nullptr};
const char* const kCompressionItems[] = {say::kFastCompression, say::kHighCompression, say::kHighestCompression, nullptr};
const int kPanelWidths[] = {90, -1};
const char* const kPanelTexts[] = {say::kFriendlyReminder, "", nullptr};

const FileDialogSpec kOpenImage{0, "", "", say::kImageFilter, "E:\\Ghost", "",
                                false, true, false, true, false};
const FileDialogSpec kSaveImage{1, "", "G_WinXP.gho", say::kImageFilter, "E:\\Ghost", "",
                                false, false, true, false, false};
const FileDialogSpec kOpenGhost{0, "", "", say::kProgramFilter, "E:\\", "",
                                false, true, false, true, false};


const Control kMain[] = {
    // name, kind, parent, x, y, w, h, caption, state, back, font, event, command
    {分组框1, Kind::GroupBox, nullptr, 8, 8, 384, 280, nullptr},
    {还原单选框, Kind::RadioButton, 分组框1, 31, 14, 97, 20, say::kRestoreMode, kChecked | kWhiteBack | kGroupStart, -1, nullptr, Event::Click, c::mode_refresh},
    {备份单选框, Kind::RadioButton, 分组框1, 140, 14, 92, 20, say::kBackupMode, kWhiteBack, -1, nullptr, Event::Click, c::mode_refresh},
    {G选择框, Kind::CheckBox, 分组框1, 250, 14, 92, 20, say::kGhost32Box, kFlat | kWhiteBack | kGroupStart, -1, nullptr, Event::Click, c::ghost32_switch},
    {分组框2, Kind::GroupBox, 分组框1, 24, 40, 336, 56, nullptr},
    {透明标签5, Kind::TransparentLabel, 分组框2, 8, 8, 144, 16, say::kImagePathLabel},
    {编辑框1, Kind::Edit, 分组框2, 8, 24, 240, 20, "", kDisabled | kWhiteBack, -1, &kSongTi},
    {打开1, Kind::Button, 分组框2, 265, 24, 60, 20, say::kOpenCaption, 0, -1, nullptr, Event::Click, c::choose_image},
    {通用对话框1, Kind::FileDialog, 分组框2, 0, 0, 0, 0, nullptr, 0, -1, nullptr, Event::None, nullptr, nullptr, 0, &kOpenImage},
    {通用对话框2, Kind::FileDialog, 分组框2, 0, 0, 0, 0, nullptr, 0, -1, nullptr, Event::None, nullptr, nullptr, 0, &kSaveImage},
    {透明标签6, Kind::TransparentLabel, 分组框1, 32, 96, 72, 24, say::kPartitionHeading},
    {透明标签7, Kind::TransparentLabel, 分组框1, 128, 96, 64, 24, say::kUsedHeading},
    {透明标签8, Kind::TransparentLabel, 分组框1, 208, 96, 64, 24, say::kFreeHeading},
    {透明标签9, Kind::TransparentLabel, 分组框1, 296, 96, 64, 24, say::kTotalHeading},
    {列表框1, Kind::ListBox, 分组框1, 26, 120, 342, 66, "", 0, -1, nullptr, Event::Select, c::partition_select,
     nullptr, 0, nullptr, nullptr, nullptr, 0, 0, kDriveColumns},
    {分组框3, Kind::GroupBox, 分组框1, 24, 192, 344, 72, nullptr},
    {标签6, Kind::Label, 分组框3, 24, 0, 56, 16, say::kAdvancedOptions},
    {自定义选择框, Kind::CheckBox, 分组框3, 9, 16, 135, 16, say::kCustomGhostBox, kGroupStart, -1, nullptr, Event::Click, c::custom_ghost_switch},
    {CRC选择框, Kind::CheckBox, 分组框3, 160, 16, 112, 16, say::kIgnoreCrcBox, kGroupStart},
    {标签7, Kind::Label, 分组框3, 189, 16, 72, 16, say::kCompressionLabel},
    {压缩组合框, Kind::ComboBox, 分组框3, 263, 16, 72, 20, say::kFastCompression, 0, -1, nullptr, Event::None, nullptr, kCompressionItems, 0, nullptr, nullptr, nullptr, 160},
    {编辑框2, Kind::Edit, 分组框3, 8, 40, 248, 20, "", kDisabled, 0xECECEC},
    {打开2, Kind::Button, 分组框3, 266, 40, 60, 20, say::kBrowseGhostCaption, kDisabled, -1, nullptr, Event::Click, c::browse_custom_ghost},
    {通用对话框3, Kind::FileDialog, 分组框3, 0, 0, 0, 0, nullptr, 0, -1, nullptr, Event::None, nullptr, nullptr, 0, &kOpenGhost},
    {分组框4, Kind::GroupBox, nullptr, 400, 8, 304, 400, nullptr},
    {列表框2, Kind::ListBox, 分组框4, 8, 16, 288, 192, "", 0, -1, nullptr, Event::Select, c::image_details},
    {手动选择框, Kind::CheckBox, 分组框4, 8, 216, 92, 32, say::kManualGhostBox, kWhiteBack | kGroupStart, -1, nullptr, Event::Click, c::manual_switch},
    {编辑框3, Kind::Edit, 分组框4, 120, 216, 96, 32, say::kImagePattern, kDisabled | kWhiteBack},
    {搜索按钮, Kind::Button, 分组框4, 232, 216, 60, 32, say::kSearchCaption, 0, -1, nullptr, Event::Click, c::search},
    {透明标签10, Kind::TransparentLabel, 分组框4, 8, 272, 280, 112, say::kNotice, 0, -1, &kYaHeiBold},
    {销毁按钮, Kind::Button, nullptr, 8, 296, 72, 48, say::kUndoCaption, 0, -1, nullptr, Event::Click, c::undo},
    {确定, Kind::Button, nullptr, 112, 296, 72, 48, say::kConfirmCaption, 0, -1, nullptr, Event::Click, c::prepare_job},
    {按钮2, Kind::Button, nullptr, 208, 296, 72, 48, say::kDeleteCaption},
    {退出, Kind::Button, nullptr, 304, 296, 72, 48, say::kExitCaption, 0, -1, nullptr, Event::Click, c::exit},
    {解答按钮, Kind::Button, nullptr, 8, 360, 72, 48, say::kAboutCaption, 0, -1, nullptr, Event::Click, c::help_about},
    {解答按钮1, Kind::Button, nullptr, 112, 360, 72, 48, say::kUsageCaption, 0, -1, nullptr, Event::Click, c::help_usage},
    {解答按钮2, Kind::Button, nullptr, 208, 360, 72, 48, say::kWhyCaption, 0, -1, nullptr, Event::Click, c::help_why},
    {解答按钮3, Kind::Button, nullptr, 304, 360, 72, 48, say::kContactCaption, 0, -1, nullptr, Event::Click, c::contact},
    {状态条1, Kind::StatusBar, nullptr, 0, 0, 0, 0, nullptr, 0, -1, nullptr, Event::None, nullptr, nullptr, 0, nullptr, kPanelWidths, kPanelTexts},
    {透明标签1, Kind::TransparentLabel, nullptr, 1032, 344, 240, 24, say::kWaiting},
    {透明标签2, Kind::TransparentLabel, nullptr, 1032, 368, 240, 24, say::kWaiting},
    {透明标签3, Kind::TransparentLabel, nullptr, 1032, 400, 248, 24, say::kWaiting},
    {透明标签4, Kind::TransparentLabel, nullptr, 1032, 432, 248, 24, say::kWaiting},
    {时钟1, Kind::Timer, nullptr, 0, 0, 0, 0, nullptr, 0, -1, nullptr, Event::Tick, c::timer, nullptr, 5000},
};

const char* const kMainTyping[] = {编辑框2, 压缩组合框, nullptr};

}  // namespace

extern const WindowLayout kMainWindow;
const WindowLayout kMainWindow{
    WindowId::Main, say::kMainTitle, 722, 475, true, true, true, kIconResource,
    kMain, sizeof kMain / sizeof kMain[0],
    c::startup, c::destroy, c::main_key, kMainTyping,
};

}  // namespace trivex::ui
