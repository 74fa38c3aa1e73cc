// The program from start to end on the simulated machine: start-up state,
// the timer, every way the main window closes, and the restart prompt.
#include <gtest/gtest.h>

#include "app/app.h"
#include "app/lifecycle.h"
#include "app/prompts.h"
#include "tests/support/sim_machine.h"
#include "tests/support/test_toolkit.h"
#include "ui/layout.h"
#include "ui/names.h"

namespace trivex {
namespace {

using sim::SimMachine;
constexpr WindowId kMain = WindowId::Main;
constexpr WindowId kRestart = WindowId::RestartPrompt;

class AppTest : public ::testing::Test {
protected:
    AppTest() {
        machine.addDrive('C', 40ull << 30, 20ull << 30);
        machine.addDrive('D', 80ull << 30, 60ull << 30);
        machine.addDrive('E', 80ull << 30, 60ull << 30);
        // The partition-count probe finds three partitions on disk 0.
        machine.onCommand("C:\\fqs.bat", "磁盘 0        含有3\r\n");
    }
    void start() { ASSERT_TRUE(windows.openWindow(kMain, false)); }

    SimMachine machine;
    sim::TestToolkit windows;
    App app{machine, windows};
};

TEST_F(AppTest, StartsInRestoreModeWithDefaultsAndGhost32Disabled) {
    start();
    EXPECT_TRUE(windows.windowVisible(kMain));
    EXPECT_EQ(windows.getProp(kMain, ctl::还原单选框, Prop::Checked), 1);
    EXPECT_EQ(windows.getProp(kMain, ctl::备份单选框, Prop::Checked), 0);
    for (const char* box : {ctl::手动选择框, ctl::G选择框, ctl::CRC选择框, ctl::自定义选择框})
        EXPECT_EQ(windows.getProp(kMain, box, Prop::Checked), 0) << box;
    EXPECT_EQ(windows.getProp(kMain, ctl::G选择框, Prop::Enabled), 0);
    EXPECT_EQ(windows.getProp(kMain, ctl::编辑框2, Prop::Enabled), 0);
    EXPECT_EQ(windows.getProp(kMain, ctl::打开2, Prop::Enabled), 0);
    EXPECT_EQ(windows.getProp(kMain, ctl::编辑框2, Prop::BackColor), 0xECECEC);
    EXPECT_EQ(windows.getProp(kMain, ctl::标签6, Prop::Visible), 0);
    EXPECT_EQ(windows.getProp(kMain, ctl::压缩组合框, Prop::CurrentIndex), 0);
    EXPECT_EQ(windows.getText(kMain, ctl::压缩组合框), "快速压缩");
    EXPECT_EQ(windows.getProp(kMain, ctl::时钟1, Prop::Interval), 5000);
    EXPECT_EQ(windows.panelText(kMain, ctl::状态条1, 0), "友情提示：");
    EXPECT_TRUE(windows.strayControls().empty());
}

TEST_F(AppTest, BackedUpCheckLooksForTheImageFileOnTheLastDrive) {
    start();
    app.state.lastDriveLetter = "E";
    backedUpCheck(app);
    EXPECT_EQ(windows.panelText(kMain, ctl::状态条1, 1), "尚未用本软件备份系统，请及时备份镜像！");

    // A folder of that name is no backup.
    machine.addFolder("E:\\Ghost\\G_WinXP.gho");
    backedUpCheck(app);
    EXPECT_EQ(windows.panelText(kMain, ctl::状态条1, 1), "尚未用本软件备份系统，请及时备份镜像！");

    // Nor is the placeholder the save dialog leaves (it holds its own path),
    // or any file without the Ghost image signature.
    machine.removeTree("E:\\Ghost\\G_WinXP.gho");
    machine.addFile("E:\\Ghost\\G_WinXP.gho", "E:\\Ghost\\G_WinXP.gho");
    backedUpCheck(app);
    EXPECT_EQ(windows.panelText(kMain, ctl::状态条1, 1), "尚未用本软件备份系统，请及时备份镜像！");
    machine.addFile("E:\\Ghost\\G_WinXP.gho", Text(4096, 'x'));
    backedUpCheck(app);
    EXPECT_EQ(windows.panelText(kMain, ctl::状态条1, 1), "尚未用本软件备份系统，请及时备份镜像！");

    machine.removeTree("E:\\Ghost\\G_WinXP.gho");
    machine.addFile("e:\\ghost\\g_winxp.GHO", "\xFE\xEF" + Text(4094, 'g'));
    backedUpCheck(app);
    EXPECT_EQ(windows.panelText(kMain, ctl::状态条1, 1), "本系统已做备份，备份时注意覆盖原镜像！");

    // No drive enumerated: the path has no letter and nothing is found.
    app.state.lastDriveLetter.clear();
    backedUpCheck(app);
    EXPECT_EQ(windows.panelText(kMain, ctl::状态条1, 1), "尚未用本软件备份系统，请及时备份镜像！");
}

TEST_F(AppTest, TimerTickRearmsTheTimer) {
    start();
    windows.setProp(kMain, ctl::时钟1, Prop::Interval, 10);
    ASSERT_TRUE(windows.tick(kMain, ctl::时钟1));
    EXPECT_EQ(windows.getProp(kMain, ctl::时钟1, Prop::Interval), 5000);
}

// Every way out removes the probe script and ends the message loop.
class ExitTest : public AppTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ExitTest, EndsTheProgramAndRemovesTheProbeScript) {
    start();
    machine.addFile("C:\\fqs.bat", "@echo off");
    const std::string how = GetParam();
    if (how == "esc") { ASSERT_TRUE(windows.pressKey(kMain, 0x1B)); }
    if (how == "key X") { ASSERT_TRUE(windows.pressKey(kMain, 'X')); }
    if (how == "exit button") { ASSERT_TRUE(windows.click(kMain, ctl::退出)); }
    if (how == "close box") { ASSERT_TRUE(windows.closeBox(kMain)); }
    windows.runMessageLoop();
    EXPECT_FALSE(windows.windowExists(kMain));
    EXPECT_FALSE(machine.exists("C:\\fqs.bat"));
    EXPECT_EQ(windows.pendingMessages(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Ways, ExitTest, ::testing::Values("esc", "key X", "exit button", "close box"));

TEST_F(AppTest, DestroyIgnoresAMissingProbeScript) {
    start();
    windows.closeWindow(kMain);
    windows.runMessageLoop();
    EXPECT_FALSE(windows.windowExists(kMain));
}

TEST_F(AppTest, ShortcutsThatCheckBoxesDoNotRunTheirCommands) {
    start();
    // G checks the Ghost32 box even while it is disabled, without writing anything.
    ASSERT_TRUE(windows.pressKey(kMain, 'G'));
    EXPECT_EQ(windows.getProp(kMain, ctl::G选择框, Prop::Checked), 1);
    EXPECT_FALSE(machine.exists("E:\\Ghost32.exe"));
    ASSERT_TRUE(windows.pressKey(kMain, 'M'));
    EXPECT_EQ(windows.getProp(kMain, ctl::手动选择框, Prop::Checked), 1);
    EXPECT_EQ(windows.getProp(kMain, ctl::还原单选框, Prop::Enabled), 1);
    // A key outside the table does nothing.
    ASSERT_TRUE(windows.pressKey(kMain, 'Q'));
    EXPECT_TRUE(windows.windowExists(kMain));
    EXPECT_TRUE(windows.messages().empty());
}

// The restart prompt, shown the way a prepared job shows it.
class RestartPromptTest : public AppTest {
protected:
    void SetUp() override {
        start();
        machine.addFile("C:\\fqs.bat", "@echo off");
    }
};

TEST_F(RestartPromptTest, YesRestartsWithoutForceAndEndsTheProgram) {
    for (auto answer : {+[](sim::TestToolkit& w) { w.pressKey(WindowId::RestartPrompt, 'Y'); },
                        +[](sim::TestToolkit& w) { w.click(WindowId::RestartPrompt, ctl::按钮1); }}) {
        SimMachine machine2;
        sim::TestToolkit windows2;
        App app2{machine2, windows2};
        ASSERT_TRUE(windows2.openWindow(kMain, false));
        windows2.post([&] { answer(windows2); });
        showRestartPrompt(app2);
        // Asked of the system, not forced: programs may keep their unsaved work.
        EXPECT_EQ(machine2.restarts(), 1);
        windows2.runMessageLoop();
        EXPECT_FALSE(windows2.windowExists(kMain));
        EXPECT_FALSE(windows2.windowExists(kRestart));
    }
}

TEST_F(RestartPromptTest, NoEndsTheProgramWithoutRestart) {
    windows.post([&] { windows.pressKey(kRestart, 'N'); });
    showRestartPrompt(app);
    EXPECT_EQ(machine.restarts(), 0);
    windows.runMessageLoop();
    EXPECT_FALSE(windows.windowExists(kMain));
    EXPECT_FALSE(machine.exists("C:\\fqs.bat"));
}

TEST_F(RestartPromptTest, CancelButtonIsNo) {
    windows.post([&] { windows.click(kRestart, ctl::按钮2); });
    showRestartPrompt(app);
    EXPECT_EQ(machine.restarts(), 0);
    windows.runMessageLoop();
    EXPECT_FALSE(windows.windowExists(kMain));
}

TEST_F(RestartPromptTest, EscBringsTheMainWindowBack) {
    windows.post([&] {
        EXPECT_FALSE(windows.windowVisible(kMain));
        EXPECT_TRUE(windows.windowVisible(kRestart));
        windows.pressKey(kRestart, 0x1B);
    });
    showRestartPrompt(app);
    EXPECT_EQ(machine.restarts(), 0);
    EXPECT_FALSE(windows.windowExists(kRestart));
    EXPECT_TRUE(windows.windowExists(kMain));
    EXPECT_TRUE(windows.windowVisible(kMain));
    EXPECT_TRUE(machine.exists("C:\\fqs.bat"));
}

TEST_F(RestartPromptTest, OtherKeysAndTheMissingCloseBoxDoNothing) {
    windows.post([&] {
        EXPECT_TRUE(windows.pressKey(kRestart, 'Q'));
        EXPECT_FALSE(windows.closeBox(kRestart));
        EXPECT_TRUE(windows.windowExists(kRestart));
        windows.pressKey(kRestart, 'N');
    });
    showRestartPrompt(app);
    EXPECT_EQ(machine.restarts(), 0);
    EXPECT_EQ(windows.escapesPressed(), 0);
}

TEST_F(AppTest, UndoPromptCancelOnlyClosesThePrompt) {
    start();
    windows.post([&] { windows.click(WindowId::UndoPrompt, ctl::按钮2); });
    windows.openWindow(WindowId::UndoPrompt, true);
    EXPECT_FALSE(windows.windowExists(WindowId::UndoPrompt));
    EXPECT_TRUE(windows.windowExists(kMain));
    EXPECT_EQ(windows.escapesPressed(), 0);
    EXPECT_FALSE(windows.closeBox(WindowId::UndoPrompt));
}

// The layout tables themselves: what the Win32 side relies on to build windows.
TEST(LayoutTest, ChildrenSitInsideTheirGroupBoxesAndEveryEventHasACommand) {
    for (WindowId id : {WindowId::Main, WindowId::RestartPrompt, WindowId::UndoPrompt}) {
        const ui::WindowLayout& layout = ui::layoutOf(id);
        for (size_t i = 0; i < layout.count; ++i) {
            const ui::Control& c = layout.controls[i];
            EXPECT_EQ(ui::findControl(layout, c.name), &c) << "duplicate name " << c.name;
            EXPECT_EQ(c.event == ui::Event::None, c.command == nullptr) << c.name;
            if (!c.parent) continue;
            const ui::Control* box = ui::findControl(layout, c.parent);
            ASSERT_NE(box, nullptr) << c.name;
            EXPECT_EQ(box->kind, ui::Kind::GroupBox) << c.name;
            EXPECT_LT(box - layout.controls, static_cast<std::ptrdiff_t>(i))
                << "a group box comes before its children: " << c.name;
            EXPECT_LE(c.x + c.w, box->w + 8) << c.name;
            EXPECT_LE(c.y + c.h, box->h) << c.name;
        }
    }
}

}  // namespace
}  // namespace trivex
