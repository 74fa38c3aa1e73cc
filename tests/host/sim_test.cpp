// The rules of the simulated machine and the test toolkit that other tests
// rely on: what the simulated user can and cannot do, the message queue and
// modal windows, scripted processes, dialogs and injected faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/support/sim_machine.h"
#include "tests/support/test_toolkit.h"
#include "ui/names.h"

namespace trivex::sim {
namespace {

// Records every command that reaches the sink as "window:command:arg".
class SimUser : public ::testing::Test {
protected:
    SimUser() {
        sim.setCommandSink([this](WindowId w, const std::string& command, int arg) {
            log.push_back(std::to_string(static_cast<int>(w)) + ":" + command + ":" + std::to_string(arg));
            if (auto it = reactions.find(command); it != reactions.end()) it->second();
        });
    }
    TestToolkit sim;
    std::vector<std::string> log;
    std::map<std::string, std::function<void()>> reactions;
};

TEST_F(SimUser, OpeningAWindowAppliesTheLayoutAndRunsItsCreatedCommand) {
    ASSERT_TRUE(sim.openWindow(WindowId::Main, false));
    EXPECT_EQ(log, (std::vector<std::string>{"0:startup:0"}));
    EXPECT_FALSE(sim.openWindow(WindowId::Main, false)) << "one window per id";
    EXPECT_EQ(sim.getProp(WindowId::Main, ctl::还原单选框, Prop::Checked), 1);
    EXPECT_EQ(sim.getProp(WindowId::Main, ctl::编辑框2, Prop::BackColor), 0xECECEC);
    EXPECT_EQ(sim.getProp(WindowId::Main, ctl::编辑框1, Prop::BackColor), 0xFFFFFF);
    EXPECT_EQ(sim.getProp(WindowId::Main, ctl::打开2, Prop::Enabled), 0);
    EXPECT_EQ(sim.getProp(WindowId::Main, ctl::压缩组合框, Prop::CurrentIndex), 0);
    EXPECT_EQ(sim.getText(WindowId::Main, ctl::压缩组合框), "快速压缩");
    EXPECT_EQ(sim.getProp(WindowId::Main, ctl::列表框1, Prop::CurrentIndex), -1);
    EXPECT_EQ(sim.getProp(WindowId::Main, ctl::时钟1, Prop::Interval), 5000);
    EXPECT_EQ(sim.getTextProp(WindowId::Main, ctl::通用对话框2, Prop::FileName), "G_WinXP.gho");
    EXPECT_EQ(sim.getTextProp(WindowId::Main, ctl::通用对话框1, Prop::InitialFolder), "E:\\Ghost");
    EXPECT_EQ(sim.panelText(WindowId::Main, ctl::状态条1, 0), "友情提示：");
    sim.setPanelText(WindowId::Main, ctl::状态条1, 2, "nowhere");
    EXPECT_EQ(sim.panelText(WindowId::Main, ctl::状态条1, 2), "");
    EXPECT_TRUE(sim.strayControls().empty());
    sim.getText(WindowId::Main, ctl::按钮1);
    EXPECT_EQ(sim.strayControls(), (std::vector<Text>{"main/按钮1"}));
}

TEST_F(SimUser, ClicksReachOnlyVisibleEnabledControls) {
    sim.openWindow(WindowId::Main, false);
    log.clear();
    EXPECT_TRUE(sim.click(WindowId::Main, ctl::备份单选框));
    EXPECT_EQ(sim.getProp(WindowId::Main, ctl::备份单选框, Prop::Checked), 1);
    EXPECT_EQ(sim.getProp(WindowId::Main, ctl::还原单选框, Prop::Checked), 0);
    EXPECT_TRUE(sim.click(WindowId::Main, ctl::手动选择框));
    EXPECT_TRUE(sim.click(WindowId::Main, ctl::手动选择框));
    EXPECT_EQ(sim.getProp(WindowId::Main, ctl::手动选择框, Prop::Checked), 0);
    EXPECT_TRUE(sim.click(WindowId::Main, ctl::CRC选择框)) << "no command bound, the box still toggles";
    EXPECT_EQ(log, (std::vector<std::string>{"0:mode_refresh:0", "0:manual_switch:0", "0:manual_switch:0"}));

    // Disabled, hidden, inside a hidden group box, in a hidden window: nothing.
    EXPECT_FALSE(sim.click(WindowId::Main, ctl::打开2));
    sim.setProp(WindowId::Main, ctl::搜索按钮, Prop::Visible, 0);
    EXPECT_FALSE(sim.click(WindowId::Main, ctl::搜索按钮));
    sim.setProp(WindowId::Main, ctl::分组框2, Prop::Enabled, 0);
    EXPECT_FALSE(sim.click(WindowId::Main, ctl::打开1));
    sim.showWindow(WindowId::Main, false);
    EXPECT_FALSE(sim.windowVisible(WindowId::Main));
    EXPECT_FALSE(sim.click(WindowId::Main, ctl::确定));
    EXPECT_FALSE(sim.pressKey(WindowId::Main, 'Y'));
    EXPECT_TRUE(sim.tick(WindowId::Main, ctl::时钟1)) << "timers tick in hidden windows";
    EXPECT_EQ(log.back(), "0:timer:0");
    // Setting a radio button's check touches that button only.
    sim.setProp(WindowId::Main, ctl::还原单选框, Prop::Checked, 1);
    EXPECT_EQ(sim.getProp(WindowId::Main, ctl::备份单选框, Prop::Checked), 1);
}

TEST_F(SimUser, SelectSetsTheCurrentItemThenRunsTheCommand) {
    sim.openWindow(WindowId::Main, false);
    EXPECT_FALSE(sim.select(WindowId::Main, ctl::列表框2, 0)) << "no items yet";
    EXPECT_EQ(sim.listAdd(WindowId::Main, ctl::列表框2, "D:\\a.gho"), 0);
    EXPECT_EQ(sim.listAdd(WindowId::Main, ctl::列表框2, "D:\\b.gho"), 1);
    std::string seen;
    reactions["image_details"] = [&] {
        seen = sim.listItem(WindowId::Main, ctl::列表框2,
                            static_cast<int>(sim.getProp(WindowId::Main, ctl::列表框2, Prop::CurrentIndex)));
    };
    EXPECT_TRUE(sim.select(WindowId::Main, ctl::列表框2, 1));
    EXPECT_EQ(seen, "D:\\b.gho");
    EXPECT_TRUE(sim.select(WindowId::Main, ctl::压缩组合框, 2));
    EXPECT_EQ(sim.getText(WindowId::Main, ctl::压缩组合框), "最高压缩");
    sim.listClear(WindowId::Main, ctl::列表框2);
    EXPECT_EQ(sim.listCount(WindowId::Main, ctl::列表框2), 0);
    EXPECT_EQ(sim.getProp(WindowId::Main, ctl::列表框2, Prop::CurrentIndex), -1);
}

TEST_F(SimUser, KeysEscapeAndTheCloseBox) {
    sim.openWindow(WindowId::Main, false);
    log.clear();
    EXPECT_TRUE(sim.pressKey(WindowId::Main, 'B'));
    EXPECT_EQ(log, (std::vector<std::string>{"0:main_key:66"}));
    EXPECT_TRUE(sim.pressKey(WindowId::Main, kVkEscape));
    EXPECT_FALSE(sim.windowExists(WindowId::Main));
    EXPECT_EQ(log.back(), "0:destroy:0");

    sim.post([&] { sim.pressKey(WindowId::RestartPrompt, 'N'); });
    reactions["restart_key"] = [&] { sim.closeWindow(WindowId::RestartPrompt); };
    sim.openWindow(WindowId::RestartPrompt, true);
    EXPECT_FALSE(sim.windowExists(WindowId::RestartPrompt));
    EXPECT_EQ(sim.escapesPressed(), 0);
    EXPECT_FALSE(sim.closeBox(WindowId::UndoPrompt)) << "not open";
    sim.openWindow(WindowId::Main, false);
    EXPECT_TRUE(sim.closeBox(WindowId::Main));
}

TEST_F(SimUser, QueueRunsWhatWasPostedBeforeInOrder) {
    std::vector<int> order;
    sim.post([&] {
        order.push_back(1);
        sim.post([&] { order.push_back(3); });
    });
    sim.post([&] { order.push_back(2); });
    sim.processPendingMessages();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    sim.processPendingMessages();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));

    // A close posted for one opening of a window does not close the next one.
    sim.openWindow(WindowId::Main, false);
    sim.closeWindow(WindowId::Main);
    sim.pressKey(WindowId::Main, kVkEscape);
    sim.openWindow(WindowId::Main, false);
    sim.processPendingMessages();
    EXPECT_TRUE(sim.windowExists(WindowId::Main));
    sim.closeWindow(WindowId::Main);
    sim.runMessageLoop();
    EXPECT_FALSE(sim.windowExists(WindowId::Main));
}

TEST_F(SimUser, AModalWindowLeftAloneIsClosedWithEscape) {
    sim.openWindow(WindowId::Main, false);
    bool mainAliveInside = false;
    reactions["undo"] = [&] {
        sim.openWindow(WindowId::UndoPrompt, true);
        mainAliveInside = sim.windowExists(WindowId::Main);
    };
    ASSERT_TRUE(sim.click(WindowId::Main, ctl::销毁按钮));
    EXPECT_FALSE(sim.windowExists(WindowId::UndoPrompt));
    EXPECT_TRUE(mainAliveInside);
    EXPECT_EQ(sim.escapesPressed(), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "2:undo_confirm:0"), 0);
}

TEST(SimMachine, ScriptedProcessesAndTheWaitHook) {
    SimMachine sim;
    sim.addDrive('C', 1 << 30, 1 << 29);
    sim.addFile("C:\\boot.ini", "menu", kAttrHidden | kAttrSystem | kAttrReadOnly);
    sim.onCommand("attrib C:\\boot.ini -r -h -s", "",
                  [](SimMachine& m) { m.setAttributes("C:\\boot.ini", 0); });
    EXPECT_FALSE(sim.startProgram("E:\\Ghost32.exe"));
    EXPECT_TRUE(sim.startProgram("attrib C:\\boot.ini -r -h -s"));
    EXPECT_EQ(sim.attributes("C:\\boot.ini"), kAttrNormal);
    ASSERT_EQ(sim.commands().size(), 2u);

    const Text output = Text(5000, 'x') + Text(1, '\0') + "cut";
    int waited = 0;
    sim.setWaitHook([&] { ++waited; });
    sim.onCommand("C:\\fqs.bat", output);
    EXPECT_EQ(sim.runAndCapture("C:\\fqs.bat"), Text(5000, 'x'));
    EXPECT_EQ(waited, 3) << "the hook runs after each read and at the end of the pipe";
    EXPECT_EQ(sim.runAndCapture("unknown"), "");

    EXPECT_TRUE(sim.restart());
    sim.refuseRestart();
    EXPECT_FALSE(sim.restart());
    EXPECT_EQ(sim.restarts(), 2);
}

TEST(TestToolkit, DialogsAndMessageBoxesAnswerFromTheScript) {
    sim::TestToolkit w;
    w.queueAnswer(kBtnYes);
    EXPECT_EQ(w.messageBox("a", 0, "信息："), kBtnYes);
    EXPECT_EQ(w.messageBox("b", kMbSystemModal, "c"), kBtnOk);
    ASSERT_EQ(w.messages().size(), 2u);
    EXPECT_EQ(w.messages()[0].style, kMbTaskModal);
    EXPECT_EQ(w.messages()[0].caption, "信息：");
    EXPECT_EQ(w.messages()[1].style, kMbSystemModal);

    w.openWindow(WindowId::Main, false);
    w.queueFileDialog(ctl::通用对话框1, Text("E:\\Ghost\\a.gho"));
    w.queueFileDialog(ctl::通用对话框1, std::nullopt);
    EXPECT_TRUE(w.fileDialog(WindowId::Main, ctl::通用对话框1));
    EXPECT_FALSE(w.fileDialog(WindowId::Main, ctl::通用对话框1));
    EXPECT_FALSE(w.fileDialog(WindowId::Main, ctl::通用对话框1));
    EXPECT_EQ(w.getTextProp(WindowId::Main, ctl::通用对话框1, Prop::FileName), "E:\\Ghost\\a.gho");
}

TEST(SimMachine, FileRulesBeyondTheContract) {
    SimMachine sim;
    sim.addDrive('C', 10000, 100);
    sim.addDrive('E', 1 << 20, 1 << 20);
    // Disk full: the file keeps what fitted and the write fails with the reason.
    const SysResult full = sim.writeFile("C:\\grldr", {bytesOf(Text(150, 'g'))});
    EXPECT_FALSE(full);
    EXPECT_EQ(full.error, kErrorDiskFull);
    EXPECT_EQ(sim.errorText(full.error), "磁盘满。");
    EXPECT_EQ(sim.content("C:\\grldr")->size(), 100u);
    uint64_t total = 0, free = 1;
    ASSERT_TRUE(sim.diskSpace('C', total, free));
    EXPECT_EQ(free, 0u);
    EXPECT_TRUE(sim.deleteFile("c:/GRLDR"));
    // Injected faults: once, or every time, with the error they give.
    sim.failOn(Op::Write, "C:\\ghost.bat");
    const SysResult denied = sim.writeFile("ghost.bat", {bytesOf("x")});
    EXPECT_FALSE(denied) << "relative to C:\\";
    EXPECT_EQ(denied.error, kErrorAccessDenied);
    EXPECT_TRUE(sim.writeFile("C:\\Ghost.bat", {bytesOf("x")}));
    sim.failOn(Op::Rename, "C:\\boot.ini", true, 0, kErrorDiskFull);
    EXPECT_EQ(sim.renameFile("C:\\Ghost.bat", "C:\\boot.ini").error, kErrorDiskFull);
    EXPECT_FALSE(sim.renameFile("C:\\Ghost.bat", "C:\\boot.ini"));
    sim.clearFaults();
    EXPECT_TRUE(sim.renameFile("C:\\Ghost.bat", "C:\\boot.ini"));
    // Short names, and patterns that match through them.
    sim.addFile("E:\\Ghost\\backup.ghost", "x");
    sim.addFile("E:\\Ghost\\G_WinXP.gho", "x");
    EXPECT_EQ(sim.shortName("E:\\Ghost\\backup.ghost"), "BACKUP~1.GHO");
    EXPECT_EQ(sim.shortName("E:\\Ghost\\G_WinXP.gho"), "") << "already an 8.3 name";
    std::vector<DirEntry> found;
    ASSERT_TRUE(sim.listFolder("E:\\Ghost\\*.gho", found));
    EXPECT_EQ(found[0].name, "backup.ghost");
}

// Each whole write takes the next temporary name that no file has: one
// there already (another's, or one a cut left) is passed over untouched.
TEST(SimMachine, AWholeWritePassesOverTakenTemporaryNames) {
    SimMachine sim;
    sim.addDrive('C', 1 << 20, 1 << 20);
    sim.addFile("C:\\TVX00001.TMP", "someone's");
    sim.addFile("C:\\TVX00002.TMP", "a cut's", kAttrReadOnly);
    sim.clearSteps();
    ASSERT_TRUE(sim.writeFileWhole("C:\\grldr", {bytesOf("loader")}));
    EXPECT_EQ(sim.steps(), (std::vector<Text>{"write C:\\TVX00003.TMP", "move C:\\TVX00003.TMP C:\\grldr"}));
    EXPECT_EQ(sim.content("C:\\TVX00001.TMP"), "someone's");
    EXPECT_EQ(sim.content("C:\\TVX00002.TMP"), "a cut's");
    EXPECT_EQ(sim.content("C:\\grldr"), "loader");
}

}  // namespace
}  // namespace trivex::sim
