// Ghost's numbers found by the volumes at the restart, booted for real: one
// table of machine shapes, each a machine whose disks the test lays out
// (tables, chains, FAT and NTFS with serials of its choosing) and whose C:
// holds the job the program's own writers made (record, ghost.bat with the
// volumes of the job's partitions as Windows gave them and the numbers it
// expects, the boot menu, the image with the job's token). Each machine
// boots GRUB4DOS, DOS and the job; the Ghost stand-in logs its command lines
// on C:, and the outcome record on the image's drive is read back with the
// program's own reader. Ghost gets exactly the numbers of the volumes, or
// never runs and the screen and the record say why; and what Ghost comes
// back with (0, an error, never) is what the record says.
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "../payloads/helpers.h"
#include "chain.h"
#include "job/ghost_plan.h"
#include "layout.h"
#include "machine.h"

namespace trivex::test {
namespace {

using namespace std::chrono_literals;
using job::GhostVolume;
using job::JobKind;

constexpr auto kBootLimit = 420s;
const std::string kToken = "00C0FFEE00C0FFEE";
constexpr uint32_t kC = 63;  // where C: starts on the first disk, the job's drive

// How a shape's boot ends.
enum class Ending {
    Restarts,  // the job runs and the machine restarts by itself
    Refused,   // Ghost does not run: the screen says why, and a key restarts
    Hangs,     // Ghost never returns: the test cuts the machine
};

// A partition of the job as Windows saw it: where it lives (disk, first
// sector), its volume serial (0: Windows gave none) and the number Windows
// expects.
struct JobPart {
    char letter;
    size_t disk;
    uint32_t start;
    uint32_t serial;
    GhostVolume::Disk expectedDisk;
    int expectedPartition;
};

struct Shape {
    std::string name;
    std::vector<Disk> disks;  // the first one boots; C: is its partition at sector 63
    JobKind kind;
    JobPart target, image;   // the image's partition is FAT: the outcome copy is there
    std::string exitCodes;   // C:\TVXTEST\EXITCODE: an image check's, any other run's (FFh: never returns)
    bool ignoreCrc = false;
    Ending ending = Ending::Restarts;
    std::string foundTarget, foundImage;  // Ghost's numbers the DOS side finds
    std::string appended;    // what the DOS side appends to the outcome copy
    std::string says;        // Refused: a part of the screen
    bool numbersGiven = false;  // ghost.bat sets the numbers found instead of searching (a measurement's control)
};

GhostVolume volumeOf(const JobPart& p) {
    GhostVolume v;
    v.letter = p.letter;
    if (p.serial) v.serial = p.serial;
    v.disk = p.expectedDisk;
    v.partition = p.expectedPartition;
    return v;
}

job::GhostPlan planOf(const Shape& s) {
    job::JobRequest request;
    request.restoreChecked = s.kind == JobKind::Restore;
    request.backupChecked = s.kind == JobKind::Backup;
    request.targetDrive = std::string(1, s.target.letter);
    request.imagePath = std::string(1, s.image.letter) + ":\\Ghost\\G_WinXP.gho";
    request.compressionLevel = 2;
    request.ignoreCrc = s.ignoreCrc;
    return job::planGhost(request, volumeOf(s.target), volumeOf(s.image));
}

std::string recordOf(const Shape& s, bool outcomeCopy) {
    job::JobRecord r;
    r.token = kToken;
    r.outcomeCopy = outcomeCopy;
    r.kind = s.kind;
    r.route = job::BootRoute::BootIni;
    r.prepared = "2026-12-08 09:15:00";
    r.image = std::string(1, s.image.letter) + ":\\Ghost\\G_WinXP.gho";
    r.wrote = wroteFiles();
    r.menu = kPlan.memo;
    r.targetDrive = s.target.letter;
    const job::GhostPlan plan = planOf(s);
    r.target = {plan.target.serialText(), "", "", plan.target.expected()};
    r.imageVolume = {plan.image.serialText(), "", "", plan.image.expected()};
    return job::recordText(r);
}

// What the Ghost stand-in logs: the runs of this job's kind, up to the run
// that fails or never returns.
std::string expectedLog(const Shape& s) {
    if (s.ending == Ending::Refused) return "";
    const job::GhostPlan plan = planOf(s);
    const int check = static_cast<unsigned char>(s.exitCodes[0]), other = static_cast<unsigned char>(s.exitCodes[1]);
    std::vector<std::string> runs;
    if (s.kind == JobKind::Restore) {
        if (!s.ignoreCrc) runs.push_back(plan.checkLine());
        if (s.ignoreCrc || check == 0) runs.push_back(plan.restoreLine());
    } else {
        runs.push_back(plan.backupLine());
        if (other == 0) runs.push_back(plan.checkLine());
    }
    return ghostLog(runs, s.foundTarget, s.foundImage);
}

// ---- The table ---------------------------------------------------------------------

// The first disk with C: (FAT32) only, and a disk of one FAT32 partition.
Disk cOnly(uint32_t serial) { return {72000, {{kFat32, kC, 69937, Fs::Fat32, serial}}, {}}; }
// C: (FAT32), then an extended partition with one logical FAT16 drive.
Disk cAndLogical(uint32_t c, uint32_t logical) {
    return {140000, {{kFat32, kC, 69937, Fs::Fat32, c}, {kExtended, 70000, 40000}}, {{kFat16, 70063, 39937, Fs::Fat16, logical}}};
}

constexpr auto kBoot = GhostVolume::Disk::Boot;
constexpr auto kLater = GhostVolume::Disk::Later;
constexpr auto kUnknown = GhostVolume::Disk::Unknown;
const std::string kAllWell("\x00\x00", 2);

const std::vector<Shape>& shapes() {
    static const std::vector<Shape> table = {
        // The image on a logical drive of the boot disk: Ghost's 1:2.
        {"ImageOnALogicalDrive", {cAndLogical(0xA1A10001, 0xA1A10002)}, JobKind::Restore,
         {'C', 0, kC, 0xA1A10001, kBoot, 1}, {'E', 0, 70063, 0xA1A10002, kBoot, 2}, kAllWell, false, Ending::Restarts,
         "1:1", "1:2", "dos=found\r\nvolumes=found 1:1 1:2\r\nghost=started\r\nghost=exit 0\r\n", ""},
        // The image on the only partition of a second disk: Ghost's 2:1,
        // which Windows can only say is on a disk after the boot disk.
        {"RestoreFromTheSecondDisk", {cOnly(0xA2A20001), cOnly(0xA2A20002)}, JobKind::Restore,
         {'C', 0, kC, 0xA2A20001, kBoot, 1}, {'D', 1, kC, 0xA2A20002, kLater, 1}, std::string("\x00\x0A", 2), false,
         Ending::Restarts, "1:1", "2:1", "dos=found\r\nvolumes=found 1:1 2:1\r\nghost=started\r\nghost=exit 10\r\n", ""},
        {"BackupToTheSecondDisk", {cOnly(0xA3A30001), cOnly(0xA3A30002)}, JobKind::Backup,
         {'C', 0, kC, 0xA3A30001, kBoot, 1}, {'D', 1, kC, 0xA3A30002, kLater, 1}, kAllWell, false, Ending::Restarts,
         "1:1", "2:1", "dos=found\r\nvolumes=found 1:1 2:1\r\nghost=started\r\nghost=exit 0\r\nimage-check=0\r\n", ""},
        // Ghost never comes back from the backup: the record's last word is
        // that it started.
        {"GhostNeverReturns", {cAndLogical(0xA4A40001, 0xA4A40002)}, JobKind::Backup,
         {'C', 0, kC, 0xA4A40001, kBoot, 1}, {'E', 0, 70063, 0xA4A40002, kBoot, 2}, std::string("\x00\xFF", 2), false,
         Ending::Hangs, "1:1", "1:2", "dos=found\r\nvolumes=found 1:1 1:2\r\nghost=started\r\n", ""},
        // A second disk cloned from the first (before this job): every
        // serial is on two partitions.
        {"ClonedSecondDisk", {cAndLogical(0xA5A50001, 0xA5A50002), {0, {}, {}, Twist::CloneOfDisk1}}, JobKind::Restore,
         {'C', 0, kC, 0xA5A50001, kBoot, 1}, {'E', 0, 70063, 0xA5A50002, kBoot, 2}, kAllWell, false, Ending::Refused,
         "", "", "dos=found\r\nvolumes=none 2\r\n", "Two partitions have this volume serial"},
        {"ExtendedChainLoops",
         {cOnly(0xA6A60001),
          {72000, {{kFat16, kC, 19937, Fs::Fat16, 0xA6A60002}, {kExtended, 20000, 40000}},
           {{kFat16, 20063, 9937, Fs::Fat16, 0xA6A60003}, {kFat16, 30063, 9937, Fs::Fat16, 0xA6A60004}}, Twist::ChainLoops}},
         JobKind::Backup, {'C', 0, kC, 0xA6A60001, kBoot, 1}, {'D', 1, kC, 0xA6A60002, kLater, 1}, kAllWell, false,
         Ending::Refused, "", "", "dos=found\r\nvolumes=none 4\r\n", "The partition table of hard disk 2 is broken"},
        {"DiskWithReadErrors",
         {cOnly(0xA7A70001),
          {40000, {{kFat16, kC, 19937, Fs::Fat16, 0xA7A70002}, {kNtfs, 20000, 9937, Fs::Ntfs, 0xA7A70003}}, {},
           Twist::ReadErrors}},
         JobKind::Restore, {'C', 0, kC, 0xA7A70001, kBoot, 1}, {'D', 1, kC, 0xA7A70002, kLater, 1}, kAllWell, false,
         Ending::Refused, "", "", "dos=found\r\nvolumes=none 3\r\n", "Hard disk 2 could not be read"},
        // An NTFS partition restored (its serial from its boot sector's 48h),
        // CRC errors ignored: no image check.
        {"NtfsTarget",
         {{140000,
           {{kFat32, kC, 69937, Fs::Fat32, 0xA8A80001}, {kNtfs, 70000, 19937, Fs::Ntfs, 0xA8A80002},
            {kExtended, 90000, 40000}},
           {{kFat16, 90063, 39937, Fs::Fat16, 0xA8A80003}}}},
         JobKind::Restore, {'D', 0, 70000, 0xA8A80002, kBoot, 2}, {'E', 0, 90063, 0xA8A80003, kBoot, 3},
         kAllWell, true, Ending::Restarts, "1:2", "1:3",
         "dos=found\r\nvolumes=found 1:2 1:3\r\nghost=started\r\nghost=exit 0\r\n", ""},
        // Windows gave no serials and could not read the layout (folder
        // drives): the job's own files mark C: and the image's drive, and the
        // numbers found there decide. The new image fails Ghost's check.
        {"MarkedByTheJobsOwnFiles", {cOnly(0xA9A90001), cOnly(0xA9A90002)}, JobKind::Backup,
         {'C', 0, kC, 0, kUnknown, 0}, {'D', 1, kC, 0, kUnknown, 0}, std::string("\x19\x00", 2), false,
         Ending::Restarts, "1:1", "2:1",
         "dos=found\r\nvolumes=found 1:1 2:1\r\nghost=started\r\nghost=exit 0\r\nimage-check=25\r\n", ""},
        // Windows expected the image on partition 3; it is found on 1:2.
        {"NumbersDiffer", {cAndLogical(0xAAAA0001, 0xAAAA0002)}, JobKind::Restore,
         {'C', 0, kC, 0xAAAA0001, kBoot, 1}, {'E', 0, 70063, 0xAAAA0002, kBoot, 3}, kAllWell, false, Ending::Refused,
         "1:1", "1:2", "dos=found\r\nvolumes=differ 1:1 1:2\r\n", "expected 1:3"},
        // The first shape again with the numbers written into ghost.bat in
        // the place of the search: what the search adds to the boot is the
        // difference, measured side by side.
        {"ImageOnALogicalDriveNumbersGiven", {cAndLogical(0xABAB0001, 0xABAB0002)}, JobKind::Restore,
         {'C', 0, kC, 0xABAB0001, kBoot, 1}, {'E', 0, 70063, 0xABAB0002, kBoot, 2}, kAllWell, false, Ending::Restarts,
         "1:1", "1:2", "dos=found\r\nghost=started\r\nghost=exit 0\r\n", "", true},
    };
    return table;
}

// ---- The machines ------------------------------------------------------------------------

class JobVolumes : public ::testing::TestWithParam<size_t> {
public:
    static fs::path diskPath(size_t s, size_t d) {
        return kWork / "volumes" / (shapes()[s].name + "-disk" + std::to_string(d + 1) + ".img");
    }

protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite() { machines_.clear(); }

    static std::vector<std::unique_ptr<Machine>> machines_;
    static std::string setupError_;
};

std::vector<std::unique_ptr<Machine>> JobVolumes::machines_;
std::string JobVolumes::setupError_;

// The shape's disks, then the job's files on C: and the image's drive (a
// clone is made before: it holds no file of this job).
std::vector<fs::path> makeShape(const Shape& s, size_t index, const Payloads& payloads) {
    std::vector<fs::path> qemuDisks;
    for (size_t d = 0; d < s.disks.size(); ++d) {
        Disk disk = s.disks[d];
        if (d == 0) disk.bootCode = readAll(kBootchain / "grldr.mbr");
        qemuDisks.push_back(makeLayoutDisk(JobVolumes::diskPath(index, d), disk, JobVolumes::diskPath(index, 0)));
    }
    const fs::path c = JobVolumes::diskPath(index, 0);
    const job::GhostPlan plan = planOf(s);
    putFile(c, kC, "BOOT.INI", kRedirectedMenu, "A");
    putFile(c, kC, "BOOT.BAK", kSavedMenu, "RHSA");
    std::string bat = *plan.batText();
    if (s.numbersGiven) {
        // The search's three lines (the call and the two guards) become the numbers.
        size_t cut = 0;
        for (int line = 0; line < 3; ++line) cut = bat.find("\r\n", cut) + 2;
        bat = "set tgt=" + s.foundTarget + "\r\nset img=" + s.foundImage + "\r\n" + bat.substr(cut);
    }
    putFile(c, kC, "GHOST.BAT", bat, "A");
    putFile(c, kC, "GHOST.EXE", payloads.ghost, "A");
    putFile(c, kC, "GRLDR", payloads.loader, "A");
    putFile(c, kC, "VEMO.IMG", withToken(payloads.image, kToken), "A");
    putFile(c, kC, "TRIVEX.JOB", recordOf(s, false), "A");
    makeFolder(c, kC, "TVXTEST");
    putFile(c, kC, "TVXTEST/EXITCODE", s.exitCodes, "A");
    const fs::path image = JobVolumes::diskPath(index, s.image.disk);
    putFile(image, s.image.start, "TRIVEX.OUT", recordOf(s, true), "A");
    makeFolder(image, s.image.start, "GHOST");
    putFile(image, s.image.start, "GHOST/G_WINXP.GHO", "\xFE\xEF" + std::string(5000, 'g'), "A");
    return qemuDisks;
}

// Whether this run runs the shape's test.
bool selected(size_t shape) {
    const ::testing::TestSuite* suite = ::testing::UnitTest::GetInstance()->current_test_suite();
    for (int i = 0; suite && i < suite->total_test_count(); ++i) {
        const std::string name = suite->GetTestInfo(i)->name();
        if (suite->GetTestInfo(i)->should_run() && name.substr(name.rfind('/') + 1) == shapes()[shape].name) return true;
    }
    return !suite;
}

void JobVolumes::SetUpTestSuite() {
    try {
        const Payloads& payloads = builtPayloads();
        const auto start = std::chrono::steady_clock::now();
        fs::create_directories(kWork / "volumes");
        // The machines of the shapes this run selects (all of them, or those
        // a --gtest_filter names) run side by side.
        machines_.resize(shapes().size());
        std::vector<std::vector<fs::path>> disks(shapes().size());
        for (size_t s = 0; s < shapes().size(); ++s)
            if (selected(s)) disks[s] = makeShape(shapes()[s], s, payloads);
        for (size_t s = 0; s < shapes().size(); ++s)
            if (selected(s))
                machines_[s] = std::make_unique<Machine>(disks[s], kWork / "volumes" / (shapes()[s].name + ".log"));
        std::printf("volumes: disks made and machines started: %.1f s\n", secondsSince(start));
    } catch (const std::exception& e) {
        setupError_ = e.what();
    }
}

// Ticks from the job's ghost.bat to Ghost's first run, by shape.
std::map<std::string, long>& beforeGhost() {
    static std::map<std::string, long> ticks;
    return ticks;
}

// The BIOS tick counts of C:\TVXTEST\TICKS.LOG: before the job's ghost.bat,
// then at the start of each Ghost run.
std::vector<long> ticksOf(const std::string& text) {
    std::vector<long> ticks;
    std::istringstream in(text);
    for (long t; in >> t;) ticks.push_back(t);
    return ticks;
}

TEST_P(JobVolumes, GhostGetsTheNumbersOfTheVolumesOrDoesNotRunAndTheRecordSaysWhatHappened) {
    if (!setupError_.empty()) FAIL() << setupError_;
    const size_t index = GetParam();
    const Shape& s = shapes()[index];
    Machine& machine = *machines_[index];
    const auto start = std::chrono::steady_clock::now();
    bool ended = false;
    switch (s.ending) {
        case Ending::Restarts: ended = machine.waitForEnd(kBootLimit); break;
        case Ending::Refused: ended = machine.waitForEnd(kBootLimit, kPauseText); break;
        case Ending::Hangs: ended = machine.waitForScreen("this run never returns", kBootLimit); break;
    }
    std::printf("%s: the boot ended after another %.1f s\n", s.name.c_str(), secondsSince(start));
    ASSERT_TRUE(ended) << "the screen:\n" << machine.lastScreen();
    if (s.ending == Ending::Refused) {
        EXPECT_NE(machine.lastScreen().find(s.says), std::string::npos) << machine.lastScreen();
        EXPECT_NE(machine.lastScreen().find("Ghost did NOT run"), std::string::npos) << machine.lastScreen();
    }

    const Root c = readRoot(diskPath(index, 0), kC);
    SCOPED_TRACE("C: after the boot:\n" + describe(c));
    const auto file = [](const Root& root, const std::string& name) {
        const auto it = root.find(name);
        return it == root.end() ? std::string() : it->second.bytes;
    };
    EXPECT_EQ(file(c, "GHOSTRAN.LOG"), expectedLog(s)) << "Ghost's command lines";
    EXPECT_EQ(file(c, "BOOT.INI"), kSavedMenu) << "the user's boot menu is back";
    for (const char* gone : {"GHOST.BAT", "GHOST.EXE", "VEMO.IMG", "TRIVEX.JOB", "GRLDR"})
        EXPECT_FALSE(c.count(gone)) << gone;

    const std::string outcome = file(readRoot(diskPath(index, s.image.disk), s.image.start), "TRIVEX.OUT");
    EXPECT_EQ(outcome, recordOf(s, true) + s.appended);
    const std::optional<job::JobRecord> read = job::parseRecord(outcome);
    ASSERT_TRUE(read) << outcome;
    EXPECT_EQ(read->foundTarget, s.numbersGiven ? "" : s.foundTarget);
    if (s.ending == Ending::Refused) {
        EXPECT_NE(read->volumes, job::VolumesFound::Found);
    }

    // What the search adds before Ghost: from the last program before the
    // job's ghost.bat to Ghost's first run, in the emulated machine's time
    // (BIOS ticks, 18.2 a second). A measurement, not a check.
    const std::vector<long> ticks = ticksOf(diskFile(diskPath(index, 0), kC, "TVXTEST/TICKS.LOG"));
    if (s.ending != Ending::Refused && ticks.size() >= 2) {
        beforeGhost()[s.name] = ticks[1] - ticks[0];
        std::printf("%s: from the job's ghost.bat to Ghost's first run: %ld ticks, %.0f ms of emulated time\n",
                    s.name.c_str(), ticks[1] - ticks[0], (ticks[1] - ticks[0]) * 1000.0 / 18.2065);
    }
    const auto searched = beforeGhost().find("ImageOnALogicalDrive"), given = beforeGhost().find("ImageOnALogicalDriveNumbersGiven");
    if (s.numbersGiven && searched != beforeGhost().end() && given != beforeGhost().end())
        std::printf("the volumes' search (with its note in the record and the checks of the numbers) adds %ld ticks, "
                    "%.0f ms of emulated time, to the same job with its numbers written into ghost.bat (%ld against %ld "
                    "ticks, side by side)\n",
                    searched->second - given->second, (searched->second - given->second) * 1000.0 / 18.2065,
                    searched->second, given->second);
}

INSTANTIATE_TEST_SUITE_P(Shapes, JobVolumes, ::testing::Range(size_t{0}, shapes().size()),
                         [](const ::testing::TestParamInfo<size_t>& info) { return shapes()[info.param].name; });

}  // namespace
}  // namespace trivex::test
