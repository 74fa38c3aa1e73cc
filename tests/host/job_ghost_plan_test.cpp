// The Ghost plan: the command lines byte for byte, with the partitions as
// the variables the DOS side sets from the volumes; the volumes' call with
// each volume's serial or mark and the numbers Windows expects; the path
// tail; and ghost.bat, which records what Ghost comes back with.
#include <gtest/gtest.h>

#include "job/ghost_plan.h"

namespace trivex::job {
namespace {

GhostVolume volume(char letter, std::optional<uint32_t> serial, GhostVolume::Disk disk, int partition) {
    GhostVolume v;
    v.letter = letter;
    v.serial = serial;
    v.disk = disk;
    v.partition = partition;
    return v;
}

constexpr auto kBoot = GhostVolume::Disk::Boot;
const GhostVolume kC = volume('C', 0x8C3A12F0, kBoot, 1), kE = volume('E', 0x5E5E0003, kBoot, 3);

GhostPlan built(const Text& image, int compression, bool crc, JobKind kind = JobKind::Restore,
                const GhostVolume& target = kC, const GhostVolume& imageVolume = kE) {
    JobRequest job;
    job.targetDrive = Text(1, target.letter);
    job.imagePath = image;
    job.compressionLevel = compression + 1;
    job.ignoreCrc = crc;
    job.restoreChecked = kind == JobKind::Restore;
    job.backupChecked = kind == JobKind::Backup;
    job.manual = kind == JobKind::Manual;
    return planGhost(job, target, imageVolume);
}

// Ghost exits to DOS when it is done (-fx) instead of restarting the machine
// (-rb): only so can the batch file note what it came back with.
TEST(GhostCommandLine, WorkedExamplesByteForByte) {
    const Text image = "E:\\Ghost\\G_WinXP.gho";
    const GhostPlan fast = built(image, 0, false);
    EXPECT_EQ(fast.backupLine(), "Ghost.exe -nousb -clone,mode=pdump,src=%tgt%,dst=%img%\\Ghost\\G_WinXP.gho -sure -fro -fx -z1");
    EXPECT_EQ(fast.restoreLine(), "Ghost.exe -nousb -clone,mode=pload,src=%img%\\Ghost\\G_WinXP.gho:1,dst=%tgt%  -sure -fx");
    EXPECT_EQ(fast.checkLine(), "Ghost.exe -nousb -chkimg,%img%\\Ghost\\G_WinXP.gho");
    EXPECT_EQ(fast.commandLine(), fast.restoreLine());
    EXPECT_EQ(built(image, 0, false, JobKind::Backup).commandLine(), fast.backupLine());
    EXPECT_EQ(built(image, 0, false, JobKind::Manual).commandLine(), "");

    const GhostPlan crc = built(image, 0, true);
    EXPECT_EQ(crc.restoreLine(), "Ghost.exe -nousb -clone,mode=pload,src=%img%\\Ghost\\G_WinXP.gho:1,dst=%tgt% -crcignore -sure -fx");
    // Compression only reaches the backup, the CRC option only the restore.
    EXPECT_EQ(crc.backupLine(), fast.backupLine());
    EXPECT_EQ(built(image, 2, false).restoreLine(), fast.restoreLine());
    EXPECT_EQ(built(image, 2, false).backupLine().substr(fast.backupLine().size() - 3), "-z3");
}

// Each volume goes by its serial as Windows shows it, or, without one, by
// the copy of the job's record on its drive: the job's own record marks C:,
// the outcome copy the image's drive. The expected numbers follow: the boot
// disk "1", a disk after it "+", not known "?".
TEST(GhostVolumes, TheCallNamesEachVolumeAndTheNumbersWindowsExpects) {
    const Text image = "E:\\Ghost\\G_WinXP.gho";
    EXPECT_EQ(built(image, 0, false).volumesLine(), "call a:\\volumes.bat 8C3A-12F0 5E5E-0003 1 1 1 3");
    EXPECT_EQ(built(image, 0, false, JobKind::Restore, kC, volume('E', 0x0000ABCD, GhostVolume::Disk::Later, 1)).volumesLine(),
              "call a:\\volumes.bat 8C3A-12F0 0000-ABCD 1 1 + 1");
    const GhostVolume unknownC = volume('C', std::nullopt, GhostVolume::Disk::Unknown, 0);
    const GhostVolume unknownE = volume('E', std::nullopt, GhostVolume::Disk::Unknown, 0);
    EXPECT_EQ(built(image, 0, false, JobKind::Backup, unknownC, unknownE).volumesLine(),
              "call a:\\volumes.bat job outcome ? ? ? ?");
    // A partition known on a disk the system does not place.
    EXPECT_EQ(volume('D', 0xFFFFFFFF, GhostVolume::Disk::Unknown, 2).expected(), "?:2");
    EXPECT_EQ(volume('D', 0xFFFFFFFF, GhostVolume::Disk::Unknown, 2).serialText(), "FFFF-FFFF");
    EXPECT_EQ(volume('D', std::nullopt, GhostVolume::Disk::Unknown, 2).serialText(), "");
    // Another drive without a serial has no mark: the job's checks refuse it.
    EXPECT_EQ(built("C:\\a.gho", 0, false, JobKind::Restore, volume('D', std::nullopt, kBoot, 2), kC).volumesLine(),
              "call a:\\volumes.bat  8C3A-12F0 1 2 1 1");
}

TEST(GhostCommandLine, PathTailCutsOnlyTheDrivePrefix) {
    EXPECT_EQ(pathTail(""), "");
    EXPECT_EQ(pathTail("E"), "");
    EXPECT_EQ(pathTail("E:"), "");
    EXPECT_EQ(pathTail("E:\\"), "\\");
    // GBK folder names stay whole.
    EXPECT_EQ(pathTail("E:\\备份\\系统.gho"), "\\备份\\系统.gho");
    EXPECT_NE(built("", 0, false).backupLine().find("dst=%img% -sure"), Text::npos);
}

// ghost.bat: the volumes first (no numbers, no Ghost); a restore has Ghost
// check the image and runs only when the check succeeds; a backup that
// Ghost finished is checked at once; RECORD.BAT notes each step's result and
// restarts the machine.
TEST(GhostBat, GhostRunsOnlyWithTheNumbersFoundAndEveryResultIsNoted) {
    const Text image = "E:\\Ghost\\G_WinXP.gho";
    const Text volumes = "call a:\\volumes.bat 8C3A-12F0 5E5E-0003 1 1 1 3\r\n"
                         "if \"%tgt%\"==\"\" restart\r\n"
                         "if \"%img%\"==\"\" restart\r\n";
    EXPECT_EQ(*built(image, 0, false).batText(),
              volumes +
                  "Ghost.exe -nousb -chkimg,%img%\\Ghost\\G_WinXP.gho\r\n"
                  "if errorlevel 1 a:\\record.bat check\r\n"
                  "call a:\\record.bat started\r\n"
                  "Ghost.exe -nousb -clone,mode=pload,src=%img%\\Ghost\\G_WinXP.gho:1,dst=%tgt%  -sure -fx\r\n"
                  "a:\\record.bat exit\r\n"
                  "restart");
    // CRC errors ignored: no check.
    EXPECT_EQ(*built(image, 0, true).batText(),
              volumes +
                  "call a:\\record.bat started\r\n"
                  "Ghost.exe -nousb -clone,mode=pload,src=%img%\\Ghost\\G_WinXP.gho:1,dst=%tgt% -crcignore -sure -fx\r\n"
                  "a:\\record.bat exit\r\n"
                  "restart");
    EXPECT_EQ(*built(image, 0, false, JobKind::Backup).batText(),
              volumes +
                  "call a:\\record.bat started\r\n"
                  "Ghost.exe -nousb -clone,mode=pdump,src=%tgt%,dst=%img%\\Ghost\\G_WinXP.gho -sure -fro -fx -z1\r\n"
                  "if errorlevel 1 a:\\record.bat exit\r\n"
                  "call a:\\record.bat done\r\n"
                  "Ghost.exe -nousb -chkimg,%img%\\Ghost\\G_WinXP.gho\r\n"
                  "a:\\record.bat verified\r\n"
                  "restart");
    EXPECT_EQ(*built(image, 0, false, JobKind::Manual).batText(), "ghost.exe");
    EXPECT_FALSE(built(image, 0, false, JobKind::None).batText());
}

TEST(GhostBat, TheBatchFilesOfThisProgramAreKnownByTheirText) {
    const Text image = "E:\\Ghost\\G_WinXP.gho";
    for (const JobKind k : {JobKind::Manual, JobKind::Restore, JobKind::Backup})
        for (const bool ignoreCrc : {false, true})
            EXPECT_TRUE(isGhostBatText(*built(image, 0, ignoreCrc, k).batText()));
    // Jobs an earlier version prepared (Ghost restarted the machine itself):
    // the command line and its restart; with the record's lines; with the
    // image check first.
    const Text oldRestore = "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\G_WinXP.gho:1,dst=1:1  -sure -rb";
    EXPECT_TRUE(isGhostBatText(oldRestore + "\r\nrestart"));
    EXPECT_TRUE(isGhostBatText("call a:\\record.bat started\r\n" + oldRestore + "\r\na:\\record.bat exit\r\nrestart"));
    EXPECT_TRUE(isGhostBatText("Ghost.exe -nousb -chkimg,1:3\\Ghost\\G_WinXP.gho\r\nif errorlevel 1 goto check\r\n"
                               "call a:\\record.bat started\r\n" + oldRestore +
                               "\r\na:\\record.bat exit\r\nrestart\r\n:check\r\na:\\record.bat check\r\nrestart"));
    const Text checked = *built(image, 0, false).batText();
    const Text backup = *built(image, 0, false, JobKind::Backup).batText();
    for (const Text& other : {Text(""), Text("ghost.exe\r\n"), Text("@echo off\r\nghost.exe -clone\r\nrestart"),
                             Text("Ghost.exe -nousb -clone,mode=pload,src=1:3\\a.gho:1,dst=1:1\r\ndel c:\\x\r\nrestart"),
                             checked + "\r\n", "del c:\\*.*\r\n" + checked, checked.substr(checked.find("\r\n") + 2),
                             backup.substr(0, backup.rfind("\r\n")), "call a:\\volumes.bat\r\n" + backup})
        EXPECT_FALSE(isGhostBatText(other)) << other;
}

}  // namespace
}  // namespace trivex::job
