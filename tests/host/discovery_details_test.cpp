// The details of a chosen image: name, size and date texts and the image
// path, on the simulated machine.
#include <gtest/gtest.h>

#include "app/app.h"
#include "discovery/details.h"
#include "tests/support/sim_machine.h"
#include "tests/support/test_toolkit.h"
#include "platform/text.h"
#include "ui/catalogue.h"
#include "ui/names.h"

namespace trivex {
namespace {

using sim::SimMachine;
constexpr WindowId kMain = WindowId::Main;
constexpr uint64_t GB = 1ull << 30;

TEST(ImageTexts, SizeInMBOf1024000BytesRoundedDown) {
    EXPECT_EQ(say::imageSize(4095000000), "镜像大小：3999MB");
    EXPECT_EQ(say::imageSize(1023999), "镜像大小：0MB");
    EXPECT_EQ(say::imageSize(1024000), "镜像大小：1MB");
    EXPECT_EQ(say::imageSize(-1), "镜像大小：");  // no such file: no size
    EXPECT_EQ(say::imageSize(int64_t(5) << 40), "镜像大小：5368709MB");  // 5 TiB: no 32-bit wrap
}

TEST(ImageTexts, DateWithoutLeadingZeros) {
    EXPECT_EQ(say::imageDate(text::dateFromParts({2016, 3, 5, 9, 7, 0})), "创建日期：2016年3月5日9:7");
    EXPECT_EQ(say::imageDate(text::dateFromParts({2009, 12, 31, 23, 59, 0})), "创建日期：2009年12月31日23:59");
    EXPECT_EQ(say::imageDate(kNoDate), "创建日期：");
}

class DetailsTest : public ::testing::Test {
protected:
    DetailsTest() {
        machine.onCommand("C:\\fqs.bat", "磁盘 0        含有3\r\n");
        machine.addDrive('C', 40 * GB, 20 * GB);
        machine.addDrive('D', 80 * GB, 60 * GB);
    }
    void SetUp() override { ASSERT_TRUE(windows.openWindow(kMain, false)); }
    Text text(const char* control) { return windows.getText(kMain, control); }

    SimMachine machine;
    sim::TestToolkit windows;
    App app{machine, windows};
};

TEST_F(DetailsTest, ChoosingAFoundImageDescribesItAndMakesItTheJobsImage) {
    machine.addFile("D:\\备份\\系统.gho", Text(2048000 + 5, 'x'), kAttrArchive,
                    text::dateFromParts({2016, 3, 5, 9, 7, 0}));
    machine.addFile("D:\\other.gho", "x");
    ASSERT_TRUE(windows.click(kMain, ctl::搜索按钮));
    ASSERT_EQ(windows.listItem(kMain, ctl::列表框2, 1), "D:\\备份\\系统.gho");
    EXPECT_EQ(windows.getProp(kMain, ctl::确定, Prop::Enabled), 0);

    ASSERT_TRUE(windows.select(kMain, ctl::列表框2, 1));
    EXPECT_EQ(text(ctl::透明标签2), "镜像名称：系统.gho");
    EXPECT_EQ(text(ctl::编辑框1), "D:\\备份\\系统.gho");
    EXPECT_EQ(text(ctl::透明标签3), "镜像大小：2MB");
    EXPECT_EQ(text(ctl::透明标签4), "创建日期：2016年3月5日9:7");
    // The labels lie outside the window: the status bar shows the choice.
    EXPECT_EQ(windows.panelText(kMain, ctl::状态条1, 1), "系统.gho  镜像大小：2MB  创建日期：2016年3月5日9:7");
    EXPECT_EQ(windows.getProp(kMain, ctl::确定, Prop::Enabled), 1);
}

TEST_F(DetailsTest, AnImageThatIsGoneIsSaidToBeMissingWithoutSizeOrDate) {
    machine.addFile("D:\\gone.gho", "x");
    ASSERT_TRUE(windows.click(kMain, ctl::搜索按钮));
    machine.removeTree("D:\\gone.gho");
    ASSERT_TRUE(windows.select(kMain, ctl::列表框2, 0));
    EXPECT_EQ(text(ctl::编辑框1), "D:\\gone.gho");
    EXPECT_EQ(text(ctl::透明标签2), "镜像名称：gone.gho");
    EXPECT_EQ(text(ctl::透明标签3), "镜像大小：");
    EXPECT_EQ(text(ctl::透明标签4), "创建日期：");
    EXPECT_EQ(windows.panelText(kMain, ctl::状态条1, 1), "找不到镜像文件：D:\\gone.gho");
    EXPECT_TRUE(windows.messages().empty());
}

TEST_F(DetailsTest, BackupModeKeepsTheResultsAndAChoiceStillReplacesThePath) {
    machine.addFile("D:\\a.gho", "x");
    ASSERT_TRUE(windows.click(kMain, ctl::搜索按钮));
    ASSERT_TRUE(windows.click(kMain, ctl::备份单选框));
    EXPECT_EQ(windows.getProp(kMain, ctl::搜索按钮, Prop::Enabled), 0);
    EXPECT_EQ(windows.listCount(kMain, ctl::列表框2), 1);
    EXPECT_EQ(text(ctl::编辑框1), "E:\\Ghost\\G_WinXP.gho");
    ASSERT_TRUE(windows.select(kMain, ctl::列表框2, 0));
    EXPECT_EQ(text(ctl::编辑框1), "D:\\a.gho");
}

TEST_F(DetailsTest, AnEntryWithoutABackslashIsItsOwnName) {
    EXPECT_EQ(imageDetails(machine, "loose.gho").name, "loose.gho");
    // A trail byte 0x5C is no backslash: "乗" (81 5C) stays in the name.
    EXPECT_EQ(imageDetails(machine, "D:\\x\\乗.gho").name, "乗.gho");
}

}  // namespace
}  // namespace trivex
