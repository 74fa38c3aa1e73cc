// The drive list: which drives from C: upward it holds, how an entry reads,
// and sizes that no longer fit 32 bits or six digits.
#include <gtest/gtest.h>

#include "app/app.h"
#include "app/discovery_commands.h"
#include "app/lifecycle.h"
#include "discovery/drives.h"
#include "tests/support/sim_machine.h"
#include "tests/support/test_toolkit.h"
#include "ui/names.h"

namespace trivex {
namespace {

using sim::SimMachine;
constexpr WindowId kMain = WindowId::Main;
constexpr uint64_t KB = 1024, MB = 1024 * KB, GB = 1024 * MB, TB = 1024 * GB;
const Text kGap = "\t";  // the list's tab stops stand under the headings

class DrivesTest : public ::testing::Test {
protected:
    DrivesTest() {
        machine.onCommand("C:\\fqs.bat", "磁盘 0        含有3\r\n");
        machine.addDrive('C', 40 * GB, 20 * GB);
    }
    void start() { ASSERT_TRUE(windows.openWindow(kMain, false)); }
    std::vector<Text> entries() {
        std::vector<Text> out;
        for (int i = 0; i < windows.listCount(kMain, ctl::列表框1); ++i)
            out.push_back(windows.listItem(kMain, ctl::列表框1, i));
        return out;
    }

    SimMachine machine;
    sim::TestToolkit windows;
    App app{machine, windows};
};

TEST_F(DrivesTest, AnEntryGivesUsedFreeAndTotalInWholeMB) {
    machine.removeDrive('C');
    machine.addDrive('C', 20971519 * KB, 15728639 * KB);
    start();
    ASSERT_EQ(entries().size(), 1u);
    // No line end: a list box would draw CR and LF as two boxes.
    EXPECT_EQ(entries()[0], "  C:" + kGap + "5120" + kGap + "15359" + kGap + "20479");
    // The headings say the figures' unit.
    EXPECT_EQ(windows.getText(kMain, ctl::透明标签7), "已用空间(M)");
    EXPECT_EQ(windows.getText(kMain, ctl::透明标签8), "可用空间(M)");
    EXPECT_EQ(windows.getText(kMain, ctl::透明标签9), "总大小(M)");
}

TEST_F(DrivesTest, TheRunEndsAtTheFirstMissingLetter) {
    machine.addDrive('D', 80 * GB, 60 * GB);
    machine.addDrive('E', 80 * GB, 60 * GB);
    machine.addDrive('G', 80 * GB, 60 * GB);  // after the gap at F: never looked at
    start();
    const std::vector<Text> e = entries();
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].substr(0, 4), "  C:");
    EXPECT_EQ(e[1].substr(0, 4), "  D:");
    EXPECT_EQ(e[2].substr(0, 4), "  E:");
    EXPECT_EQ(app.state.driveCount, "3");
    EXPECT_EQ(app.state.lastDriveLetter, "E");
}

TEST_F(DrivesTest, ADriveWithLessThanOneMBFreeEndsTheRunButIsTheLastLetter) {
    machine.addDrive('D', 80 * GB, MB - 1);
    machine.addDrive('E', 80 * GB, 60 * GB);
    start();
    ASSERT_EQ(entries().size(), 1u);
    EXPECT_EQ(app.state.driveCount, "1");
    EXPECT_EQ(app.state.lastDriveLetter, "D");
    // The backed-up check therefore looks on D:.
    machine.addFile("D:\\Ghost\\G_WinXP.gho", "\xFE\xEF" + Text(1022, 'g'));
    backedUpCheck(app);
    EXPECT_EQ(windows.panelText(kMain, ctl::状态条1, 1), "本系统已做备份，备份时注意覆盖原镜像！");
}

TEST_F(DrivesTest, ExactlyOneMBFreeIsEnough) {
    machine.addDrive('D', 80 * GB, MB);
    start();
    ASSERT_EQ(entries().size(), 2u);
    EXPECT_EQ(entries()[1], "  D:" + kGap + "81919" + kGap + "1" + kGap + "81920");
}

TEST_F(DrivesTest, SizesOfSevenDigitsAreWrittenWhole) {
    // 1,500,000 MB total, 1,250,000 MB free: no size is cut to six digits.
    machine.addDrive('D', 1500000 * MB, 1250000 * MB);
    start();
    EXPECT_EQ(entries()[1], "  D:" + kGap + "250000" + kGap + "1250000" + kGap + "1500000");
}

TEST_F(DrivesTest, DrivesOfTwoTiBAndMoreShowTheirTrueSize) {
    machine.addDrive('D', 3 * TB, 2 * TB + 512 * GB);      // both above the 32-bit KB range
    machine.addDrive('E', 2 * TB, 2 * TB - 64 * MB);       // exactly 2^31 KB total
    start();
    const std::vector<Text> e = entries();
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[1], "  D:" + kGap + "524288" + kGap + "2621440" + kGap + "3145728");
    EXPECT_EQ(e[2], "  E:" + kGap + "64" + kGap + "2097088" + kGap + "2097152");
}

TEST_F(DrivesTest, EveryLetterPresentEndsAfterZ) {
    for (char l = 'D'; l <= 'Z'; ++l) machine.addDrive(l, 10 * GB, 5 * GB);
    start();
    EXPECT_EQ(entries().size(), 24u);
    EXPECT_EQ(app.state.driveCount, "24");
    EXPECT_EQ(app.state.lastDriveLetter, "Z");
}

TEST_F(DrivesTest, EnumeratingAgainStartsFromAnEmptyList) {
    machine.addDrive('D', 80 * GB, 60 * GB);
    start();
    machine.removeDrive('D');
    showDrives(app);
    EXPECT_EQ(entries().size(), 1u);
    EXPECT_EQ(app.state.driveCount, "1");
    EXPECT_EQ(app.state.lastDriveLetter, "C");
}

}  // namespace
}  // namespace trivex
