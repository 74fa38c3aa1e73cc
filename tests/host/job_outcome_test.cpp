// What the last job did, told at the next start from the outcome record the
// DOS side left on the image's drive: in the status bar, a failure in a
// message box too, each record once. A backup is believed only with its image.
#include "job/outcome.h"
#include "job/record.h"
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
        machine.addFile("E:\\TRIVEX.JOB", recordText(r) + dosLines);
    }
    void start() {
        windows.closeWindow(kMain);
        windows.processPendingMessages();
        from = windows.messages().size();
        apps.push_back(std::make_unique<App>(machine, windows));
        ASSERT_TRUE(windows.openWindow(kMain, false));
        windows.processPendingMessages();
    }
    Text status() { return windows.panelText(kMain, ctl::状态条1, 1); }
    std::vector<Text> boxes() const {
        std::vector<Text> out;
        for (size_t i = from; i < windows.messages().size(); ++i) out.push_back(windows.messages()[i].text);
        return out;
    }
    bool has(const Text& text, const Text& part) const { return text.find(part) != Text::npos; }

    size_t from = 0;
    std::vector<std::unique_ptr<App>> apps;
};

TEST_F(OutcomeTest, ABackupThatWroteItsImageIsToldAsDoneAndTheRecordGoes) {
    const Text image = "E:\\Ghost\\Backup.gho";
    leaveOutcome(JobKind::Backup, "dos=found\r\nghost=started\r\n", image);
    machine.addFile(image, "\xFE\xEF" + Text(2048000 * 3, 'g'), kAttrArchive, nextMorning());
    start();
    EXPECT_EQ(status(), "上次备份已完成（2026年12月7日 18:43 准备的任务）：" + image + "，6 MB。");
    EXPECT_TRUE(boxes().empty());
    EXPECT_FALSE(machine.exists("E:\\TRIVEX.JOB"));
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
        leaveOutcome(JobKind::Backup, "dos=found\r\nghost=exit 0\r\n", image);
        start();
        EXPECT_TRUE(has(status(), "上次备份失败")) << status();
        ASSERT_EQ(boxes().size(), 1u) << c.says;
        EXPECT_TRUE(has(boxes()[0], c.says)) << boxes()[0];
        // Told once: the next start says nothing more.
        start();
        EXPECT_TRUE(boxes().empty());
        EXPECT_FALSE(has(status(), "上次备份"));
    }
}

TEST_F(OutcomeTest, EveryOtherOutcomeSaysWhatHappened) {
    const struct {
        JobKind kind;
        Text lines;
        Text status;
        bool failure;
    } cases[] = {
        {JobKind::Restore, "dos=found\r\nghost=started\r\n", "上次还原已完成", false},
        {JobKind::Restore, "dos=found\r\nghost=started\r\nghost=exit 10\r\n", "代码 10", true},
        {JobKind::Restore, "dos=found\r\nghost=check-failed 25\r\n", "系统分区没有被改动", true},
        {JobKind::Restore, "dos=found\r\nghost=started\r\nghost=exit 1 \r\n", "操作被取消", true},
        {JobKind::Backup, "dos=found\r\nghost=started\r\nghost=exit 23\r\n", "没有生成可用的映像", true},
        {JobKind::Backup, "dos=found\r\ndos=no-ram\r\n", "无法建立内存盘", true},
        {JobKind::Restore, "dos=found\r\ndos=no-menu\r\n", "无法恢复启动菜单", true},
        {JobKind::Restore, "dos=found\r\n", "在 Ghost 运行之前就停止了", true},
        {JobKind::Restore, "", "没有留下任何结果记录", true},
    };
    for (const auto& c : cases) {
        leaveOutcome(c.kind, c.lines);
        start();
        EXPECT_TRUE(has(status(), c.status)) << c.lines << status();
        EXPECT_EQ(boxes().size(), c.failure ? 1u : 0u) << c.lines;
        EXPECT_FALSE(machine.exists("E:\\TRIVEX.JOB")) << c.lines;
    }
}

TEST_F(OutcomeTest, AJobThatStillWaitsKeepsItsOutcomeCopy) {
    windows.setText(kMain, ctl::编辑框1, kRestoreImage);
    prepare();
    ASSERT_TRUE(machine.exists("E:\\TRIVEX.JOB"));
    start();
    EXPECT_TRUE(machine.exists("E:\\TRIVEX.JOB"));
    EXPECT_FALSE(has(status(), "上次"));
    // Named instead: a restore that waits, in the status bar and a box.
    EXPECT_TRUE(has(status(), "有一个还原任务正在等待")) << status();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0], status());
}

// An outcome that arrives while the program runs (or one that could not be
// removed at start) is told before an undo or a new job.
TEST_F(OutcomeTest, UndoAndANewJobTellAnUnreadOutcomeFirst) {
    start();
    leaveOutcome(JobKind::Restore, "dos=found\r\nghost=check-failed 25\r\n");
    windows.post([this] { windows.click(kUndoPrompt, ctl::按钮1); });
    windows.pressKey(kMain, 'U');
    windows.processPendingMessages();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_TRUE(has(boxes()[0], "完整性检查"));

    leaveOutcome(JobKind::Backup, "dos=found\r\nghost=exit 23\r\n", kRestoreImage, "FEDCBA9876543210");
    windows.setText(kMain, ctl::编辑框1, kRestoreImage);
    prepare();
    ASSERT_GE(boxes().size(), 2u);
    EXPECT_TRUE(has(boxes()[1], "上次备份失败")) << boxes()[1];
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
    const Text outcome = *machine.content("E:\\TRIVEX.JOB");
    machine.addFile("E:\\TRIVEX.JOB", outcome + "dos=found\r\ndos=no-ram\r\n");
    start();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_TRUE(has(boxes()[0], "无法建立内存盘")) << boxes()[0];
    EXPECT_TRUE(has(boxes()[0], "已撤回")) << boxes()[0];
    EXPECT_FALSE(anyJobFile());
    EXPECT_FALSE(machine.exists("C:\\TRIVEX.JOB"));
    EXPECT_FALSE(machine.exists("E:\\TRIVEX.JOB"));
    EXPECT_EQ(machine.content(job::kBootIni), kXpBootIni);
}

// On an NTFS image drive the DOS side can say no more than that it handed
// the job to Ghost: a backup is judged by its image, a restore is not known.
TEST_F(OutcomeTest, AnOutcomeTheDosSideCouldNotRecordIsJudgedByWhatCanBeSeen) {
    leaveOutcome(JobKind::Restore, "dos=found\r\ndos=unrecorded\r\n");
    start();
    EXPECT_TRUE(has(status(), "无法记下结果")) << status();
    EXPECT_TRUE(boxes().empty());
    const Text image = "E:\\Ghost\\Backup.gho";
    leaveOutcome(JobKind::Backup, "dos=found\r\ndos=unrecorded\r\n", image, "FEDCBA9876543210");
    start();
    EXPECT_TRUE(has(status(), "上次备份失败")) << status();
    ASSERT_EQ(boxes().size(), 1u);
}

}  // namespace
}  // namespace trivex::testing_job
