// The details of a chosen image: name, size and date texts and the image
// path, on the simulated machine.
#include <gtest/gtest.h>

#include "app/app.h"
#include "discovery/details.h"
#include "platform/sim/sim.h"
#include "platform/text.h"
#include "ui/names.h"

namespace trivex {
namespace {

using sim::SimMachine;
constexpr WindowId kMain = WindowId::Main;
constexpr uint64_t GB = 1ull << 30;

TEST(ImageTexts, SizeInMBOf1024000BytesRoundedDown) {
    EXPECT_EQ(imageSizeText(4095000000), "镜像大小：3999MB");
    EXPECT_EQ(imageSizeText(1023999), "镜像大小：0MB");
    EXPECT_EQ(imageSizeText(1024000), "镜像大小：1MB");
    EXPECT_EQ(imageSizeText(-1), "镜像大小：");  // no such file: no size
    EXPECT_EQ(imageSizeText(int64_t(5) << 40), "镜像大小：5368709MB");  // 5 TiB: no 32-bit wrap
}

TEST(ImageTexts, DateWithoutLeadingZeros) {
    EXPECT_EQ(imageDateText(text::dateFromParts({2016, 3, 5, 9, 7, 0})), "创建日期：2016年3月5日9:7");
    EXPECT_EQ(imageDateText(text::dateFromParts({2009, 12, 31, 23, 59, 0})), "创建日期：2009年12月31日23:59");
    EXPECT_EQ(imageDateText(kNoDate), "创建日期：");
}

class DetailsTest : public ::testing::Test {
protected:
    DetailsTest() {
        machine.onCommand("C:\\fqs.bat", "磁盘 0        含有3\r\n");
        machine.addDrive('C', 40 * GB, 20 * GB);
        machine.addDrive('D', 80 * GB, 60 * GB);
    }
    void SetUp() override { ASSERT_TRUE(machine.openWindow(kMain, false)); }
    Text text(const char* control) { return machine.getText(kMain, control); }

    SimMachine machine;
    App app{machine};
};

TEST_F(DetailsTest, ChoosingAFoundImageDescribesItAndMakesItTheJobsImage) {
    machine.addFile("D:\\备份\\系统.gho", Text(2048000 + 5, 'x'), kAttrArchive,
                    text::dateFromParts({2016, 3, 5, 9, 7, 0}));
    machine.addFile("D:\\other.gho", "x");
    ASSERT_TRUE(machine.click(kMain, ctl::搜索按钮));
    ASSERT_EQ(machine.listItem(kMain, ctl::列表框2, 1), "D:\\备份\\系统.gho");
    EXPECT_EQ(machine.getProp(kMain, ctl::确定, Prop::Enabled), 0);

    ASSERT_TRUE(machine.select(kMain, ctl::列表框2, 1));
    EXPECT_EQ(text(ctl::透明标签2), "镜像名称：系统.gho");
    EXPECT_EQ(text(ctl::编辑框1), "D:\\备份\\系统.gho");
    EXPECT_EQ(text(ctl::透明标签3), "镜像大小：2MB");
    EXPECT_EQ(text(ctl::透明标签4), "创建日期：2016年3月5日9:7");
    // The labels lie outside the window: the status bar shows the choice.
    EXPECT_EQ(machine.panelText(kMain, ctl::状态条1, 1), "系统.gho  镜像大小：2MB  创建日期：2016年3月5日9:7");
    EXPECT_EQ(machine.getProp(kMain, ctl::确定, Prop::Enabled), 1);
}

TEST_F(DetailsTest, AnImageThatIsGoneIsSaidToBeMissingWithoutSizeOrDate) {
    machine.addFile("D:\\gone.gho", "x");
    ASSERT_TRUE(machine.click(kMain, ctl::搜索按钮));
    machine.removeTree("D:\\gone.gho");
    ASSERT_TRUE(machine.select(kMain, ctl::列表框2, 0));
    EXPECT_EQ(text(ctl::编辑框1), "D:\\gone.gho");
    EXPECT_EQ(text(ctl::透明标签2), "镜像名称：gone.gho");
    EXPECT_EQ(text(ctl::透明标签3), "镜像大小：");
    EXPECT_EQ(text(ctl::透明标签4), "创建日期：");
    EXPECT_EQ(machine.panelText(kMain, ctl::状态条1, 1), "找不到镜像文件：D:\\gone.gho");
    EXPECT_TRUE(machine.messages().empty());
}

TEST_F(DetailsTest, BackupModeKeepsTheResultsAndAChoiceStillReplacesThePath) {
    machine.addFile("D:\\a.gho", "x");
    ASSERT_TRUE(machine.click(kMain, ctl::搜索按钮));
    ASSERT_TRUE(machine.click(kMain, ctl::备份单选框));
    EXPECT_EQ(machine.getProp(kMain, ctl::搜索按钮, Prop::Enabled), 0);
    EXPECT_EQ(machine.listCount(kMain, ctl::列表框2), 1);
    EXPECT_EQ(text(ctl::编辑框1), "E:\\Ghost\\G_WinXP.gho");
    ASSERT_TRUE(machine.select(kMain, ctl::列表框2, 0));
    EXPECT_EQ(text(ctl::编辑框1), "D:\\a.gho");
}

TEST_F(DetailsTest, AnEntryWithoutABackslashIsItsOwnName) {
    machine.listAdd(kMain, ctl::列表框2, "loose.gho");
    ASSERT_TRUE(machine.select(kMain, ctl::列表框2, 0));
    EXPECT_EQ(text(ctl::透明标签2), "镜像名称：loose.gho");
    // A trail byte 0x5C is no backslash: "乗" (81 5C) stays in the name.
    machine.listAdd(kMain, ctl::列表框2, "D:\\x\\乗.gho");
    ASSERT_TRUE(machine.select(kMain, ctl::列表框2, 1));
    EXPECT_EQ(text(ctl::透明标签2), "镜像名称：乗.gho");
}

}  // namespace
}  // namespace trivex
