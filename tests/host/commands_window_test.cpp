// The main window's own commands on the simulated machine: the two modes,
// the partition list, the option boxes, the help texts, the contact address,
// the shortcuts that reach them, and when 确定 can be pressed.
#include <gtest/gtest.h>

#include "app/app.h"
#include "app/window_commands.h"
#include "tests/support/sim_machine.h"
#include "tests/support/test_toolkit.h"
#include "ui/names.h"

namespace trivex {
namespace {

using sim::SimMachine;
constexpr WindowId kMain = WindowId::Main;
constexpr uint64_t GB = 1ull << 30;

class WindowCommandsTest : public ::testing::Test {
protected:
    WindowCommandsTest() {
        machine.onCommand("C:\\fqs.bat", "磁盘 0        含有3\r\n");
        machine.addDrive('C', 40 * GB, 20 * GB);
        machine.addDrive('D', 80 * GB, 60 * GB);
        machine.addDrive('E', 80 * GB, 60 * GB);
    }
    void SetUp() override { ASSERT_TRUE(windows.openWindow(kMain, false)); }
    int64_t prop(const char* control, Prop p) { return windows.getProp(kMain, control, p); }
    Text text(const char* control) { return windows.getText(kMain, control); }

    SimMachine machine;
    sim::TestToolkit windows;
    App app{machine, windows};
};

TEST_F(WindowCommandsTest, BackupModeAndBackAgain) {
    ASSERT_TRUE(windows.click(kMain, ctl::备份单选框));
    EXPECT_EQ(text(ctl::打开1), "保存(&S)");
    EXPECT_EQ(text(ctl::编辑框1), "E:\\Ghost\\G_WinXP.gho");
    EXPECT_EQ(prop(ctl::压缩组合框, Prop::Visible), 1);
    EXPECT_EQ(prop(ctl::标签7, Prop::Visible), 1);
    EXPECT_EQ(prop(ctl::搜索按钮, Prop::Enabled), 0);
    EXPECT_EQ(prop(ctl::CRC选择框, Prop::Visible), 0);
    EXPECT_EQ(prop(ctl::确定, Prop::Enabled), 1);  // partition and image path are there

    ASSERT_TRUE(windows.click(kMain, ctl::还原单选框));
    EXPECT_EQ(text(ctl::打开1), "打开(&F)");
    EXPECT_EQ(text(ctl::编辑框1), "");
    EXPECT_EQ(prop(ctl::压缩组合框, Prop::Visible), 0);
    EXPECT_EQ(prop(ctl::标签7, Prop::Visible), 0);
    EXPECT_EQ(prop(ctl::搜索按钮, Prop::Enabled), 1);
    EXPECT_EQ(prop(ctl::CRC选择框, Prop::Visible), 1);
    EXPECT_EQ(prop(ctl::确定, Prop::Enabled), 0);  // no image yet
}

TEST_F(WindowCommandsTest, ARadioClickGoesBackToTheFirstPartition) {
    ASSERT_TRUE(windows.select(kMain, ctl::列表框1, 2));
    EXPECT_EQ(app.state.selectedDrive, "E");
    windows.setText(kMain, ctl::编辑框1, "D:\\img\\a.gho");
    ASSERT_TRUE(windows.click(kMain, ctl::还原单选框));  // the same mode again
    EXPECT_EQ(prop(ctl::列表框1, Prop::CurrentIndex), 0);
    EXPECT_EQ(app.state.selectedDrive, "C");
    EXPECT_EQ(text(ctl::编辑框1), "");
}

// The mode shown is the mode that runs: B is a click on the backup radio button.
TEST_F(WindowCommandsTest, TheBackupKeyChoosesBackupModeAsAClickDoes) {
    ASSERT_TRUE(windows.pressKey(kMain, 'B'));
    EXPECT_EQ(prop(ctl::备份单选框, Prop::Checked), 1);
    EXPECT_EQ(prop(ctl::还原单选框, Prop::Checked), 0);
    EXPECT_EQ(text(ctl::打开1), "保存(&S)");
    EXPECT_EQ(text(ctl::编辑框1), "E:\\Ghost\\G_WinXP.gho");
    EXPECT_EQ(prop(ctl::压缩组合框, Prop::Visible), 1);
}

TEST_F(WindowCommandsTest, WithNeitherModeCheckedNothingIsAppliedButOkFollowsTheInputs) {
    windows.select(kMain, ctl::列表框1, 1);
    windows.setText(kMain, ctl::编辑框1, "D:\\a.gho");
    windows.setProp(kMain, ctl::还原单选框, Prop::Checked, 0);
    app.dispatch(kMain, cmd::mode_refresh, 0);
    EXPECT_EQ(text(ctl::编辑框1), "D:\\a.gho");
    EXPECT_EQ(app.state.selectedDrive, "D");
    EXPECT_EQ(prop(ctl::确定, Prop::Enabled), 1);
}

// The letter comes from the drive list the entries were made of, never from
// an entry's text.
TEST_F(WindowCommandsTest, ThePartitionLetterIsTheDriveOfTheSelectedEntry) {
    ASSERT_TRUE(windows.select(kMain, ctl::列表框1, 2));
    EXPECT_EQ(app.state.selectedDrive, "E");
    ASSERT_TRUE(windows.select(kMain, ctl::列表框1, 1));
    EXPECT_EQ(app.state.selectedDrive, "D");
    windows.listAdd(kMain, ctl::列表框1, "  F:   1   2   3");  // not a drive the list was made of
    ASSERT_TRUE(windows.select(kMain, ctl::列表框1, 3));
    EXPECT_EQ(app.state.selectedDrive, "");
}

TEST_F(WindowCommandsTest, OkNeedsAPartition) {
    windows.listClear(kMain, ctl::列表框1);
    ASSERT_TRUE(windows.click(kMain, ctl::备份单选框));
    EXPECT_EQ(app.state.selectedDrive, "");
    EXPECT_EQ(text(ctl::编辑框1), "E:\\Ghost\\G_WinXP.gho");
    EXPECT_EQ(prop(ctl::确定, Prop::Enabled), 0);
}

TEST_F(WindowCommandsTest, TheKeyYReachesTheJobWhetherOrNotOkIsEnabled) {
    ASSERT_EQ(prop(ctl::确定, Prop::Enabled), 0);
    EXPECT_FALSE(windows.click(kMain, ctl::确定));
    const size_t before = windows.messages().size() + windows.dialogs().size() + machine.commands().size();
    ASSERT_TRUE(windows.pressKey(kMain, 'Y'));
    // The job command answered (it refuses a restore without an image).
    EXPECT_GT(windows.messages().size() + windows.dialogs().size() + machine.commands().size(), before);
}

TEST_F(WindowCommandsTest, CustomGhostBoxOpensAndEmptiesThePathBox) {
    ASSERT_TRUE(windows.click(kMain, ctl::自定义选择框));
    EXPECT_EQ(prop(ctl::编辑框2, Prop::Enabled), 1);
    EXPECT_EQ(prop(ctl::编辑框2, Prop::BackColor), 0xFFFFFF);
    EXPECT_EQ(prop(ctl::打开2, Prop::Enabled), 1);

    windows.queueFileDialog(ctl::通用对话框3, Text("E:\\tools\\ghost.exe"));
    ASSERT_TRUE(windows.click(kMain, ctl::打开2));
    EXPECT_EQ(text(ctl::编辑框2), "E:\\tools\\ghost.exe");
    ASSERT_EQ(windows.dialogs().size(), 1u);
    EXPECT_EQ(windows.dialogs()[0].initialFolder, "E:\\");

    ASSERT_TRUE(windows.click(kMain, ctl::自定义选择框));
    EXPECT_EQ(prop(ctl::编辑框2, Prop::Enabled), 0);
    EXPECT_EQ(prop(ctl::编辑框2, Prop::BackColor), 0xECECEC);
    EXPECT_EQ(prop(ctl::打开2, Prop::Enabled), 0);
    EXPECT_EQ(text(ctl::编辑框2), "");
    ASSERT_TRUE(windows.click(kMain, ctl::自定义选择框));
    EXPECT_EQ(text(ctl::编辑框2), "");

    // A cancelled dialog puts back the last confirmed choice.
    ASSERT_TRUE(windows.click(kMain, ctl::打开2));
    EXPECT_EQ(text(ctl::编辑框2), "E:\\tools\\ghost.exe");
}

TEST_F(WindowCommandsTest, TheKeyPBrowsesEvenWhileTheButtonIsDisabled) {
    ASSERT_TRUE(windows.pressKey(kMain, 'P'));  // cancelled before any choice
    ASSERT_EQ(windows.dialogs().size(), 1u);
    EXPECT_EQ(windows.dialogs()[0].control, ctl::通用对话框3);
    EXPECT_EQ(text(ctl::编辑框2), "");
}

TEST_F(WindowCommandsTest, ManualGhostLocksTheModeAndOffersGhost32) {
    ASSERT_TRUE(windows.click(kMain, ctl::手动选择框));
    EXPECT_EQ(prop(ctl::还原单选框, Prop::Enabled), 0);
    EXPECT_EQ(prop(ctl::备份单选框, Prop::Enabled), 0);
    EXPECT_EQ(prop(ctl::G选择框, Prop::Enabled), 1);
    EXPECT_EQ(prop(ctl::还原单选框, Prop::Checked), 1);
    EXPECT_FALSE(windows.click(kMain, ctl::备份单选框));
    // Nor does the key change the locked mode.
    ASSERT_TRUE(windows.pressKey(kMain, 'B'));
    EXPECT_EQ(prop(ctl::备份单选框, Prop::Checked), 0);
    EXPECT_EQ(text(ctl::打开1), "打开(&F)");

    ASSERT_TRUE(windows.click(kMain, ctl::手动选择框));
    EXPECT_EQ(prop(ctl::还原单选框, Prop::Enabled), 1);
    EXPECT_EQ(prop(ctl::备份单选框, Prop::Enabled), 1);
    EXPECT_EQ(prop(ctl::G选择框, Prop::Enabled), 0);
}

TEST_F(WindowCommandsTest, HelpButtonsShowTheirTexts) {
    ASSERT_TRUE(windows.click(kMain, ctl::解答按钮));
    ASSERT_TRUE(windows.click(kMain, ctl::解答按钮1));
    ASSERT_TRUE(windows.click(kMain, ctl::解答按钮2));
    const auto& m = windows.messages();
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].text,
              "Trivex（英文名 Trivex System Backup & Restore）是一款在Windows中准备Ghost备份与还原任务的"
              "系统备份还原工具。该软件能够完整而快速地复制备份、还原整个硬盘或单一分区。");
    EXPECT_EQ(m[1].text,
              "1、最佳方案：完成操作系统及各种驱动的安装后，将常用的软件（如杀毒、媒体播放软件、office办公软件等）"
              "安装到系统所在盘，接着安装操作系统和常用软件的各种升级补丁，然后优化系统，最后你就在Dos下做系统盘的"
              "克隆备份了，注意备份盘的大小不能小于系统盘！");
    EXPECT_EQ(m[2].text,
              "当电脑出现故障时只要用镜像恢复就可以快速排除软件方面的问题。如果故障仍在，那十之八九是硬件问题。 "
              "那么这个时候就能使用我的免费版Trivex");
    for (const auto& box : m) {
        EXPECT_EQ(box.caption, "信息：");
        EXPECT_EQ(box.style, unsigned(kMbTaskModal));
    }
}

TEST_F(WindowCommandsTest, TheNoticeOpensWithTheProgramsNameAndWhatItIs) {
    EXPECT_EQ(windows.getText(kMain, ctl::透明标签10).rfind("Trivex 系统备份还原工具，免费使用。\r\n", 0), 0u);
}

TEST_F(WindowCommandsTest, ContactOpensTheAddressQuietly) {
    ASSERT_TRUE(windows.click(kMain, ctl::解答按钮3));
    ASSERT_EQ(machine.webAddresses().size(), 1u);
    EXPECT_EQ(machine.webAddresses()[0], kContactAddress);
    EXPECT_TRUE(windows.messages().empty());
}

}  // namespace
}  // namespace trivex
