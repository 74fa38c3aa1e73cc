// From the image file button to the restart prompt: the files of a restore
// and a backup job, the prompt's answers, and every way a job is refused or
// taken back.
#include "job/ghost_plan.h"
#include "job/record.h"
#include "tests/host/job_test.h"

namespace trivex::testing_job {
namespace {

using namespace job;
using payloads::Payload;

class JobFlowTest : public JobTest {
public:
    void chooseImage(std::optional<Text> choice, const char* dialog = ctl::通用对话框1) {
        windows.queueFileDialog(dialog, std::move(choice));
        app.dispatch(kMain, cmd::choose_image, 0);
    }
    void expectPayload(const char* path, Payload p) {
        const std::optional<Text> c = machine.content(path);
        ASSERT_TRUE(c) << path;
        EXPECT_EQ(*c, payloadBytes(p)) << path;
    }
};

TEST_F(JobFlowTest, RestoreJobWritesEveryFileThenExitsOnNo) {
    machine.addFile("C:\\fqs.bat", "probe");
    windows.setText(kMain, ctl::编辑框1, "D:\\found\\other.gho");  // from the search results
    chooseImage(kRestoreImage);
    ASSERT_EQ(windows.dialogs().size(), 1u);
    EXPECT_EQ(windows.dialogs()[0].initialFolder, machine.programFolder());
    EXPECT_EQ(windows.getText(kMain, ctl::编辑框1), kRestoreImage);
    EXPECT_EQ(machine.content(kBootBak), kXpBootIni);
    EXPECT_FALSE(machine.exists("C:\\fqs.bat"));

    setMain(ctl::CRC选择框, Prop::Checked, 1);
    answerRestartPrompt(ctl::按钮2);
    prepare();
    EXPECT_EQ(machine.content(kBootIni), kXpRedirected);
    EXPECT_EQ(machine.content(kBootBak), kXpBootIni);
    EXPECT_EQ(machine.attributes(kBootBak) & kRhs, kRhs);
    expectPayload(kGrldr, Payload::Loader);
    EXPECT_EQ(machine.content(kGhostBat),
              "call a:\\volumes.bat 8C3A-12F0 5E5E-0003 1 1 1 3\r\n"
              "if \"%tgt%\"==\"\" restart\r\nif \"%img%\"==\"\" restart\r\n"
              "call a:\\record.bat started\r\n"
              "Ghost.exe -nousb -clone,mode=pload,src=%img%\\Ghost\\G_WinXP.gho:1,dst=%tgt% -crcignore -sure -fx\r\n"
              "a:\\record.bat exit\r\nrestart");
    expectPayload(kGhostExe, Payload::GhostDos);
    EXPECT_EQ(machine.content(kVemoImg)->size(), 2949120u);
    EXPECT_EQ(machine.content(kVemoImg)->substr(0, 3), "\xEB\x3C\x90");
    // The job's record, and the image that carries its token.
    const std::optional<job::JobRecord> record = job::readRecord(machine, job::kJobRecord);
    ASSERT_TRUE(record);
    EXPECT_EQ(payloads::dosImageToken(machine, kVemoImg), payloads::dosImageTakesToken() ? record->token : Text());
    EXPECT_EQ(record->wrote, (std::vector<Text>{"grldr", "ghost.bat", "ghost.exe", "vemo.img"}));
    EXPECT_EQ(record->image, kRestoreImage);
    EXPECT_EQ(record->menu, job::planRedirect(kXpBootIni).memo);  // what the job changed in the menu
    // What identifies the two partitions after the restart, and where Windows expects them.
    EXPECT_EQ(record->targetDrive, 'C');
    EXPECT_EQ(record->target, (job::RecordedVolume{"8C3A-12F0", "NTFS", "42949672960", "1:1"}));
    EXPECT_EQ(record->imageVolume, (job::RecordedVolume{"5E5E-0003", "FAT32", "85899345920", "1:3"}));
    const std::optional<job::JobRecord> outcome = job::readRecord(machine, "E:\\TRIVEX.OUT");
    ASSERT_TRUE(outcome);
    EXPECT_TRUE(outcome->outcomeCopy);
    EXPECT_EQ(outcome->token, record->token);
    EXPECT_EQ(temporariesLeft(machine), std::vector<Text>{});

    windows.runMessageLoop();
    EXPECT_FALSE(windows.windowExists(kMain));
    EXPECT_EQ(machine.restarts(), 0);
    // The last word as the program goes: the job waits for any restart.
    ASSERT_EQ(told().size(), 1u);
    EXPECT_EQ(told()[0].find("有一个还原任务正在等待"), 0u) << told()[0];
    EXPECT_NE(told()[0].find(kRestoreImage), Text::npos) << told()[0];
    EXPECT_EQ(windows.escapesPressed(), 0);
}

TEST_F(JobFlowTest, YesRestartsWithoutForce) {
    chooseImage(kRestoreImage);
    answerRestartPrompt(ctl::按钮1);
    prepare();
    windows.runMessageLoop();
    EXPECT_EQ(machine.restarts(), 1);  // asked, not forced: programs may keep their unsaved work
    EXPECT_FALSE(windows.windowExists(kMain));
}

TEST_F(JobFlowTest, EscOnThePromptKeepsTheJobAndShowsTheMainWindow) {
    chooseImage(kRestoreImage);
    windows.pressKey(kMain, 'Y');  // the key runs the same job
    EXPECT_EQ(windows.escapesPressed(), 1);
    EXPECT_TRUE(windows.windowVisible(kMain));
    EXPECT_FALSE(windows.windowExists(kRestart));
    EXPECT_TRUE(machine.exists(kVemoImg));
    EXPECT_TRUE(redirected());
}

TEST_F(JobFlowTest, BackupJobMakesTheFolderAndNeverOverwritesAnImage) {
    machine.removeTree("E:\\Ghost");
    backupMode();
    chooseImage(kRestoreImage, ctl::通用对话框2);
    EXPECT_EQ(machine.content(kRestoreImage), kRestoreImage);  // the placeholder holds its own path
    EXPECT_EQ(windows.getText(kMain, ctl::编辑框1), kRestoreImage);

    // An earlier backup stays until Ghost replaces it.
    machine.addFile(kRestoreImage, "last month's backup");
    chooseImage(kRestoreImage, ctl::通用对话框2);
    EXPECT_EQ(machine.content(kRestoreImage), "last month's backup");

    prepare();
    EXPECT_EQ(ghostCommandLine(), "Ghost.exe -nousb -clone,mode=pdump,src=%tgt%,dst=%img%\\Ghost\\G_WinXP.gho -sure -fro -fx -z1");
    EXPECT_EQ(machine.content(kRestoreImage), "last month's backup");
    EXPECT_EQ(windows.escapesPressed(), 1);
}

TEST_F(JobFlowTest, ACancelledOpenDialogKeepsTheImageChosenBefore) {
    windows.setText(kMain, ctl::编辑框1, "D:\\found\\other.gho");  // from the search results
    chooseImage(std::nullopt);
    EXPECT_EQ(windows.getText(kMain, ctl::编辑框1), "D:\\found\\other.gho");
    windows.setText(kMain, ctl::编辑框1, "");
    chooseImage(std::nullopt);
    EXPECT_EQ(windows.getProp(kMain, ctl::确定, Prop::Enabled), 0);  // no image: nothing to confirm
    chooseImage(kRestoreImage);
    EXPECT_EQ(windows.getProp(kMain, ctl::确定, Prop::Enabled), 1);
    chooseImage(std::nullopt);
    EXPECT_EQ(windows.getText(kMain, ctl::编辑框1), kRestoreImage);

    // The save dialog cancelled at its first use leaves its bare initial name:
    // no drive, so no job.
    backupMode();
    chooseImage(std::nullopt, ctl::通用对话框2);
    EXPECT_EQ(windows.getText(kMain, ctl::编辑框1), "G_WinXP.gho");
    prepare();
    EXPECT_FALSE(anyJobFile());
    ASSERT_EQ(told().size(), 1u);
}

TEST_F(JobFlowTest, ManualGhostWritesItsBatchTextAndNoModeIsRefused) {
    saveMenu();
    backupMode();
    setMain(ctl::手动选择框, Prop::Checked, 1);
    windows.setText(kMain, ctl::编辑框1, "");  // the image plays no part in a manual job
    prepare();
    EXPECT_EQ(machine.content(kGhostBat), "ghost.exe");

    // Neither radio button (or both): the window no longer says what runs.
    ASSERT_TRUE(undoJob(machine).account());
    for (const int both : {0, 1}) {
        setMain(ctl::手动选择框, Prop::Checked, 0);
        setMain(ctl::还原单选框, Prop::Checked, both);
        setMain(ctl::备份单选框, Prop::Checked, both);
        windows.setText(kMain, ctl::编辑框1, kRestoreImage);
        prepare();
        EXPECT_FALSE(anyJobFile());
        EXPECT_FALSE(redirected());
    }
    EXPECT_EQ(told().size(), 2u);
}

TEST_F(JobFlowTest, CustomGhostIsCopiedOnlyWhenItsPathNamesGhostExe) {
    saveMenu();
    windows.setText(kMain, ctl::编辑框1, kRestoreImage);
    setMain(ctl::自定义选择框, Prop::Checked, 1);
    machine.addFile("D:\\Tools\\GHOST.EXE", "my ghost");
    machine.addFile("D:\\Tools\\ghost11.exe", "other ghost");
    machine.addFile("D:\\ghost.exe.d\\x.exe", "in a folder");

    const std::pair<Text, Text> cases[] = {
        {"D:\\Tools\\GHOST.EXE", "my ghost"},
        {"D:\\Tools\\ghost11.exe", payloadBytes(Payload::GhostDos)},
        {"D:\\ghost.exe.d\\x.exe", "in a folder"},
    };
    for (const auto& [path, expected] : cases) {
        windows.setText(kMain, ctl::编辑框2, path);
        prepare();
        EXPECT_EQ(machine.content(kGhostExe), expected) << path;
    }
    EXPECT_EQ(machine.content("D:\\Tools\\GHOST.EXE"), "my ghost");
    EXPECT_TRUE(told().empty());
}

TEST_F(JobFlowTest, AnImageFromTheSearchResultsGetsItsMenuSavedByTheJob) {
    windows.setText(kMain, ctl::编辑框1, kRestoreImage);  // the image file button was never used
    prepare();
    EXPECT_EQ(machine.content(kBootBak), kXpBootIni);
    EXPECT_EQ(machine.attributes(kBootBak) & kRhs, kRhs);
    EXPECT_TRUE(redirected());
}

// Each refusal comes before anything is written and says why.
struct Refusal {
    const char* name;
    std::function<void(JobTest&, SimMachine&, App&)> setUp;
};

class JobRefusalTest : public JobFlowTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(JobRefusalTest, NothingIsWrittenAndTheUserIsTold) {
    saveMenu();
    windows.setText(kMain, ctl::编辑框1, kRestoreImage);
    GetParam().setUp(*this, machine, app);
    const std::string before = disk();
    prepare();
    EXPECT_EQ(disk(), before);
    EXPECT_EQ(told().size(), 1u);
    EXPECT_TRUE(windows.windowVisible(kMain));
    EXPECT_EQ(windows.escapesPressed(), 0);  // no restart prompt
}

const Refusal kRefusals[] = {
    {"NoBootIni", [](JobTest&, SimMachine& m, App&) {
         m.removeTree(kBootBak);
         m.removeTree(kBootIni);
     }},
    {"DriveOutsideCToG", [](JobTest&, SimMachine&, App& a) { a.state.selectedDrive = "H"; }},
    {"LowerCaseDrive", [](JobTest&, SimMachine&, App& a) { a.state.selectedDrive = "c"; }},
    {"NoDriveChosen", [](JobTest&, SimMachine&, App& a) { a.state.selectedDrive.clear(); }},
    {"ImageOnUnmappedDrive", [](JobTest& t, SimMachine& m, App&) {
         m.addDrive('H', 1ull << 30, 1ull << 30);
         m.addFile("H:\\x.gho", "image");
         t.windows.setText(kMain, ctl::编辑框1, "H:\\x.gho");
     }},
    {"ImageOnTheRestoredPartition", [](JobTest& t, SimMachine& m, App&) {
         m.addFile("C:\\x.gho", "image");
         t.windows.setText(kMain, ctl::编辑框1, "C:\\x.gho");
     }},
    {"RestoreImageMissing", [](JobTest&, SimMachine& m, App&) { m.removeTree(kRestoreImage); }},
    {"RestoreImageIsAFolder", [](JobTest& t, SimMachine&, App&) { t.windows.setText(kMain, ctl::编辑框1, "E:\\Ghost"); }},
    {"BackupFolderMissing", [](JobTest& t, SimMachine&, App&) {
         t.backupMode();
         t.windows.setText(kMain, ctl::编辑框1, "E:\\nowhere\\G_WinXP.gho");
     }},
    {"BackupOntoTheBackedUpPartition", [](JobTest& t, SimMachine&, App&) {
         t.backupMode();
         t.windows.setText(kMain, ctl::编辑框1, "C:\\G_WinXP.gho");
     }},
    {"CustomGhostIsTheJobFileItself", [](JobTest& t, SimMachine& m, App&) {
         m.addFile(kGhostExe, "my own ghost");
         t.windows.setProp(kMain, ctl::自定义选择框, Prop::Checked, 1);
         t.windows.setText(kMain, ctl::编辑框2, "c:\\GHOST.EXE");
     }},
    {"RedirectedMenuWithoutSavedCopy", [](JobTest&, SimMachine& m, App&) {
         m.removeTree(kBootBak);
         m.addFile(kBootIni, "[boot loader]\r\ntimeout=2\r\ndefault=C:\\grldr\r\n[operating systems]\r\n");
     }},
};

INSTANTIATE_TEST_SUITE_P(Refusals, JobRefusalTest, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(JobFlowTest, ARefusedJobNeverUsesTheNumbersOfAnEarlierOne) {
    saveMenu();
    prepareRestoreJob();
    ASSERT_EQ(app.state.plan.target.letter, 'C');
    ASSERT_EQ(app.state.plan.target.partition, 1);
    const Text ghostBat = *machine.content(kGhostBat);
    app.state.selectedDrive = "H";
    prepare();
    EXPECT_EQ(app.state.plan.target.letter, 'H');
    EXPECT_EQ(app.state.plan.target.partition, 0);
    EXPECT_FALSE(app.state.plan.target.serial);
    EXPECT_EQ(machine.content(kGhostBat), ghostBat);
    EXPECT_EQ(told().size(), 1u);
}

// No selection in the compression combo box keeps the level of the job before.
TEST_F(JobFlowTest, TheCompressionLevelStaysWhileTheComboBoxHasNoSelection) {
    backupMode();
    windows.setText(kMain, ctl::编辑框1, kRestoreImage);
    setMain(ctl::压缩组合框, Prop::CurrentIndex, 2);
    prepare();
    EXPECT_EQ(app.state.plan.compressionLevel, 3);
    setMain(ctl::压缩组合框, Prop::CurrentIndex, -1);
    prepare();
    EXPECT_EQ(app.state.plan.compressionLevel, 3);
    EXPECT_NE(ghostCommandLine().find(" -z3"), Text::npos) << ghostCommandLine();
}

TEST_F(JobFlowTest, DemoBuildAsksFirstAndCancelStopsBeforeAnyWrite) {
    if (!payloads::isDemoBuild()) GTEST_SKIP() << "this build carries the real boot files";
    saveMenu();
    const std::string before = disk();
    windows.queueAnswer(kBtnCancel);
    prepareRestoreJob();
    ASSERT_EQ(windows.messages().size(), 1u);
    EXPECT_EQ(windows.messages()[0].style, 1u | kMbTaskModal);
    EXPECT_EQ(windows.messages()[0].caption, "信息：");
    EXPECT_EQ(disk(), before);
    EXPECT_EQ(windows.escapesPressed(), 0);
}

}  // namespace
}  // namespace trivex::testing_job
