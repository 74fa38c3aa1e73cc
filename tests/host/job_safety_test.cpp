// What a job and its undo must never do: replace the user's menu with an
// older one, lose a Windows entry, delete or overwrite a file that is not
// this program's, leave the machine without a boot.ini, or take the user's
// own Ghost for the job's. Each case ends with the menu intact byte for
// byte, the user's files intact, and the user told.
#include "job/record.h"
#include "tests/host/job_test.h"

namespace trivex::testing_job {
namespace {

using namespace job;
using payloads::Payload;

const Text kSecondSystem = "multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS=\"Microsoft Windows XP Home\" /noexecute=optin";

class JobSafetyTest : public JobTest {
protected:
    // The key U: the undo button stays disabled after the first undo.
    void undo() {
        windows.post([this] { windows.click(kUndoPrompt, ctl::按钮1); });
        windows.pressKey(kMain, 'U');
        windows.processPendingMessages();
    }
    bool toldAbout(const Text& what) const {
        for (const Text& m : told())
            if (m.find(what) != Text::npos) return true;
        return false;
    }
};

TEST_F(JobSafetyTest, AMenuChangedAfterTheImageButtonIsTheOneThatComesBack) {
    saveMenu();  // boot.bak: the menu of that moment, read-only, hidden, system
    // A service pack and a second system later:
    const Text changed = "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n"
                         "[operating systems]\r\n" + kSystemLine + " /noexecute=optin\r\n" + kSecondSystem + "\r\n";
    machine.addFile(kBootIni, changed, kRhs);
    prepareRestoreJob();
    EXPECT_EQ(machine.content(kBootBak), changed);  // what the DOS side will put back
    EXPECT_TRUE(redirected());
    // The older copy can no longer be told as ours: it waits under a name of its own.
    EXPECT_EQ(machine.content("C:\\boot-1.bak"), kXpBootIni);
    ASSERT_EQ(told().size(), 1u);
    EXPECT_NE(told()[0].find("C:\\boot-1.bak"), Text::npos) << told()[0];
    undo();
    EXPECT_EQ(machine.content(kBootIni), changed);
    EXPECT_EQ(machine.attributes(kBootIni) & kRhs, kRhs);
    EXPECT_EQ(machine.content("C:\\boot-1.bak"), kXpBootIni);
    EXPECT_EQ(told().size(), 1u);
}

TEST_F(JobSafetyTest, EveryWindowsEntryStaysInTheRedirectedMenu) {
    const Text nineLines = "[boot loader]\ntimeout=30\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\n"
                           "[operating systems]\n" + kSystemLine + "\nc:\\cmdcons\\bootsect.dat=\"Recovery Console\" /cmdcons\n"
                           "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Safe\" /safeboot:minimal /sos\n"
                           "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Debug\" /debug\n" + kSecondSystem + "\n";
    machine.addFile(kBootIni, nineLines, kRhs);
    prepareRestoreJob();
    // Only the job's lines differ, each ended as the menu's lines are.
    Text redirectedMenu = nineLines;
    redirectedMenu.replace(redirectedMenu.find("timeout=30"), 10, "timeout=2");
    const Text userDefault = "default=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS";
    redirectedMenu.replace(redirectedMenu.find(userDefault), userDefault.size(), "default=C:\\grldr");
    redirectedMenu.insert(redirectedMenu.find(kSystemLine), "C:\\grldr=Trivex Ghost\n");
    EXPECT_EQ(machine.content(kBootIni), redirectedMenu);
    undo();
    EXPECT_EQ(machine.content(kBootIni), nineLines);
}

TEST_F(JobSafetyTest, AMenuThatWouldLoseWindowsIsRefusedBeforeAnythingIsWritten) {
    for (const Text& menu : {Text("\xFF\xFE[\0b\0o\0o\0t\0", 12), Text("[boot loader]\r\ntimeout=30\r\ndefault=x\r\n")}) {
        machine.addFile(kBootIni, menu, kRhs);
        const std::string before = disk();
        prepareRestoreJob();
        EXPECT_EQ(disk(), before);
        EXPECT_EQ(windows.escapesPressed(), 0);
    }
    EXPECT_EQ(told().size(), 2u);
}

TEST_F(JobSafetyTest, AUsersOwnLoaderWaitsAsideAndComesBack) {
    machine.addFile(kGrldr, "another loader", kAttrHidden | kAttrSystem);
    // Taken back after a failure...
    machine.failOn(sim::Op::Write, kVemoImg);
    prepareRestoreJob();
    EXPECT_EQ(machine.content(kGrldr), "another loader");
    EXPECT_EQ(machine.attributes(kGrldr) & kRhs, kAttrHidden | kAttrSystem);
    EXPECT_FALSE(machine.exists(kGrldrBak));
    EXPECT_EQ(machine.content(kBootIni), kXpBootIni);
    // ...and while a job is prepared, then undone.
    prepareRestoreJob();
    EXPECT_EQ(machine.content(kGrldr), payloadBytes(Payload::Loader));
    EXPECT_EQ(machine.content(kGrldrBak), "another loader");
    undo();
    EXPECT_EQ(machine.content(kGrldr), "another loader");
    EXPECT_EQ(machine.attributes(kGrldr) & kRhs, kAttrHidden | kAttrSystem);
    EXPECT_FALSE(machine.exists(kGrldrBak));
    EXPECT_EQ(told().size(), 1u);  // the failure only
}

// A job through boot.ini has no use for C:\grldr.mbr, and the DOS side
// deletes only what the job's record says it wrote: a user's own one stays
// where it is, untouched.
TEST_F(JobSafetyTest, AUsersOwnBootSectorFileIsLeftAloneOnXp) {
    machine.addFile(kGrldrMbr, "a boot sector", kAttrHidden);
    prepareRestoreJob();
    EXPECT_EQ(machine.content(kGrldrMbr), "a boot sector");
    EXPECT_FALSE(machine.exists(kGrldrMbrBak));
    const std::optional<job::JobRecord> record = job::readRecord(machine, job::kJobRecord);
    ASSERT_TRUE(record);
    EXPECT_FALSE(record->wroteFile("grldr.mbr"));
    EXPECT_TRUE(record->aside.empty());
    undo();
    EXPECT_EQ(machine.content(kGrldrMbr), "a boot sector");
    EXPECT_EQ(machine.attributes(kGrldrMbr) & kRhs, kAttrHidden);
}

TEST_F(JobSafetyTest, OtherFilesOfTheUsersAtTheJobsNamesRefuseTheJob) {
    for (const char* path : {kGhostExe, kGhostBat, kVemoImg}) {
        machine.addFile(path, "mine", kAttrHidden | kAttrSystem);
        const std::string before = disk();
        prepareRestoreJob();
        EXPECT_EQ(disk(), before) << path;
        EXPECT_TRUE(toldAbout(path)) << path;
        undo();  // undo leaves it alone too
        EXPECT_EQ(machine.content(path), "mine") << path;
        machine.setAttributes(path, 0);
        machine.removeTree(path);
    }
    // A loader of the user's with no room to set it aside.
    machine.addFile(kGrldr, "another loader");
    machine.addFile(kGrldrBak, "yet another");
    prepareRestoreJob();
    EXPECT_EQ(machine.content(kGrldr), "another loader");
    EXPECT_FALSE(redirected());
    EXPECT_TRUE(toldAbout(kGrldrBak));
}

TEST_F(JobSafetyTest, AnEarlierJobThatCannotBeUndoneStaysAsItWas) {
    // A new job undoes an earlier one first, its boot side first: when that
    // fails, the earlier job is left whole and nothing of the new one is written.
    saveMenu();
    prepareRestoreJob();
    const std::string prepared = disk();
    machine.failOn(sim::Op::Attributes, kBootIni);
    machine.setAttributes(kBootIni, kRhs);
    prepareRestoreJob();
    EXPECT_EQ(machine.content(kGrldr), payloadBytes(Payload::Loader));
    EXPECT_TRUE(machine.exists(kVemoImg));
    EXPECT_TRUE(redirected());
    EXPECT_EQ(told().size(), 1u);
}

TEST_F(JobSafetyTest, ATakeBackThatFailsSaysWhatIsLeftAndKeepsTheMachineBootable) {
    machine.failOn(sim::Op::Write, "E:\\TRIVEX.OUT");
    machine.failOn(sim::Op::Delete, kGhostExe);
    prepareRestoreJob();
    EXPECT_EQ(machine.content(kBootIni), kXpBootIni);
    EXPECT_FALSE(machine.exists(kGrldr));
    ASSERT_EQ(told().size(), 1u);
    EXPECT_NE(told()[0].find("写入任务结果记录 E:\\TRIVEX.OUT 失败（访问被拒绝）"), Text::npos) << told()[0];
    const size_t named = told()[0].find("删除 C:\\ghost.exe 失败（访问被拒绝）");
    ASSERT_NE(named, Text::npos) << told()[0];
    EXPECT_EQ(told()[0].find("删除 C:\\ghost.exe 失败", named + 1), Text::npos) << "named twice: " << told()[0];

    // boot.ini is pointed at the loader last: when that fails, the menu is
    // still the user's, and a saved copy that cannot be removed is named.
    machine.clearFaults();
    machine.setAttributes(kGhostExe, 0);
    machine.removeTree(kGhostExe);
    machine.failOn(sim::Op::Write, kBootIni);
    machine.failOn(sim::Op::Delete, kBootBak);
    prepareRestoreJob();
    EXPECT_FALSE(redirected());
    EXPECT_EQ(machine.content(kBootIni), kXpBootIni);
    for (const char* path : {kGrldr, kGhostBat, kGhostExe, kVemoImg, "C:\\TRIVEX.JOB", "E:\\TRIVEX.OUT"})
        EXPECT_FALSE(machine.exists(path)) << path;
    ASSERT_EQ(told().size(), 2u);
    EXPECT_NE(told()[1].find("改写 C:\\boot.ini 失败（访问被拒绝）"), Text::npos) << told()[1];
    EXPECT_NE(told()[1].find("删除本次生成的 C:\\boot.bak 失败（访问被拒绝）"), Text::npos) << told()[1];
}

TEST_F(JobSafetyTest, UndoNeverLeavesTheMachineWithoutAMenu) {
    saveMenu();
    prepareRestoreJob();
    const Text redirectedMenu = *machine.content(kBootIni);
    machine.failOn(sim::Op::Write, kBootIni);
    machine.failOn(sim::Op::Delete, kGhostBat);
    undo();
    EXPECT_EQ(machine.content(kBootIni), redirectedMenu);  // still there, and still bootable:
    EXPECT_EQ(machine.content(kGrldr), payloadBytes(Payload::Loader));
    EXPECT_EQ(machine.content(kBootBak), kXpBootIni);
    EXPECT_FALSE(machine.exists(kVemoImg));
    ASSERT_EQ(told().size(), 1u);
    EXPECT_NE(told()[0].find("恢复 C:\\boot.ini 失败（访问被拒绝）"), Text::npos) << told()[0];
    EXPECT_NE(told()[0].find("删除 C:\\ghost.bat 失败（访问被拒绝）"), Text::npos) << told()[0];

    undo();  // the next try goes through
    EXPECT_EQ(machine.content(kBootIni), kXpBootIni);
    EXPECT_FALSE(anyJobFile());
}

TEST_F(JobSafetyTest, TheUsersOwnGhostIsNeverTakenForTheJobsWhateverItsSpelling) {
    machine.addFile(kGhostExe, "my own ghost");
    setMain(ctl::自定义选择框, Prop::Checked, 1);
    for (const char* spelling : {"C:/ghost.exe", "C:\\.\\ghost.exe", "C:\\ghost.exe.", "ghost.exe", "C:\\Temp\\..\\GHOST.EXE"}) {
        windows.setText(kMain, ctl::编辑框2, spelling);
        prepareRestoreJob();
        EXPECT_EQ(machine.content(kGhostExe), "my own ghost") << spelling;
        EXPECT_FALSE(redirected()) << spelling;
    }
    EXPECT_EQ(told().size(), 5u);
}

TEST_F(JobSafetyTest, APreparedJobLeftWithEscIsShownInTheStatusBar) {
    prepareRestoreJob();  // the prompt is left with Esc
    EXPECT_TRUE(windows.windowVisible(kMain));
    const Text notice = windows.panelText(kMain, ctl::状态条1, 1);
    EXPECT_NE(notice.find("任务已准备好"), Text::npos) << notice;
    EXPECT_NE(notice.find("U"), Text::npos) << notice;
    undo();
    EXPECT_EQ(windows.panelText(kMain, ctl::状态条1, 1), "");
}

}  // namespace
}  // namespace trivex::testing_job
