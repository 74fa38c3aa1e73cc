// Undo through its prompt, and the Ghost32 check box.
#include "job/ghost32.h"
#include "tests/host/job_test.h"

namespace trivex::testing_job {
namespace {

using namespace job;

class UndoTest : public JobTest {
protected:
    // The undo button, answered with `button` on the prompt (nullptr: Esc).
    void undo(const char* button) {
        if (button) windows.post([this, button] { windows.click(kUndoPrompt, button); });
        windows.click(kMain, ctl::销毁按钮);
        windows.processPendingMessages();
    }
    void expectUndoButtonDisabled() {
        EXPECT_EQ(windows.getProp(kMain, ctl::销毁按钮, Prop::Visible), 1);
        EXPECT_EQ(windows.getProp(kMain, ctl::销毁按钮, Prop::Enabled), 0);
    }
};

TEST_F(UndoTest, TakesBackAJobAndItsBootMenuWithItsAttributes) {
    saveMenu();
    setMain(ctl::自定义选择框, Prop::Checked, 1);
    machine.addFile("D:\\Tools\\ghost.exe", "my ghost");
    windows.setText(kMain, ctl::编辑框2, "D:\\Tools\\ghost.exe");
    prepareRestoreJob();
    machine.addFile("C:\\grldr.mbr", "the DOS side's");
    ASSERT_TRUE(anyJobFile());

    undo(ctl::按钮1);
    EXPECT_FALSE(anyJobFile());
    EXPECT_EQ(machine.content(kBootIni), kXpBootIni);
    EXPECT_EQ(machine.attributes(kBootIni) & kRhs, kRhs);
    EXPECT_FALSE(machine.exists(kBootBak));
    EXPECT_TRUE(machine.exists("C:\\grldr.mbr"));
    EXPECT_EQ(machine.content("D:\\Tools\\ghost.exe"), "my ghost");
    EXPECT_FALSE(windows.windowExists(kUndoPrompt));
    expectUndoButtonDisabled();
    EXPECT_TRUE(told().empty());

    // The key U still asks, and a second undo finds nothing to do.
    windows.post([this] { windows.click(kUndoPrompt, ctl::按钮1); });
    windows.pressKey(kMain, 'U');
    windows.processPendingMessages();
    EXPECT_EQ(machine.content(kBootIni), kXpBootIni);
}

TEST_F(UndoTest, WithNothingPreparedChangesNothingOnDisk) {
    const std::string before = disk();
    undo(ctl::按钮1);
    EXPECT_EQ(disk(), before);
    expectUndoButtonDisabled();
    EXPECT_TRUE(told().empty());
}

TEST_F(UndoTest, AfterTheImageButtonOnlyTheMenuGetsItsAttributesBack) {
    saveMenu();
    ASSERT_EQ(machine.attributes(kBootIni) & kRhs, 0);
    undo(ctl::按钮1);
    EXPECT_EQ(machine.content(kBootIni), kXpBootIni);
    EXPECT_EQ(machine.attributes(kBootIni) & kRhs, kRhs);
    EXPECT_FALSE(machine.exists(kBootBak));
}

TEST_F(UndoTest, NoAndEscChangeNothing) {
    saveMenu();
    prepareRestoreJob();
    const std::string before = disk();
    undo(ctl::按钮2);
    EXPECT_FALSE(windows.windowExists(kUndoPrompt));
    undo(nullptr);
    EXPECT_FALSE(windows.windowExists(kUndoPrompt));
    EXPECT_EQ(disk(), before);
    EXPECT_EQ(windows.getProp(kMain, ctl::销毁按钮, Prop::Enabled), 1);
}

// The record, not the saved copy, says which lines are the job's: without
// boot.bak the menu still comes back. Without the record nothing says which
// lines are the job's: boot.ini stays as it is, and so does the loader it
// names, and the user is told what to check.
TEST_F(UndoTest, TheRecordSaysWhichLinesAreTheJobsWithoutItTheMenuAndTheLoaderStay) {
    saveMenu();
    prepareRestoreJob();
    machine.setAttributes(kBootBak, 0);
    machine.removeTree(kBootBak);  // the saved menu is gone
    undo(ctl::按钮1);
    EXPECT_EQ(machine.content(kBootIni), kXpBootIni);
    EXPECT_FALSE(anyJobFile());
    EXPECT_TRUE(told().empty());

    prepareRestoreJob();
    machine.removeTree("C:\\TRIVEX.JOB");  // the record is gone
    windows.post([this] { windows.click(kUndoPrompt, ctl::按钮1); });
    windows.pressKey(kMain, 'U');  // the button stays disabled after the first undo
    windows.processPendingMessages();
    // boot.ini still starts the loader: it stays, so that the machine boots
    // (the menu still lists Windows); nothing of the job can run any more.
    EXPECT_EQ(machine.content(kBootIni), kXpRedirected);
    EXPECT_EQ(machine.content(kBootBak), kXpBootIni);
    EXPECT_EQ(machine.content(kGrldr), payloadBytes(payloads::Payload::Loader));
    for (const char* path : {kGhostBat, kGhostExe, kVemoImg}) EXPECT_FALSE(machine.exists(path)) << path;
    // (Told first: the outcome copy on E: has lost its record.)
    ASSERT_EQ(told().size(), 2u);
    const Text said = told()[1];
    EXPECT_NE(said.find("C:\\TRIVEX.JOB 不见了"), Text::npos) << said;
    EXPECT_NE(said.find("删除“C:\\grldr=Trivex Ghost”一行"), Text::npos) << said;
    EXPECT_NE(said.find("保留了 C:\\grldr"), Text::npos) << said;
}

class Ghost32Test : public JobTest {
protected:
    Ghost32Test() { machine.onCommand(kGhost32Exe, ""); }
    size_t starts() const {
        size_t n = 0;
        for (const sim::CommandRecord& c : machine.commands()) n += c.commandLine == "E:\\Ghost32.exe" && !c.captured;
        return n;
    }
};

TEST_F(Ghost32Test, CheckWritesAndStartsUncheckDeletes) {
    ASSERT_TRUE(windows.click(kMain, ctl::G选择框));
    EXPECT_EQ(machine.content(kGhost32Exe), payloadBytes(payloads::Payload::Ghost32));
    EXPECT_EQ(starts(), 1u);
    ASSERT_TRUE(windows.click(kMain, ctl::G选择框));
    EXPECT_FALSE(machine.exists(kGhost32Exe));
    ASSERT_TRUE(windows.click(kMain, ctl::G选择框));
    EXPECT_TRUE(machine.exists(kGhost32Exe));
    EXPECT_EQ(starts(), 2u);
    EXPECT_TRUE(told().empty());
}

TEST_F(Ghost32Test, WithoutAWritableDriveETheUserIsToldAndTheBoxStaysUnchecked) {
    machine.removeDrive('E');
    ASSERT_TRUE(windows.click(kMain, ctl::G选择框));
    EXPECT_EQ(windows.getProp(kMain, ctl::G选择框, Prop::Checked), 0);
    EXPECT_EQ(starts(), 0u);
    EXPECT_EQ(told().size(), 1u);
}

TEST_F(Ghost32Test, AGhost32OfTheUsersOwnIsNeverWrittenOverOrDeleted) {
    machine.addFile(kGhost32Exe, "the user's Ghost32 11.5");
    ASSERT_TRUE(windows.click(kMain, ctl::G选择框));
    EXPECT_EQ(windows.getProp(kMain, ctl::G选择框, Prop::Checked), 0);
    EXPECT_EQ(starts(), 0u);
    ASSERT_EQ(told().size(), 1u);
    EXPECT_NE(told()[0].find("E:\\Ghost32.exe"), Text::npos);
    job::removeGhost32(machine);  // what unchecking the box does
    EXPECT_EQ(machine.content(kGhost32Exe), "the user's Ghost32 11.5");
}

TEST_F(JobTest, Ghost32ThatDoesNotStartIsRemovedAgain) {
    ASSERT_TRUE(windows.click(kMain, ctl::G选择框));  // no such program can start here
    EXPECT_FALSE(machine.exists(kGhost32Exe));
    EXPECT_EQ(windows.getProp(kMain, ctl::G选择框, Prop::Checked), 0);
    EXPECT_EQ(told().size(), 1u);
}

}  // namespace
}  // namespace trivex::testing_job
