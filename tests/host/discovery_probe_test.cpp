// The partition-count probe and the start-up steps around it, on the
// simulated machine: the script written and run, the count taken from its
// output, and the message shown when the probe yields nothing.
#include <gtest/gtest.h>

#include "app/app.h"
#include "discovery/probe.h"
#include "payloads/store.h"
#include "tests/support/sim_machine.h"
#include "tests/support/test_toolkit.h"
#include "ui/names.h"

namespace trivex {
namespace {

using sim::SimMachine;
constexpr WindowId kMain = WindowId::Main;
const char kProbeFailed[] = "获取磁盘分区信息失败，请重启程序";
// What the script prints for two disks, the first with three partitions
// (extended one not counted), then the pause prompt.
const char kTwoDisks[] = "磁盘 0        含有3\r\n磁盘 1        含有1\r\n请按任意键继续. . .";

TEST(PartitionCount, IsTheNumberAtPosition19) {
    EXPECT_EQ(partitionCountOf(kTwoDisks), "3");
    EXPECT_EQ(partitionCountOf("磁盘 0        含有12\r\n"), "12");  // every digit is read
    EXPECT_EQ(partitionCountOf("磁盘 0        含有10"), "10");
    EXPECT_EQ(partitionCountOf(""), "");
    EXPECT_EQ(partitionCountOf("磁盘 0        含有"), "");  // 18 bytes
    EXPECT_EQ(partitionCountOf("磁盘 0        含有 \r\n"), "");  // a space is trimmed away
}

class ProbeStartTest : public ::testing::Test {
protected:
    ProbeStartTest() {
        machine.addDrive('C', 40ull << 30, 20ull << 30);
        machine.addDrive('D', 80ull << 30, 60ull << 30);
    }
    void start() { ASSERT_TRUE(windows.openWindow(kMain, false)); }
    size_t probeFailedMessages() const {
        size_t n = 0;
        for (const auto& m : windows.messages()) n += m.text == kProbeFailed;
        return n;
    }

    SimMachine machine;
    sim::TestToolkit windows;
    App app{machine, windows};
};

TEST_F(ProbeStartTest, WritesTheScriptRunsItHiddenAndKeepsItWhileRunning) {
    machine.onCommand("C:\\fqs.bat", kTwoDisks);
    start();
    const ByteView script = payloads::data(payloads::Payload::ProbeScript);
    const auto written = machine.content("C:\\fqs.bat");
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(*written, Text(static_cast<const char*>(script.data), script.size));
    ASSERT_FALSE(machine.commands().empty());
    EXPECT_EQ(machine.commands()[0].commandLine, "C:\\fqs.bat");
    EXPECT_TRUE(machine.commands()[0].captured);
    EXPECT_EQ(app.state.partitionCount, "3");
    EXPECT_EQ(probeFailedMessages(), 0u);
    // The script goes when the window does.
    windows.pressKey(kMain, sim::kVkEscape);
    EXPECT_FALSE(machine.exists("C:\\fqs.bat"));
}

TEST_F(ProbeStartTest, NoOutputShowsTheMessageOnceAndStartUpGoesOn) {
    start();  // no script answers: the process does not start
    EXPECT_EQ(app.state.partitionCount, "");
    ASSERT_EQ(probeFailedMessages(), 1u);
    EXPECT_EQ(windows.messages()[0].caption, "信息：");
    EXPECT_EQ(windows.messages()[0].style, unsigned(kMbTaskModal));
    // The rest of start-up ran after the box was dismissed.
    EXPECT_EQ(windows.listCount(kMain, ctl::列表框1), 2);
    EXPECT_EQ(app.state.selectedDrive, "C");
    EXPECT_EQ(windows.getProp(kMain, ctl::标签6, Prop::Visible), 0);
    EXPECT_FALSE(windows.panelText(kMain, ctl::状态条1, 1).empty());
}

TEST_F(ProbeStartTest, ShortOutputCountsAsNothing) {
    machine.onCommand("C:\\fqs.bat", "请按任意键继续...");  // 17 bytes: no disk line
    start();
    EXPECT_EQ(app.state.partitionCount, "");
    EXPECT_EQ(probeFailedMessages(), 1u);
}

TEST_F(ProbeStartTest, AnyCountIsAcceptedWhateverTheNumberOfDrives) {
    // Five partitions on disk 0 but two drives listed: no message.
    machine.onCommand("C:\\fqs.bat", "磁盘 0        含有5\r\n");
    start();
    EXPECT_EQ(app.state.partitionCount, "5");
    EXPECT_EQ(app.state.driveCount, "2");
    EXPECT_EQ(probeFailedMessages(), 0u);
}

TEST_F(ProbeStartTest, WindowMessagesAreHandledWhileTheProbeRunsButNoCommandStarts) {
    // The script runs while the user clicks a help button: the window's
    // messages are handled (the drive list is not filled yet at that moment,
    // since the probe comes first), the click is not.
    int entriesSeen = -1;
    bool clicked = true;
    machine.onCommand("C:\\fqs.bat", kTwoDisks, [&](SimMachine&) {
        windows.post([&] {
            entriesSeen = windows.listCount(kMain, ctl::列表框1);
            clicked = windows.click(kMain, ctl::解答按钮);
        });
    });
    start();
    EXPECT_EQ(entriesSeen, 0);
    EXPECT_FALSE(clicked);
    EXPECT_TRUE(windows.messages().empty());
    EXPECT_EQ(windows.listCount(kMain, ctl::列表框1), 2);
}

TEST_F(ProbeStartTest, StartUpLeavesRestoreModeOnTheFirstPartition) {
    machine.onCommand("C:\\fqs.bat", kTwoDisks);
    machine.addDrive('E', 80ull << 30, 60ull << 30);
    start();
    EXPECT_EQ(windows.getProp(kMain, ctl::时钟1, Prop::Interval), 5000);
    EXPECT_EQ(windows.getProp(kMain, ctl::列表框1, Prop::CurrentIndex), 0);
    EXPECT_EQ(app.state.selectedDrive, "C");
    EXPECT_EQ(app.state.lastDriveLetter, "E");
    EXPECT_EQ(windows.getText(kMain, ctl::打开1), "打开(&F)");
    EXPECT_EQ(windows.getText(kMain, ctl::编辑框1), "");
    EXPECT_EQ(windows.getProp(kMain, ctl::压缩组合框, Prop::Visible), 0);
    EXPECT_EQ(windows.getProp(kMain, ctl::标签7, Prop::Visible), 0);
    EXPECT_EQ(windows.getProp(kMain, ctl::CRC选择框, Prop::Visible), 1);
    EXPECT_EQ(windows.getProp(kMain, ctl::搜索按钮, Prop::Enabled), 1);
    EXPECT_EQ(windows.getProp(kMain, ctl::G选择框, Prop::Enabled), 0);
    // No image chosen yet: nothing to confirm.
    EXPECT_EQ(windows.getProp(kMain, ctl::确定, Prop::Enabled), 0);
    EXPECT_EQ(windows.panelText(kMain, ctl::状态条1, 1), "尚未用本软件备份系统，请及时备份镜像！");
    EXPECT_TRUE(windows.strayControls().empty());
}

TEST_F(ProbeStartTest, BackedUpCheckLooksOnTheLastDriveOfTheRun) {
    machine.onCommand("C:\\fqs.bat", kTwoDisks);
    machine.addDrive('E', 80ull << 30, 60ull << 30);
    machine.addFile("E:\\Ghost\\G_WinXP.gho", "\xFE\xEF" + Text(1022, 'g'));
    machine.addFile("D:\\Ghost\\G_WinXP.gho", "\xFE\xEF" + Text(1022, 'g'));
    start();
    EXPECT_EQ(windows.panelText(kMain, ctl::状态条1, 1), "本系统已做备份，备份时注意覆盖原镜像！");
}

TEST_F(ProbeStartTest, WithoutDrivesNothingIsSelectedAndNoBackupIsFound) {
    machine.onCommand("C:\\fqs.bat", kTwoDisks);
    machine.removeDrive('C');
    machine.removeDrive('D');
    start();
    EXPECT_EQ(windows.listCount(kMain, ctl::列表框1), 0);
    EXPECT_EQ(app.state.driveCount, "0");
    EXPECT_EQ(app.state.lastDriveLetter, "");
    EXPECT_EQ(app.state.selectedDrive, "");
    EXPECT_EQ(windows.panelText(kMain, ctl::状态条1, 1), "尚未用本软件备份系统，请及时备份镜像！");
    EXPECT_EQ(windows.getProp(kMain, ctl::确定, Prop::Enabled), 0);
}

}  // namespace
}  // namespace trivex
