// Ghost is handed only what the user chose: the partition numbers are the
// ones the system confirms, the image is a Ghost image that ghost.bat can
// name, a backup asks before it overwrites or runs short, and the restart
// that follows is asked for and reported.
#include "job/partitions.h"
#include "tests/host/job_test.h"

namespace trivex::testing_job {
namespace {

using namespace job;

constexpr uint64_t kGB = 1ull << 30;

DiskPartition part(uint8_t type, uint64_t startGB, bool logical, int slot) {
    return {type, startGB * kGB, kGB, logical, slot};
}
DiskPlace place(uint32_t disk, std::vector<DiskPartition> parts, size_t at) {
    DiskPlace d;
    d.disk = disk;
    d.partitions = std::move(parts);
    d.start = d.partitions[at].start;
    return d;
}

class PartitionCheckTest : public JobTest {
protected:
    // A restore of E:\Ghost\G_WinXP.gho onto C: on the machine's layouts.
    // Its Ghost command line; empty when no job was prepared.
    Text ghostBat() {
        machine.setText(kMain, ctl::编辑框1, kRestoreImage);
        prepare();
        return ghostCommandLine();
    }
    void layout(const std::vector<DiskPartition>& parts, size_t c, size_t e, uint32_t eDisk = 0) {
        machine.setDrivePlace('C', place(0, parts, c));
        machine.setDrivePlace('E', place(eDisk, parts, e));
    }
    size_t questions() const {
        size_t n = 0;
        for (const sim::MessageRecord& m : machine.messages())
            n += (m.style & 0xF) == 1 && m.text.find("演示") == Text::npos;  // not the demo build's
        return n;
    }
};

TEST_F(PartitionCheckTest, TheStandardLayoutKeepsTodaysCommandLine) {
    EXPECT_EQ(ghostBat(), "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\G_WinXP.gho:1,dst=1:1  -sure -rb");
    // All primary, in table and disk order.
    undoJob(machine);
    layout({part(7, 0, false, 0), part(7, 41, false, 1), part(7, 122, false, 2)}, 0, 2);
    EXPECT_NE(ghostBat(), "");
    EXPECT_EQ(questions(), 0u);
    EXPECT_TRUE(told().empty());
}

struct Layout {
    const char* name;
    std::vector<DiskPartition> parts;
    size_t c, e;
    uint32_t eDisk;
    const char* says;  // what the refusal must name
};

class PartitionRefusalTest : public PartitionCheckTest, public ::testing::WithParamInterface<Layout> {};

TEST_P(PartitionRefusalTest, GhostIsNeverHandedAnotherPartition) {
    const Layout& l = GetParam();
    layout(l.parts, l.c, l.e, l.eDisk);
    const std::string before = disk();
    prepareRestoreJob();
    EXPECT_EQ(disk(), before);
    ASSERT_EQ(told().size(), 1u);
    EXPECT_NE(told()[0].find(l.says), Text::npos) << told()[0];
}

const Layout kLayouts[] = {
    // A vendor's hidden recovery partition before C:: C: is Ghost's 1:2.
    {"RecoveryPartitionFirst", {part(0x27, 0, false, 0), part(7, 10, false, 1), part(7, 41, true, 0), part(7, 122, true, 1)},
     1, 3, 0, "C: 盘按盘符对照表是 Ghost 分区 1:1，但系统报告它是第一块硬盘上的第 2 个分区（1:2）"},
    // Windows 7's 100 MB system partition before C:.
    {"Windows7SystemPartitionFirst", {part(7, 0, false, 0), part(7, 1, false, 1), part(7, 60, false, 2)},
     1, 2, 0, "第 2 个分区（1:2）"},
    // The image's drive on the second disk.
    {"ImageOnTheSecondDisk", {part(7, 0, false, 0), part(7, 41, false, 1), part(7, 122, false, 2)},
     0, 2, 1, "E: 盘按盘符对照表是 Ghost 分区 1:3，但系统报告它在磁盘 1 上"},
    // Logical drives whose letters are out of order: E: is the first logical drive.
    {"LogicalDrivesOutOfOrder", {part(7, 0, false, 0), part(7, 41, true, 0), part(7, 122, true, 1)},
     0, 1, 0, "E: 盘按盘符对照表是 Ghost 分区 1:3，但系统报告它是第一块硬盘上的第 2 个分区（1:2）"},
    // Table slots out of disk order: nobody can tell which one Ghost takes.
    {"TableOutOfDiskOrder", {part(7, 100, false, 0), part(7, 0, false, 1), part(7, 200, false, 2)},
     0, 2, 0, "硬盘分区表的顺序与分区在硬盘上的先后不一致"},
};

INSTANTIATE_TEST_SUITE_P(Layouts, PartitionRefusalTest, ::testing::ValuesIn(kLayouts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PartitionCheckTest, WhenTheSystemCannotSayTheUserIsAskedWithTheExactNumbers) {
    machine.forgetDrivePlace('E');  // a folder drive, say
    const std::string before = disk();
    machine.queueAnswer(kBtnCancel);
    prepareRestoreJob();
    EXPECT_EQ(disk(), before);
    ASSERT_EQ(questions(), 1u);
    const Text& q = machine.messages().back().text;
    EXPECT_NE(q.find("C: = 硬盘 1 分区 1（1:1）"), Text::npos) << q;
    EXPECT_NE(q.find("E: = 硬盘 1 分区 3（1:3）"), Text::npos) << q;
    EXPECT_TRUE(told().empty());

    machine.queueAnswer(kBtnOk);
    prepareRestoreJob();
    EXPECT_EQ(ghostCommandLine(), "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\G_WinXP.gho:1,dst=1:1  -sure -rb");
    // Agreed once in this run, the same numbers are not asked about again; other numbers are.
    prepareRestoreJob();
    EXPECT_EQ(questions(), 2u);
    machine.addFile("D:\\a.gho", kImageBytes);
    machine.forgetDrivePlace('D');
    machine.setText(kMain, ctl::编辑框1, "D:\\a.gho");
    machine.queueAnswer(kBtnCancel);
    prepare();
    EXPECT_EQ(questions(), 3u);
}

TEST_F(PartitionCheckTest, OnlyAGhostImageIsRestoredAndOnlyAPathGhostBatCanCarry) {
    const std::pair<Text, Text> images[] = {
        {"E:\\Ghost\\G_WinXP.gho", "E:\\Ghost\\G_WinXP.gho"},          // a backup's 20-byte placeholder
        {"E:\\Ghost\\zero.gho", Text(4096, '\0')},                      // no signature
        {"E:\\Ghost\\short.gho", "\xFE\xEF" + Text(100, 'x')},          // too small
    };
    for (const auto& [path, bytes] : images) {
        machine.addFile(path, bytes);
        machine.setText(kMain, ctl::编辑框1, path);
        prepare();
        ASSERT_FALSE(told().empty());
        EXPECT_NE(told().back().find("不是 Ghost 映像"), Text::npos) << told().back();
        EXPECT_NE(told().back().find(path), Text::npos) << told().back();
    }
    const Text paths[] = {"E:\\My Images\\a.gho", "E:\\100%\\a.gho", "E:\\a,b.gho", "E:\\a?.gho",
                          "E:\\" + Text(70, 'x') + "\\a.gho"};
    for (const Text& path : paths) {
        machine.addFile(path, kImageBytes);
        machine.setText(kMain, ctl::编辑框1, path);
        prepare();
        EXPECT_NE(told().back().find("映像文件路径 " + path), Text::npos) << path << ": " << told().back();
    }
    EXPECT_FALSE(anyJobFile());
    EXPECT_FALSE(redirected());
    // A GBK path of reasonable length is fine.
    machine.addFile("E:\\备份\\系统.gho", kImageBytes);
    machine.setText(kMain, ctl::编辑框1, "E:\\备份\\系统.gho");
    prepare();
    EXPECT_NE(machine.content(kGhostBat)->find("src=1:3\\备份\\系统.gho:1"), Text::npos);
}

TEST_F(PartitionCheckTest, ABackupAsksBeforeItOverwritesAnImageOrRunsShort) {
    // The key B chooses backup mode for real: a Y then prepares a backup.
    ASSERT_TRUE(machine.pressKey(kMain, 'B'));
    app.state.selectedDrive = "C";  // the partition list is not filled here
    machine.addFile(kRestoreImage, kImageBytes);  // last month's backup
    machine.queueAnswer(kBtnCancel);
    ASSERT_TRUE(machine.pressKey(kMain, 'Y'));
    EXPECT_FALSE(redirected());
    ASSERT_EQ(questions(), 1u);
    EXPECT_NE(machine.messages().back().text.find(kRestoreImage + " 已经存在"), Text::npos);

    machine.queueAnswer(kBtnOk);
    ASSERT_TRUE(machine.pressKey(kMain, 'Y'));
    EXPECT_EQ(ghostCommandLine(), "Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:3\\Ghost\\G_WinXP.gho -sure -fro -rb -z1");
    EXPECT_EQ(machine.content(kRestoreImage), kImageBytes);  // Ghost replaces it, not the program
    undoJob(machine);

    // The placeholder of the image file button is not asked about; too little room is.
    machine.addFile(kRestoreImage, kRestoreImage);
    machine.addDrive('E', 80 * kGB, 10 * kGB);  // C: has 20 GB in use
    machine.queueAnswer(kBtnCancel);
    ASSERT_TRUE(machine.pressKey(kMain, 'Y'));
    EXPECT_FALSE(redirected());
    EXPECT_NE(machine.messages().back().text.find("E: 盘只有 10240 MB 可用空间"), Text::npos)
        << machine.messages().back().text;
    EXPECT_NE(machine.messages().back().text.find("已用 20480 MB"), Text::npos);
    EXPECT_EQ(questions(), 3u);
}

TEST_F(PartitionCheckTest, ARefusedRestartIsToldAndTheJobStays) {
    machine.refuseShutdown();
    answerRestartPrompt(ctl::按钮1);
    prepareRestoreJob();
    EXPECT_EQ(machine.shutdowns().size(), 1u);
    EXPECT_TRUE(machine.windowVisible(kMain));
    EXPECT_TRUE(redirected());
    EXPECT_TRUE(machine.exists(kVemoImg));
    ASSERT_EQ(told().size(), 1u);
    EXPECT_NE(told()[0].find("拒绝了重启"), Text::npos);
    EXPECT_NE(machine.panelText(kMain, ctl::状态条1, 1).find("任务已准备好"), Text::npos);
}

}  // namespace
}  // namespace trivex::testing_job
