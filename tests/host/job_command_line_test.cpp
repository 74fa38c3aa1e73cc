// The Ghost command lines: the worked examples byte for byte, the drive
// letter table, the path tail, and what survives from one job to the next.
#include <gtest/gtest.h>

#include "job/command_line.h"

namespace trivex::job {
namespace {

// The texts for the letter table's numbers (the partition check sets them in a job).
CommandValues built(const Text& drive, const Text& image, int64_t compression, bool crc, CommandValues s = {}) {
    JobDescription job;
    job.systemDrive = drive;
    job.imagePath = image;
    job.compressionIndex = compression;
    job.ignoreCrc = crc;
    s.systemPartition = partitionNumber(drive);
    s.imagePartition = imagePartitionOf(image);
    buildCommandTexts(s, job);
    return s;
}

TEST(GhostCommandLine, WorkedExamplesByteForByte) {
    const Text image = "E:\\Ghost\\G_WinXP.gho";
    const CommandValues fast = built("C", image, 0, false);
    EXPECT_EQ(fast.backupCommand,
              "Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:3\\Ghost\\G_WinXP.gho -sure -fro -rb -z1\r\nrestart");
    EXPECT_EQ(fast.backupCommand.size(), 96u);
    EXPECT_EQ(fast.restoreCommand,
              "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\G_WinXP.gho:1,dst=1:1  -sure -rb\r\nrestart");
    EXPECT_EQ(fast.restoreCommand.size(), 90u);

    const CommandValues crc = built("C", image, 0, true);
    EXPECT_EQ(crc.restoreCommand,
              "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\G_WinXP.gho:1,dst=1:1 -crcignore -sure -rb\r\nrestart");
    EXPECT_EQ(crc.restoreCommand.size(), 100u);
    // Compression only reaches the backup, the CRC option only the restore.
    EXPECT_EQ(crc.backupCommand, fast.backupCommand);
    EXPECT_EQ(built("C", image, 2, false).restoreCommand, fast.restoreCommand);
    EXPECT_EQ(fast.imagePathLength, 20);
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

    const CommandValues root = built("D", "F:\\a.gho", 0, false);
    EXPECT_NE(root.backupCommand.find("src=1:2,dst=1:4\\a.gho -sure"), Text::npos);
    EXPECT_NE(root.restoreCommand.find("src=1:4\\a.gho:1,dst=1:2 "), Text::npos);
}

TEST(GhostCommandLine, PathTailCutsOnlyTheDrivePrefix) {
    EXPECT_EQ(pathTail(""), "");
    EXPECT_EQ(pathTail("E"), "");
    EXPECT_EQ(pathTail("E:"), "");
    EXPECT_EQ(pathTail("E:\\"), "\\");
    // GBK folder names stay whole.
    EXPECT_EQ(pathTail("E:\\备份\\系统.gho"), "\\备份\\系统.gho");
    const CommandValues empty = built("C", "", 0, false);
    EXPECT_EQ(empty.imagePartition, 0);
    EXPECT_NE(empty.backupCommand.find("dst=1:0 -sure"), Text::npos);
}

// ghost.bat keeps the command lines byte for byte; around them the image's
// RECORD.BAT notes the outcome, and a restore first has Ghost check the image.
TEST(GhostBat, ARestoreRunsOnlyAfterTheImageCheckAndEveryJobRecordsItsOutcome) {
    const CommandValues v = built("C", "E:\\Ghost\\G_WinXP.gho", 0, false);
    EXPECT_EQ(*ghostBatText(v, JobKind::Restore, false),
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
    const CommandValues crc = built("C", "E:\\Ghost\\G_WinXP.gho", 0, true);
    EXPECT_EQ(*ghostBatText(crc, JobKind::Restore, true),
              "call a:\\record.bat started\r\n"
              "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\G_WinXP.gho:1,dst=1:1 -crcignore -sure -rb\r\n"
              "a:\\record.bat exit\r\n"
              "restart");
    EXPECT_EQ(*ghostBatText(v, JobKind::Backup, false),
              "call a:\\record.bat started\r\n"
              "Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:3\\Ghost\\G_WinXP.gho -sure -fro -rb -z1\r\n"
              "a:\\record.bat exit\r\n"
              "restart");
    EXPECT_EQ(*ghostBatText(v, JobKind::Manual, false), "ghost.exe");
    EXPECT_FALSE(ghostBatText(v, JobKind::None, false));
}

TEST(GhostBat, TheBatchFilesOfThisProgramAreKnownByTheirText) {
    const CommandValues v = built("C", "E:\\Ghost\\G_WinXP.gho", 0, true);
    for (const JobKind k : {JobKind::Manual, JobKind::Restore, JobKind::Backup})
        for (const bool ignoreCrc : {false, true})
            EXPECT_TRUE(isGhostBatText(*ghostBatText(v, k, ignoreCrc)));
    // A job an earlier version prepared: the command line and its restart.
    EXPECT_TRUE(isGhostBatText(v.restoreCommand));
    const Text checked = *ghostBatText(v, JobKind::Restore, false);
    for (const Text& other : {Text(""), Text("ghost.exe\r\n"), Text("@echo off\r\nghost.exe -clone\r\nrestart"),
                             Text("Ghost.exe -nousb -clone,mode=pload,src=1:3\\a.gho:1,dst=1:1\r\ndel c:\\x\r\nrestart"),
                             checked + "\r\n", "del c:\\*.*\r\n" + checked, checked.substr(checked.find("\r\n") + 2)})
        EXPECT_FALSE(isGhostBatText(other)) << other;
}

TEST(GhostCommandLine, CompressionLevelAndWhatCarriesOverBetweenJobs) {
    const Text image = "E:\\Ghost\\G_WinXP.gho";
    const CommandValues highest = built("C", image, 2, false);
    EXPECT_EQ(highest.backupCommand.substr(highest.backupCommand.size() - 12), "-z3\r\nrestart");

    // No selection in the combo: the level stays, 0 before the first job.
    EXPECT_EQ(built("C", image, -1, false).compressionLevel, 0);
    EXPECT_EQ(built("C", image, -1, false, highest).compressionLevel, 3);
}

}  // namespace
}  // namespace trivex::job
