// The simulated machine's own rules that other tests rely on: what the
// simulated user can and cannot do, the message queue and modal windows,
// scripted processes, dialogs and injected faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/disk.h"
#include "platform/sim/sim.h"
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
    SimMachine sim;
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

TEST(SimMachine, ScriptedProcessesDialogsAndMessageBoxes) {
    SimMachine sim;
    sim.addDrive('C', 1 << 30, 1 << 29);
    sim.addFile("C:\\boot.ini", "menu", kAttrHidden | kAttrSystem | kAttrReadOnly);
    sim.onCommand("attrib C:\\boot.ini -r -h -s", "",
                  [](SimMachine& m) { m.setAttributes("C:\\boot.ini", 0); });
    EXPECT_FALSE(sim.runCommandLine("E:\\Ghost32.exe"));
    EXPECT_TRUE(sim.runCommandLine("attrib C:\\boot.ini -r -h -s", false, 9));
    EXPECT_EQ(sim.attributes("C:\\boot.ini"), kAttrNormal);
    ASSERT_EQ(sim.commands().size(), 2u);
    EXPECT_EQ(sim.commands()[1].style, 6);

    const Text output = Text(5000, 'x') + Text(1, '\0') + "cut";
    int processed = 0;
    sim.onCommand("C:\\fqs.bat", output);
    std::function<void()> count = [&] { ++processed; };
    for (int i = 0; i < 3; ++i) sim.post(count);
    EXPECT_EQ(sim.runAndCapture("C:\\fqs.bat"), Text(5000, 'x'));
    EXPECT_EQ(processed, 3) << "messages are processed while the output is read";
    EXPECT_EQ(sim.runAndCapture("unknown"), "");

    sim.queueAnswer(kBtnYes);
    EXPECT_EQ(sim.messageBox("a"), kBtnYes);
    EXPECT_EQ(sim.messageBox("b", kMbSystemModal, "c"), kBtnOk);
    ASSERT_EQ(sim.messages().size(), 2u);
    EXPECT_EQ(sim.messages()[0].style, kMbTaskModal);
    EXPECT_EQ(sim.messages()[0].caption, "信息：");
    EXPECT_EQ(sim.messages()[1].style, kMbSystemModal);

    sim.openWindow(WindowId::Main, false);
    sim.queueFileDialog(ctl::通用对话框1, Text("E:\\Ghost\\a.gho"));
    sim.queueFileDialog(ctl::通用对话框1, std::nullopt);
    EXPECT_TRUE(sim.fileDialog(WindowId::Main, ctl::通用对话框1));
    EXPECT_FALSE(sim.fileDialog(WindowId::Main, ctl::通用对话框1));
    EXPECT_FALSE(sim.fileDialog(WindowId::Main, ctl::通用对话框1));
    EXPECT_EQ(sim.getTextProp(WindowId::Main, ctl::通用对话框1, Prop::FileName), "E:\\Ghost\\a.gho");

    EXPECT_FALSE(sim.shutDown(0, true));
    EXPECT_FALSE(sim.shutDown(6, true));
    EXPECT_TRUE(sim.shutDown(2, true));
    EXPECT_EQ(sim.shutdowns().size(), 1u);
}

TEST(SimMachine, FileRulesBeyondTheContract) {
    SimMachine sim;
    sim.addDrive('C', 10000, 100);
    sim.addDrive('E', 1 << 20, 1 << 20);
    // Disk full: the file keeps what fitted and the write reports failure.
    EXPECT_FALSE(sim.writeFile("C:\\grldr", {bytesOf(Text(150, 'g'))}));
    EXPECT_EQ(sim.content("C:\\grldr")->size(), 100u);
    EXPECT_EQ(freeDiskKB64(sim, "C"), 0);
    EXPECT_TRUE(sim.deleteFile("c:/GRLDR"));
    // Injected faults: once, or every time.
    sim.failOn(Op::Write, "C:\\ghost.bat");
    EXPECT_FALSE(sim.writeFile("ghost.bat", {bytesOf("x")})) << "relative to C:\\";
    EXPECT_TRUE(sim.writeFile("C:\\Ghost.bat", {bytesOf("x")}));
    sim.failOn(Op::Rename, "C:\\boot.ini", true);
    EXPECT_FALSE(sim.renameFile("C:\\Ghost.bat", "C:\\boot.ini"));
    EXPECT_FALSE(sim.renameFile("C:\\Ghost.bat", "C:\\boot.ini"));
    sim.clearFaults();
    EXPECT_TRUE(sim.renameFile("C:\\Ghost.bat", "C:\\boot.ini"));
    // Short names, and patterns that match through them.
    sim.addFile("E:\\Ghost\\backup.ghost", "x");
    sim.addFile("E:\\Ghost\\G_WinXP.gho", "x");
    EXPECT_EQ(sim.shortName("E:\\Ghost\\backup.ghost"), "BACKUP~1.GHO");
    EXPECT_EQ(sim.shortName("E:\\Ghost\\G_WinXP.gho"), "") << "already an 8.3 name";
    uintptr_t h = 0;
    DirEntry e;
    ASSERT_TRUE(sim.listFirst("E:\\Ghost\\*.gho", h, e));
    EXPECT_EQ(e.name, "backup.ghost");
    sim.listClose(h);
    // Drives of 2 TiB and more: the 32-bit count stops at its largest value.
    sim.addDrive('F', 3ull << 40, 3ull << 40);
    EXPECT_EQ(totalDiskKB(sim, "f"), INT32_MAX);
    EXPECT_EQ(totalDiskKB64(sim, "F"), int64_t{3} << 30);
    EXPECT_EQ(totalDiskKB(sim, "G"), -1);
}

}  // namespace
}  // namespace trivex::sim
