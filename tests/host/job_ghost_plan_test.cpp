// The Ghost plan: the worked examples of the command lines byte for byte,
// the drive letter table, the path tail, and ghost.bat.
#include <gtest/gtest.h>

#include "job/ghost_plan.h"

namespace trivex::job {
namespace {

// The plan for the letter table's numbers (the partition check finds them in a job).
GhostPlan built(const Text& drive, const Text& image, int compression, bool crc, JobKind kind = JobKind::Restore) {
    JobRequest job;
    job.targetDrive = drive;
    job.imagePath = image;
    job.compressionLevel = compression + 1;
    job.ignoreCrc = crc;
    job.restoreChecked = kind == JobKind::Restore;
    job.backupChecked = kind == JobKind::Backup;
    job.manual = kind == JobKind::Manual;
    return planGhost(job, partitionNumber(drive), imagePartitionOf(image));
}

TEST(GhostCommandLine, WorkedExamplesByteForByte) {
    const Text image = "E:\\Ghost\\G_WinXP.gho";
    const GhostPlan fast = built("C", image, 0, false);
    EXPECT_EQ(fast.backupLine(),
              "Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:3\\Ghost\\G_WinXP.gho -sure -fro -rb -z1");
    EXPECT_EQ(fast.backupLine().size(), 87u);
    EXPECT_EQ(fast.restoreLine(), "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\G_WinXP.gho:1,dst=1:1  -sure -rb");
    EXPECT_EQ(fast.restoreLine().size(), 81u);
    EXPECT_EQ(fast.commandLine(), fast.restoreLine());
    EXPECT_EQ(built("C", image, 0, false, JobKind::Backup).commandLine(), fast.backupLine());
    EXPECT_EQ(built("C", image, 0, false, JobKind::Manual).commandLine(), "");

    const GhostPlan crc = built("C", image, 0, true);
    EXPECT_EQ(crc.restoreLine(),
              "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\G_WinXP.gho:1,dst=1:1 -crcignore -sure -rb");
    EXPECT_EQ(crc.restoreLine().size(), 91u);
    // Compression only reaches the backup, the CRC option only the restore.
    EXPECT_EQ(crc.backupLine(), fast.backupLine());
    EXPECT_EQ(built("C", image, 2, false).restoreLine(), fast.restoreLine());
    EXPECT_EQ(built("C", image, 2, false).backupLine().substr(fast.backupLine().size() - 3), "-z3");
}

TEST(GhostCommandLine, DriveLettersCToGAreTheFirstFivePartitionsOfDiskOne) {
    const char* letters[] = {"C", "D", "E", "F", "G"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(partitionNumber(letters[i]), i + 1) << letters[i];
    for (const char* other : {"c", "g", "B", "H", "Z", "", "CD", " C", "C:"}) EXPECT_EQ(partitionNumber(other), 0) << other;

    EXPECT_EQ(imagePartitionOf("F:\\a.gho"), 4);
    EXPECT_EQ(imagePartitionOf("f:\\a.gho"), 0);
    EXPECT_EQ(imagePartitionOf("H:\\a.gho"), 0);
    // A bare file name (a save dialog cancelled at its first use) names no
    // drive, whatever letter it starts with.
    EXPECT_EQ(imagePartitionOf("G_WinXP.gho"), 0);
    EXPECT_EQ(imagePartitionOf(""), 0);

    const GhostPlan root = built("D", "F:\\a.gho", 0, false);
    EXPECT_NE(root.backupLine().find("src=1:2,dst=1:4\\a.gho -sure"), Text::npos);
    EXPECT_NE(root.restoreLine().find("src=1:4\\a.gho:1,dst=1:2 "), Text::npos);
}

TEST(GhostCommandLine, PathTailCutsOnlyTheDrivePrefix) {
    EXPECT_EQ(pathTail(""), "");
    EXPECT_EQ(pathTail("E"), "");
    EXPECT_EQ(pathTail("E:"), "");
    EXPECT_EQ(pathTail("E:\\"), "\\");
    // GBK folder names stay whole.
    EXPECT_EQ(pathTail("E:\\备份\\系统.gho"), "\\备份\\系统.gho");
    const GhostPlan empty = built("C", "", 0, false);
    EXPECT_EQ(empty.imagePartition, 0);
    EXPECT_NE(empty.backupLine().find("dst=1:0 -sure"), Text::npos);
}

// ghost.bat keeps the command lines byte for byte; around them the image's
// RECORD.BAT notes the outcome, and a restore first has Ghost check the image.
TEST(GhostBat, ARestoreRunsOnlyAfterTheImageCheckAndEveryJobRecordsItsOutcome) {
    const Text image = "E:\\Ghost\\G_WinXP.gho";
    EXPECT_EQ(*built("C", image, 0, false).batText(),
              "Ghost.exe -nousb -chkimg,1:3\\Ghost\\G_WinXP.gho\r\n"
              "if errorlevel 1 goto check\r\n"
              "call a:\\record.bat started\r\n"
              "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\G_WinXP.gho:1,dst=1:1  -sure -rb\r\n"
              "a:\\record.bat exit\r\n"
              "restart\r\n"
              ":check\r\n"
              "a:\\record.bat check\r\n"
              "restart");
    // CRC errors ignored: no check, the restore runs as it always did.
    EXPECT_EQ(*built("C", image, 0, true).batText(),
              "call a:\\record.bat started\r\n"
              "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\G_WinXP.gho:1,dst=1:1 -crcignore -sure -rb\r\n"
              "a:\\record.bat exit\r\n"
              "restart");
    EXPECT_EQ(*built("C", image, 0, false, JobKind::Backup).batText(),
              "call a:\\record.bat started\r\n"
              "Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:3\\Ghost\\G_WinXP.gho -sure -fro -rb -z1\r\n"
              "a:\\record.bat exit\r\n"
              "restart");
    EXPECT_EQ(*built("C", image, 0, false, JobKind::Manual).batText(), "ghost.exe");
    EXPECT_FALSE(built("C", image, 0, false, JobKind::None).batText());
}

TEST(GhostBat, TheBatchFilesOfThisProgramAreKnownByTheirText) {
    const Text image = "E:\\Ghost\\G_WinXP.gho";
    for (const JobKind k : {JobKind::Manual, JobKind::Restore, JobKind::Backup})
        for (const bool ignoreCrc : {false, true})
            EXPECT_TRUE(isGhostBatText(*built("C", image, 0, ignoreCrc, k).batText()));
    // A job an earlier version prepared: the command line and its restart.
    EXPECT_TRUE(isGhostBatText(built("C", image, 0, true).restoreLine() + "\r\nrestart"));
    const Text checked = *built("C", image, 0, false).batText();
    for (const Text& other : {Text(""), Text("ghost.exe\r\n"), Text("@echo off\r\nghost.exe -clone\r\nrestart"),
                             Text("Ghost.exe -nousb -clone,mode=pload,src=1:3\\a.gho:1,dst=1:1\r\ndel c:\\x\r\nrestart"),
                             checked + "\r\n", "del c:\\*.*\r\n" + checked, checked.substr(checked.find("\r\n") + 2)})
        EXPECT_FALSE(isGhostBatText(other)) << other;
}

}  // namespace
}  // namespace trivex::job
