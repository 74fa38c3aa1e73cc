// What the last job did, told at the next start from the outcome record the
// DOS side left on the image's drive: in the status bar, a failure or an
// outcome nobody confirmed in a message box too, each record once. Only what
// the record confirms is told as done: a restore with Ghost's exit code 0, a
// backup with exit code 0, a passed check of the new image, and the image.
#include "job/outcome.h"
#include "job/record.h"
#include "job/tokens.h"
#include "platform/text.h"
#include "tests/host/job_test.h"

namespace trivex::testing_job {
namespace {

using namespace job;

const Text kPrepared = "2026-12-07 18:43:30";
// Computed when used: the date arithmetic's epoch is itself set up when the
// program starts, in another file.
double preparedDate() { return text::dateFromParts({2026, 12, 7, 18, 43, 30}); }
double nextMorning() { return text::dateFromParts({2026, 12, 8, 9, 0, 0}); }

class OutcomeTest : public ::testing::Test, public JobRig {
protected:
    OutcomeTest() { machine.onCommand("C:\\fqs.bat", "磁盘 0        含有3\r\n"); }

    // The outcome copy of a finished job, with what the DOS side appended.
    void leaveOutcome(JobKind kind, const Text& dosLines, const Text& image = kRestoreImage,
                      const Text& token = "0123456789ABCDEF") {
        JobRecord r;
        r.token = token;
        r.outcomeCopy = true;
        r.kind = kind;
        r.prepared = kPrepared;
        r.image = image;
        r.wrote = {"grldr", "ghost.bat", "ghost.exe", "vemo.img"};
        r.targetDrive = 'C';
        r.target = {"8C3A-12F0", "NTFS", "42949672960", "1:1"};
        r.imageVolume = {"5E5E-0003", "FAT32", "85899345920", "1:3"};
        ASSERT_TRUE(keepToken(machine, token));  // a job of this machine's
        machine.addFile("E:\\TRIVEX.OUT", recordText(r) + dosLines);
    }
    bool has(const Text& text, const Text& part) const { return text.find(part) != Text::npos; }
};

TEST_F(OutcomeTest, ABackupThatWroteItsImageIsToldAsDoneAndTheRecordGoes) {
    const Text image = "E:\\Ghost\\Backup.gho";
    leaveOutcome(JobKind::Backup, "dos=found\r\nvolumes=found 1:1 1:3\r\nghost=started\r\nghost=exit 0\r\nimage-check=0\r\n", image);
    machine.addFile(image, "\xFE\xEF" + Text(2048000 * 3, 'g'), kAttrArchive, nextMorning());
    nextStart();
    EXPECT_EQ(status(), "上次备份已完成（2026年12月7日 18:43 准备的任务）：" + image + "，6 MB。");
    EXPECT_TRUE(toldSinceStart().empty());
    EXPECT_FALSE(machine.exists("E:\\TRIVEX.OUT"));
}

// Ghost said nothing wrong, but the image is missing, is no Ghost image, or
// is older than the job: the backup did not happen, and the user is told.
TEST_F(OutcomeTest, ABackupWithoutAGoodNewImageIsAFailureWhateverTheRecordSays) {
    const Text image = "E:\\Ghost\\Backup.gho";
    const struct {
        std::function<void(SimMachine&)> leave;
        Text says;
    } cases[] = {
        {[](SimMachine&) {}, "找不到映像文件"},
        {[&](SimMachine& m) { m.addFile(image, image, kAttrArchive, nextMorning()); }, "不是 Ghost 映像"},
        {[&](SimMachine& m) { m.addFile(image, "\xFE\xEF" + Text(4096, 'g'), kAttrArchive, preparedDate() - 1); },
         "没有被写过"},
    };
    for (const auto& c : cases) {
        machine.removeTree(image);
        c.leave(machine);
        leaveOutcome(JobKind::Backup, "dos=found\r\nghost=exit 0\r\nimage-check=0\r\n", image);
        nextStart();
        EXPECT_TRUE(has(status(), "上次备份失败")) << status();
        ASSERT_EQ(toldSinceStart().size(), 1u) << c.says;
        EXPECT_TRUE(has(toldSinceStart()[0], c.says)) << toldSinceStart()[0];
        // Told once: the next start says nothing more.
        nextStart();
        EXPECT_TRUE(toldSinceStart().empty());
        EXPECT_FALSE(has(status(), "上次备份"));
    }
}

// Every record as it reads: the status bar's words, and whether a message
// box tells it too (a failure, or an outcome nobody confirmed).
TEST_F(OutcomeTest, EveryRecordIsToldAsItWas) {
    const Text when = "（2026年12月7日 18:43 准备的任务）";
    const Text notRestored = "为免 Ghost 写错分区，Ghost 没有运行，什么也没有还原。";
    const Text checkRestore = "请检查 Windows 是否已是映像中的状态；如果不能确定，请重新还原。";
    const Text checkBackup = "请检查映像文件 " + kRestoreImage + " 是否存在、大小和修改时间是否合理；最好重新备份一次。";
    const Text noReturn = "后没有再留下记录：可能是 Ghost 运行时计算机断电、死机或被关机重启，也可能是 Ghost 停在某个画面等待按键。";
    const struct {
        JobKind kind;
        Text lines;
        Text status;  // the whole sentence, or a part of it
        bool box;
    } cases[] = {
        {JobKind::Restore, "dos=found\r\nvolumes=found 1:1 1:3\r\nghost=started\r\nghost=exit 0\r\n",
         "上次还原已完成" + when + "：已用 " + kRestoreImage + " 还原系统分区，Ghost 没有报告错误。", false},
        // Ghost started and nothing after it: a cut, a hang, a Ghost that waits
        // for a key. Records of earlier versions (Ghost restarted by itself) too.
        {JobKind::Restore, "dos=found\r\nvolumes=found 1:1 1:3\r\nghost=started\r\n",
         "无法确认上次还原已完成" + when + "：Ghost 开始还原" + noReturn + checkRestore, true},
        {JobKind::Restore, "dos=found\r\nghost=started\r\n", "无法确认上次还原已完成" + when, true},
        {JobKind::Backup, "dos=found\r\nvolumes=found 1:1 1:3\r\nghost=started\r\n",
         "无法确认上次备份已完成" + when + "：Ghost 开始备份" + noReturn + checkBackup, true},
        {JobKind::Backup, "dos=found\r\nghost=started\r\nghost=exit 0\r\n",
         "无法确认上次备份已完成" + when + "：Ghost 完成了备份，但随后对新映像的完整性检查没有完成（计算机断电、"
         "死机或被关机重启，或检查停在某个画面）。" + checkBackup, true},
        {JobKind::Backup, "dos=found\r\nghost=started\r\nghost=exit 0\r\nimage-check=25\r\n",
         "上次备份失败" + when + "：Ghost 完成了备份，但新映像 " + kRestoreImage +
             " 没有通过 Ghost 的完整性检查（Ghost 返回代码 25），不能用它还原。请重新备份。", true},
        // The DOS side could not write the outcome (an NTFS image drive).
        {JobKind::Restore, "dos=found\r\ndos=unrecorded\r\n", "无法确认上次还原已完成" + when + "：映像所在的分区在 DOS 下只能通过 NTFS 驱动读写", true},
        {JobKind::Backup, "dos=found\r\ndos=unrecorded\r\n", "无法确认上次备份已完成", true},
        // Ghost did not run: the volumes gave no sure numbers.
        {JobKind::Restore, "dos=found\r\nvolumes=none 2\r\n",
         "上次还原失败" + when + "：重启后在 DOS 下按卷序列号确认分区时，有两个分区的卷序列号相同（例如克隆出来的硬盘），"
         "无法确定是哪一个。" + notRestored, true},
        {JobKind::Restore, "dos=found\r\nvolumes=none 3\r\n", "有一块硬盘无法读取，分区可能就在上面。", true},
        {JobKind::Restore, "dos=found\r\nvolumes=none 4\r\n", "有一块硬盘的分区表损坏，或其扩展分区链接成了循环。", true},
        {JobKind::Backup, "dos=found\r\nvolumes=none 1\r\n", "在所有硬盘上都找不到。为免 Ghost 写错分区，Ghost 没有运行，什么也没有备份。", true},
        {JobKind::Restore, "dos=found\r\nvolumes=none 5\r\n", "GPT 硬盘", true},
        {JobKind::Restore, "dos=found\r\nvolumes=none 6\r\n", "分区表的顺序与分区在硬盘上的先后不一致", true},
        {JobKind::Restore, "dos=found\r\nvolumes=none 7\r\n", "读不到卷序列号", true},
        {JobKind::Restore, "dos=found\r\nvolumes=none 10\r\n", "分区前面有空的表项", true},
        {JobKind::Restore, "dos=found\r\nvolumes=none 11\r\n", "DOS 不认识文件系统的分区", true},
        {JobKind::Restore, "dos=found\r\nvolumes=none 12\r\n", "扇区不是 512 字节", true},
        {JobKind::Backup, "dos=found\r\nvolumes=same 1:2 1:2\r\n",
         "上次备份失败" + when + "：重启后在 DOS 下按卷序列号找到的要备份或还原的分区和映像所在的分区是同一个分区（1:2）。", true},
        {JobKind::Restore, "dos=found\r\nvolumes=none\r\n", "查找分区的程序没有正常运行。", true},
        {JobKind::Restore, "dos=found\r\nvolumes=differ 1:2 1:3\r\n",
         "上次还原失败" + when + "：重启后在 DOS 下按卷序列号找到的是 1:2（要备份或还原的分区）和 1:3（映像所在的分区），"
         "与 Windows 中预期的 1:1 和 1:3 不一致（硬盘:分区，“+”表示启动硬盘之后的硬盘，“?”表示不知道）。" + notRestored, true},
        {JobKind::Restore, "dos=found\r\nghost=started\r\nghost=exit 10\r\n", "代码 10", true},
        {JobKind::Restore, "dos=found\r\nghost=check-failed 25\r\n", "系统分区没有被改动", true},
        {JobKind::Restore, "dos=found\r\nghost=started\r\nghost=exit 1 \r\n", "操作被取消", true},
        {JobKind::Backup, "dos=found\r\nghost=started\r\nghost=exit 23\r\n", "没有生成可用的映像", true},
        {JobKind::Backup, "dos=found\r\ndos=no-ram\r\n", "无法建立内存盘", true},
        {JobKind::Restore, "dos=found\r\ndos=no-menu\r\n", "无法恢复启动菜单", true},
        {JobKind::Restore, "dos=found\r\nvolumes=found 1:1 1:3\r\n", "在 Ghost 开始还原之前就停止了", true},
        {JobKind::Restore, "", "没有留下任何结果记录", true},
    };
    for (const auto& c : cases) {
        leaveOutcome(c.kind, c.lines);
        nextStart();
        EXPECT_TRUE(has(status(), c.status)) << c.lines << status();
        ASSERT_EQ(toldSinceStart().size(), c.box ? 1u : 0u) << c.lines;
        if (c.box) {
            EXPECT_EQ(toldSinceStart()[0], status());
        }
        EXPECT_FALSE(machine.exists("E:\\TRIVEX.OUT")) << c.lines;
    }
}

TEST_F(OutcomeTest, AJobThatStillWaitsKeepsItsOutcomeCopy) {
    windows.setText(kMain, ctl::编辑框1, kRestoreImage);
    prepare();
    ASSERT_TRUE(machine.exists("E:\\TRIVEX.OUT"));
    nextStart();
    EXPECT_TRUE(machine.exists("E:\\TRIVEX.OUT"));
    EXPECT_FALSE(has(status(), "上次"));
    // Named instead: a restore that waits, in the status bar and a box.
    EXPECT_TRUE(has(status(), "有一个还原任务正在等待")) << status();
    ASSERT_EQ(toldSinceStart().size(), 1u);
    EXPECT_EQ(toldSinceStart()[0], status());
}

// An outcome that arrives while the program runs (or one that could not be
// removed at start) is told before an undo or a new job.
TEST_F(OutcomeTest, UndoAndANewJobTellAnUnreadOutcomeFirst) {
    nextStart();
    leaveOutcome(JobKind::Restore, "dos=found\r\nghost=check-failed 25\r\n");
    windows.post([this] { windows.click(kUndoPrompt, ctl::按钮1); });
    windows.pressKey(kMain, 'U');
    windows.processPendingMessages();
    ASSERT_EQ(toldSinceStart().size(), 1u);
    EXPECT_TRUE(has(toldSinceStart()[0], "完整性检查"));

    leaveOutcome(JobKind::Backup, "dos=found\r\nghost=exit 23\r\n", kRestoreImage, "FEDCBA9876543210");
    windows.setText(kMain, ctl::编辑框1, kRestoreImage);
    prepare();
    ASSERT_GE(toldSinceStart().size(), 2u);
    EXPECT_TRUE(has(toldSinceStart()[1], "上次备份失败")) << toldSinceStart()[1];
    EXPECT_TRUE(redirected());
}

// The DOS side took the job and could not run it (no RAM drive): the job is
// still on C:, and goes with the news, in one message.
TEST_F(OutcomeTest, AJobTheDosSideDidNotRunIsToldAndTakenBack) {
    windows.setText(kMain, ctl::编辑框1, kRestoreImage);
    prepare();
    ASSERT_TRUE(redirected());
    // What the DOS side did before it gave up: the menu back, the outcome noted.
    ASSERT_TRUE(machine.replaceFile(job::kBootBak, job::kBootIni));
    const Text outcome = *machine.content("E:\\TRIVEX.OUT");
    machine.addFile("E:\\TRIVEX.OUT", outcome + "dos=found\r\ndos=no-ram\r\n");
    nextStart();
    ASSERT_EQ(toldSinceStart().size(), 1u);
    EXPECT_TRUE(has(toldSinceStart()[0], "无法建立内存盘")) << toldSinceStart()[0];
    EXPECT_TRUE(has(toldSinceStart()[0], "已撤回")) << toldSinceStart()[0];
    EXPECT_FALSE(anyJobFile());
    EXPECT_FALSE(machine.exists("C:\\TRIVEX.JOB"));
    EXPECT_FALSE(machine.exists("E:\\TRIVEX.OUT"));
    EXPECT_EQ(machine.content(job::kBootIni), kXpBootIni);
}

}  // namespace
}  // namespace trivex::testing_job
