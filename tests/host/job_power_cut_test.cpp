// The power goes (or the program is ended) after any single step of
// preparing a job, taking it back or undoing it: the next start leaves a
// machine that starts Windows with the user's menu and files, and says so;
// a whole job that waits for its restart is left alone.
//
// Each test first lists the steps it cuts: a step added to a flow changes
// the list, and the test fails until the new step is listed (and so cut).
#include <memory>

#include "job/boot_store.h"
#include "job/files.h"
#include "job/job_files.h"
#include "job/record.h"
#include "platform/files.h"
#include "tests/support/fake_bcdedit.h"
#include "tests/host/job_test.h"

namespace trivex::testing_job {
namespace {

using namespace job;
using payloads::Payload;

const Text kUsersLoader = "a loader of the user's own";

// A machine with a job about to be prepared: the image file button was
// used, and the user has a loader of its own at C:\grldr.
class CutRig : public JobRig {
public:
    CutRig() {
        saveMenu();
        machine.addFile(kGrldr, kUsersLoader, kAttrHidden | kAttrSystem);
        windows.setText(kMain, ctl::编辑框1, kRestoreImage);
        machine.onCommand("C:\\fqs.bat", "磁盘 0        含有3\r\n");
        userMenu = *machine.content(kBootIni);
    }

    // Whether a whole job waits: the boot points at our loader and every file is ours.
    bool wholeJobWaits() {
        const JobFilesFound f = findJobFiles(machine);
        return redirected() && f.record && f[JobFileId::Loader].ours && f[JobFileId::GhostBat].ours &&
               f[JobFileId::GhostExe].ours && f[JobFileId::BootImage].ours && machine.exists("E:\\TRIVEX.OUT");
    }

    // The machine starts Windows with the user's menu and files, and nothing
    // of a job is left. The menu has its protection back once the saved copy
    // took its place again (the image file button had cleared it).
    void expectWindowsAsBefore(const std::string& step) {
        EXPECT_EQ(machine.content(kBootIni), userMenu) << step;
        if (!machine.exists(kBootBak)) { EXPECT_EQ(machine.attributes(kBootIni) & kRhs, kRhs) << step; }
        EXPECT_EQ(machine.content(kGrldr), kUsersLoader) << step;
        EXPECT_EQ(machine.attributes(kGrldr) & kRhs, kAttrHidden | kAttrSystem) << step;
        for (const char* path : {kGrldrBak, kGhostBat, kGhostExe, kVemoImg, "C:\\TRIVEX.JOB", "E:\\TRIVEX.OUT"})
            EXPECT_FALSE(machine.exists(path)) << step << ": " << path;
        EXPECT_EQ(temporariesLeft(machine), std::vector<Text>{}) << step;
        EXPECT_EQ(machine.content(kRestoreImage), kImageBytes) << step;
    }

    Text userMenu;
};

// One message says that the job was cut short and has been taken back.
void expectToldTakenBack(const std::vector<Text>& said, const std::string& step) {
    ASSERT_EQ(said.size(), 1u) << step;
    EXPECT_NE(said[0].find("被中断"), Text::npos) << step << ": " << said[0];
    EXPECT_NE(said[0].find("已把这个不完整的任务撤回"), Text::npos) << step << ": " << said[0];
}

// After a cut: a whole job that waits is left alone, and named; anything
// else is taken back, and one message says so.
void expectRepaired(CutRig& rig, const std::string& step, bool changedAnything) {
    rig.nextStart();
    const std::vector<Text> said = rig.toldSinceStart();
    if (rig.wholeJobWaits()) {
        expectToldWaiting(said, step);
        return;
    }
    rig.expectWindowsAsBefore(step);
    if (!changedAnything) {
        EXPECT_TRUE(said.empty()) << step;
        return;
    }
    expectToldTakenBack(said, step);
}

// The steps with each temporary file's number written as ?????, and each
// store entry's identifier as {ID}.
std::vector<Text> normalised(std::vector<Text> steps) {
    for (Text& s : steps) {
        for (size_t at = s.find("\\TVX"); at != Text::npos; at = s.find("\\TVX", at + 1))
            if (isTemporaryName(s.substr(at + 1, 12))) s.replace(at + 4, 5, "?????");
        // The entry's identifier, which the program chooses: "{" and 36 more characters, "}".
        if (const size_t at = s.find('{'); at != Text::npos && s.size() >= at + 38 && s[at + 37] == '}')
            s.replace(at, 38, "{ID}");
    }
    return steps;
}

// The token is kept on the machine first; the boot image, which carries
// it, is written before a file of the user's is set aside.
const std::vector<Text> kPreparing = {
    "setting Tokens",
    "write C:\\TVX?????.TMP",
    "move C:\\TVX?????.TMP C:\\TRIVEX.JOB",
    "write C:\\TVX?????.TMP",
    "move C:\\TVX?????.TMP C:\\Vemo.img",
    "rename C:\\grldr C:\\grldr.bak",
    "write C:\\TVX?????.TMP",
    "move C:\\TVX?????.TMP C:\\grldr",
    "write C:\\TVX?????.TMP",
    "move C:\\TVX?????.TMP C:\\ghost.bat",
    "write C:\\TVX?????.TMP",
    "move C:\\TVX?????.TMP C:\\ghost.exe",
    "write E:\\TVX?????.TMP",
    "move E:\\TVX?????.TMP E:\\TRIVEX.OUT",
    "write C:\\TVX?????.TMP",
    "move C:\\TVX?????.TMP C:\\boot.ini",
};

TEST(PowerCut, WhilePreparingAJob) {
    {
        CutRig rig;
        rig.machine.clearSteps();
        rig.prepare();
        ASSERT_EQ(normalised(rig.machine.steps()), kPreparing);
        ASSERT_TRUE(rig.wholeJobWaits());
    }
    for (size_t n = 0; n <= kPreparing.size(); ++n) {
        CutRig rig;
        rig.machine.cutPowerAfter(static_cast<int>(n));
        rig.prepare();
        // A cut while the token is kept changes nothing; a cut in the next
        // step leaves half a record in a temporary file, which is ours.
        expectRepaired(rig, n < kPreparing.size() ? "cut at " + kPreparing[n] : "after the last step", n > 0);
        if (n == kPreparing.size()) { EXPECT_TRUE(rig.wholeJobWaits()); }
    }
}

// The boot is pointed at the loader last; when that fails the job is taken
// back: the boot side first, the files after, the record last.
const std::vector<Text> kTakingBack = {
    "delete C:\\ghost.exe",
    "delete C:\\ghost.bat",
    "delete C:\\grldr",
    "rename C:\\grldr.bak C:\\grldr",
    "delete C:\\Vemo.img",
    "delete E:\\TRIVEX.OUT",
    "delete C:\\TRIVEX.JOB",
};

TEST(PowerCut, WhileTakingAFailedJobBack) {
    const auto failingJob = [](CutRig& rig) {
        rig.machine.failOn(sim::Op::Write, kBootIni);
        rig.prepare();
    };
    {
        CutRig rig;
        rig.machine.clearSteps();
        failingJob(rig);
        std::vector<Text> expected(kPreparing.begin(), kPreparing.end() - 2);
        expected.insert(expected.end(), kTakingBack.begin(), kTakingBack.end());
        ASSERT_EQ(normalised(rig.machine.steps()), expected);
        rig.expectWindowsAsBefore("taken back");
    }
    for (size_t n = 0; n < kTakingBack.size(); ++n) {
        CutRig rig;
        rig.machine.cutPowerAfter(static_cast<int>(kPreparing.size() - 2 + n));
        failingJob(rig);
        expectRepaired(rig, "cut at " + kTakingBack[n], true);
    }
}

// Undo: the menu without the job's lines replaces boot.ini and gets the
// protection of the saved copy, which then goes; then the files go, the
// user's loader comes back, and the record goes last.
const std::vector<Text> kUndoing = {
    "write C:\\TVX?????.TMP",
    "move C:\\TVX?????.TMP C:\\boot.ini",
    "attributes C:\\boot.ini 39",
    "attributes C:\\boot.bak 32",
    "delete C:\\boot.bak",
    "delete C:\\grldr",
    "rename C:\\grldr.bak C:\\grldr",
    "delete C:\\ghost.bat",
    "delete C:\\ghost.exe",
    "delete C:\\Vemo.img",
    "delete E:\\TRIVEX.OUT",
    "delete C:\\TRIVEX.JOB",
};

TEST(PowerCut, WhileUndoingAJob) {
    {
        CutRig rig;
        rig.prepare();
        rig.machine.clearSteps();
        ASSERT_TRUE(undoJob(rig.machine).account());
        ASSERT_EQ(normalised(rig.machine.steps()), kUndoing);
        rig.expectWindowsAsBefore("undone");
    }
    for (size_t n = 0; n < kUndoing.size(); ++n) {
        CutRig rig;
        rig.prepare();
        rig.machine.cutPowerAfter(static_cast<int>(n));
        (void)undoJob(rig.machine);  // cut short
        expectRepaired(rig, "cut at " + kUndoing[n], true);
    }
}

// Windows 7: the one-time entry in the boot configuration store is the
// pointer, added last; the next start may find it without its files, or
// its files without it.
class StoreCutRig : public CutRig {
public:
    StoreCutRig() : store(sim::FakeBcdStore::windows7()), before(store) {
        machine.system().version = {6, 1};
        sim::installAsBcdedit(machine, store);
    }
    sim::FakeBcdStore store;
    const sim::FakeBcdStore before;
};

// The loader goes by the name that grldr.mbr looks for (the user's own
// C:\grldr is no concern of this route); the record names the entry before
// it is made, and says once the entry is the one-time boot.
const std::vector<Text> kPreparingThroughTheStore = {
    "run bcdedit.exe /enum all /v",
    "setting Tokens",
    "write C:\\TVX?????.TMP",
    "move C:\\TVX?????.TMP C:\\TRIVEX.JOB",
    "write C:\\TVX?????.TMP",
    "move C:\\TVX?????.TMP C:\\Vemo.img",
    "write C:\\TVX?????.TMP",
    "move C:\\TVX?????.TMP C:\\grldr.mbr",
    "write C:\\TVX?????.TMP",
    "move C:\\TVX?????.TMP C:\\ghost.bat",
    "write C:\\TVX?????.TMP",
    "move C:\\TVX?????.TMP C:\\ghost.exe",
    "write C:\\TVX?????.TMP",
    "move C:\\TVX?????.TMP C:\\tvxldr",
    "write E:\\TVX?????.TMP",
    "move E:\\TVX?????.TMP E:\\TRIVEX.OUT",
    "run bcdedit.exe /create {ID} /d \"Trivex Ghost\" /application bootsector",
    "run bcdedit.exe /set {ID} device partition=C:",
    "run bcdedit.exe /set {ID} path \\grldr.mbr",
    "run bcdedit.exe /bootsequence {ID}",
    "write C:\\TVX?????.TMP",
    "move C:\\TVX?????.TMP C:\\TRIVEX.JOB",
};

// Whether the boot manager starts an entry of a job at the next start.
bool entryStarts(const sim::FakeBcdStore& store) { return !store.values("{bootmgr}", "bootsequence").empty(); }

TEST(PowerCut, WhilePreparingAJobThroughTheStore) {
    {
        StoreCutRig rig;
        rig.machine.clearSteps();
        rig.prepare();
        ASSERT_EQ(normalised(rig.machine.steps()), kPreparingThroughTheStore);
    }
    for (size_t n = 0; n <= kPreparingThroughTheStore.size(); ++n) {
        StoreCutRig rig;
        rig.machine.cutPowerAfter(static_cast<int>(n));
        rig.prepare();
        const std::string step = n < kPreparingThroughTheStore.size() ? "cut at " + kPreparingThroughTheStore[n] : "whole";
        rig.nextStart();
        const std::vector<Text> said = rig.toldSinceStart();
        const JobFilesFound f = findJobFiles(rig.machine);
        // Cut once the entry is the one-time boot: the job is whole, and waits.
        if (n >= kPreparingThroughTheStore.size() - 2) {
            EXPECT_TRUE(f.record && f[JobFileId::LoaderMbr].ours && f[JobFileId::StoreLoader].ours) << step;
            EXPECT_TRUE(entryStarts(rig.store)) << step;
            expectToldWaiting(said, step);
            continue;
        }
        // Nothing of the job is left, the store is as it was, and the user was told.
        EXPECT_TRUE(rig.store.sameEntries(rig.before)) << step;
        EXPECT_FALSE(rig.machine.exists(kGrldrMbr)) << step;
        rig.expectWindowsAsBefore(step);
        if (n <= 1) continue;  // the listing, and keeping the token, change nothing one sees
        expectToldTakenBack(said, step);
    }
}

// The DOS side writes the menu without the job's lines as bootini.new (with
// the attributes of boot.ini and of the job's boot.bak), renames boot.ini
// aside as bootini.job, gives bootini.new the name boot.ini, deletes
// bootini.job, then the job's boot.bak. Cut after any of these steps, the
// next start finds a machine that starts Windows (between the renames the
// NT loader starts Windows from its default place without a menu) and puts
// the user's menu back, or leaves a whole job that waits.
void dosMenuSteps(CutRig& rig, size_t steps) {
    SimMachine& m = rig.machine;
    const std::optional<JobRecord> record = readRecord(m, kJobRecord);
    ASSERT_TRUE(record);
    const MenuTakeOut taken = takeOutLines(*m.content(kBootIni), record->menu);
    ASSERT_EQ(taken.what, MenuTaken::Edited);
    const auto protection = [&m](const char* path) { return static_cast<uint32_t>(m.attributes(path)) & kRhs; };
    const std::function<void()> dos[] = {
        [&] { m.addFile(kBootIniNew, taken.menu, protection(kBootIni) | protection(kBootBak)); },
        [&] { ASSERT_TRUE(m.renameFile(kBootIni, kBootIniAside)); },
        [&] { ASSERT_TRUE(m.renameFile(kBootIniNew, kBootIni)); },
        [&] { ASSERT_TRUE(m.removeTree(kBootIniAside)); },
        [&] { ASSERT_TRUE(m.removeTree(kBootBak)); },
    };
    for (size_t n = 0; n < steps; ++n) dos[n]();
}

TEST(PowerCut, WhileTheDosSidePutsTheMenuBack) {
    for (size_t steps = 1; steps <= 5; ++steps) {
        const std::string step = "cut after the DOS side's step " + std::to_string(steps);
        CutRig rig;
        rig.prepare();
        dosMenuSteps(rig, steps);
        rig.nextStart();
        EXPECT_FALSE(rig.machine.exists(kBootIniNew)) << step;
        EXPECT_FALSE(rig.machine.exists(kBootIniAside)) << step;
        if (steps == 1) {
            EXPECT_TRUE(rig.wholeJobWaits()) << step;
            expectToldWaiting(rig.toldSinceStart(), step);
            continue;
        }
        rig.expectWindowsAsBefore(step);
        EXPECT_EQ(rig.machine.attributes(kBootIni) & kRhs, kRhs) << step;
        expectToldTakenBack(rig.toldSinceStart(), step);
        if (steps == 2) {
            EXPECT_NE(rig.toldSinceStart()[0].find("DOS 下恢复启动菜单时被中断"), Text::npos) << rig.toldSinceStart()[0];
        }
    }

    // Between the renames, without the DOS side's bootini.new (or with one
    // cut short): the menu is made from the job's menu aside.
    CutRig rig;
    rig.prepare();
    dosMenuSteps(rig, 2);
    rig.machine.addFile(kBootIniNew, "[boot lo");
    rig.nextStart();
    rig.expectWindowsAsBefore("bootini.new cut short");
    EXPECT_EQ(rig.machine.attributes(kBootIni) & kRhs, kRhs);
    EXPECT_EQ(rig.machine.content(kBootIniNew), "[boot lo") << "not the job's menu: not ours to delete";
    EXPECT_FALSE(rig.machine.exists(kBootIniAside));

    // Files of those names that are not ours are not touched.
    CutRig other;
    other.machine.addFile(kBootIniAside, "the user's own notes");
    other.machine.addFile(kBootIniNew, "the user's own list");
    other.nextStart();
    EXPECT_EQ(other.machine.content(kBootIniAside), "the user's own notes");
    EXPECT_EQ(other.machine.content(kBootIniNew), "the user's own list");
    EXPECT_TRUE(other.toldSinceStart().empty());
}

}  // namespace
}  // namespace trivex::testing_job
