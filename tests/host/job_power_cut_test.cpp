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

    // The program ends with the machine; at the next start it runs again.
    void nextStart() {
        machine.restorePower();
        windows.closeWindow(kMain);
        windows.processPendingMessages();
        messagesBefore = windows.messages().size();
        next = std::make_unique<App>(machine, windows);
        ASSERT_TRUE(windows.openWindow(kMain, false));
        windows.processPendingMessages();
    }
    std::vector<Text> toldSinceStart() const {
        std::vector<Text> out;
        for (size_t i = messagesBefore; i < windows.messages().size(); ++i) out.push_back(windows.messages()[i].text);
        return out;
    }

    // Whether a whole job waits: the boot points at our loader and every file is ours.
    bool wholeJobWaits() {
        const JobFilesFound f = findJobFiles(machine);
        return redirected() && f.record && f[JobFileId::Loader].ours && f[JobFileId::GhostBat].ours &&
               f[JobFileId::GhostExe].ours && f[JobFileId::BootImage].ours && machine.exists("E:\\TRIVEX.JOB");
    }

    // The machine starts Windows with the user's menu and files, and nothing
    // of a job is left. The menu has its protection back once the saved copy
    // took its place again (the image file button had cleared it).
    void expectWindowsAsBefore(const std::string& step) {
        EXPECT_EQ(machine.content(kBootIni), userMenu) << step;
        if (!machine.exists(kBootBak)) { EXPECT_EQ(machine.attributes(kBootIni) & kRhs, kRhs) << step; }
        EXPECT_EQ(machine.content(kGrldr), kUsersLoader) << step;
        EXPECT_EQ(machine.attributes(kGrldr) & kRhs, kAttrHidden | kAttrSystem) << step;
        for (const char* path : {kGrldrBak, kGhostBat, kGhostExe, kVemoImg, "C:\\TRIVEX.JOB", "C:\\TRIVEX.TMP",
                                 "E:\\TRIVEX.JOB", "E:\\TRIVEX.TMP"})
            EXPECT_FALSE(machine.exists(path)) << step << ": " << path;
        EXPECT_EQ(machine.content(kRestoreImage), kImageBytes) << step;
    }

    Text userMenu;
    size_t messagesBefore = 0;
    std::unique_ptr<App> next;
};

// One message says that the job was cut short and has been taken back.
void expectToldTakenBack(const std::vector<Text>& said, const std::string& step) {
    ASSERT_EQ(said.size(), 1u) << step;
    EXPECT_NE(said[0].find("被中断"), Text::npos) << step << ": " << said[0];
    EXPECT_NE(said[0].find("已把这个不完整的任务撤回"), Text::npos) << step << ": " << said[0];
}

// A whole restore that waits is left alone and named, in one message.
void expectToldWaiting(const std::vector<Text>& said, const std::string& step) {
    ASSERT_EQ(said.size(), 1u) << step;
    EXPECT_EQ(said[0].find("有一个还原任务正在等待"), 0u) << step << ": " << said[0];
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

const std::vector<Text> kPreparing = {
    "write C:\\TRIVEX.TMP",
    "move C:\\TRIVEX.TMP C:\\TRIVEX.JOB",
    "rename C:\\grldr C:\\grldr.bak",
    "write C:\\TRIVEX.TMP",
    "move C:\\TRIVEX.TMP C:\\grldr",
    "write C:\\TRIVEX.TMP",
    "move C:\\TRIVEX.TMP C:\\ghost.bat",
    "write C:\\TRIVEX.TMP",
    "move C:\\TRIVEX.TMP C:\\ghost.exe",
    "write C:\\TRIVEX.TMP",
    "move C:\\TRIVEX.TMP C:\\Vemo.img",
    "write E:\\TRIVEX.TMP",
    "move E:\\TRIVEX.TMP E:\\TRIVEX.JOB",
    "write C:\\TRIVEX.TMP",
    "move C:\\TRIVEX.TMP C:\\boot.ini",
};

TEST(PowerCut, WhilePreparingAJob) {
    {
        CutRig rig;
        rig.machine.clearSteps();
        rig.prepare();
        ASSERT_EQ(rig.machine.steps(), kPreparing);
        ASSERT_TRUE(rig.wholeJobWaits());
    }
    for (size_t n = 0; n <= kPreparing.size(); ++n) {
        CutRig rig;
        rig.machine.cutPowerAfter(static_cast<int>(n));
        rig.prepare();
        // Even a cut in the first step leaves half a temporary file to take back.
        expectRepaired(rig, n < kPreparing.size() ? "cut at " + kPreparing[n] : "after the last step", true);
        if (n == kPreparing.size()) { EXPECT_TRUE(rig.wholeJobWaits()); }
    }
}

// The boot is pointed at the loader last; when that fails the job is taken
// back: the boot side first, the files after, the record last.
const std::vector<Text> kTakingBack = {
    "delete C:\\Vemo.img",
    "delete C:\\ghost.exe",
    "delete C:\\ghost.bat",
    "delete C:\\grldr",
    "rename C:\\grldr.bak C:\\grldr",
    "delete E:\\TRIVEX.JOB",
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
        ASSERT_EQ(rig.machine.steps(), expected);
        rig.expectWindowsAsBefore("taken back");
    }
    for (size_t n = 0; n < kTakingBack.size(); ++n) {
        CutRig rig;
        rig.machine.cutPowerAfter(static_cast<int>(kPreparing.size() - 2 + n));
        failingJob(rig);
        expectRepaired(rig, "cut at " + kTakingBack[n], true);
    }
}

// Undo: the saved menu moves over the redirected one, then the files go,
// the user's loader comes back, and the record goes last.
const std::vector<Text> kUndoing = {
    "move C:\\boot.bak C:\\boot.ini",
    "delete C:\\grldr",
    "rename C:\\grldr.bak C:\\grldr",
    "delete C:\\ghost.bat",
    "delete C:\\ghost.exe",
    "delete C:\\Vemo.img",
    "delete E:\\TRIVEX.JOB",
    "delete C:\\TRIVEX.JOB",
};

TEST(PowerCut, WhileUndoingAJob) {
    {
        CutRig rig;
        rig.prepare();
        rig.machine.clearSteps();
        ASSERT_TRUE(undoJob(rig.machine).account());
        ASSERT_EQ(rig.machine.steps(), kUndoing);
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
    "write C:\\TRIVEX.TMP",
    "move C:\\TRIVEX.TMP C:\\TRIVEX.JOB",
    "write C:\\TRIVEX.TMP",
    "move C:\\TRIVEX.TMP C:\\grldr.mbr",
    "write C:\\TRIVEX.TMP",
    "move C:\\TRIVEX.TMP C:\\ghost.bat",
    "write C:\\TRIVEX.TMP",
    "move C:\\TRIVEX.TMP C:\\ghost.exe",
    "write C:\\TRIVEX.TMP",
    "move C:\\TRIVEX.TMP C:\\Vemo.img",
    "write C:\\TRIVEX.TMP",
    "move C:\\TRIVEX.TMP C:\\tvxldr",
    "write E:\\TRIVEX.TMP",
    "move E:\\TRIVEX.TMP E:\\TRIVEX.JOB",
    "run bcdedit.exe /create {ID} /d \"Trivex Ghost\" /application bootsector",
    "run bcdedit.exe /set {ID} device partition=C:",
    "run bcdedit.exe /set {ID} path \\grldr.mbr",
    "run bcdedit.exe /bootsequence {ID}",
    "write C:\\TRIVEX.TMP",
    "move C:\\TRIVEX.TMP C:\\TRIVEX.JOB",
};

// The steps with the entry's identifier written as {ID}.
std::vector<Text> withoutIdentifiers(std::vector<Text> steps) {
    for (Text& s : steps)
        if (const size_t at = s.find("{"); at != Text::npos && s.size() >= at + 38) s.replace(at, 38, "{ID}");
    return steps;
}

// Whether the boot manager starts an entry of a job at the next start.
bool entryStarts(const sim::FakeBcdStore& store) { return !store.values("{bootmgr}", "bootsequence").empty(); }

TEST(PowerCut, WhilePreparingAJobThroughTheStore) {
    {
        StoreCutRig rig;
        rig.machine.clearSteps();
        rig.prepare();
        ASSERT_EQ(withoutIdentifiers(rig.machine.steps()), kPreparingThroughTheStore);
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
        if (n == 0) continue;  // the listing alone changes nothing
        expectToldTakenBack(said, step);
    }
}

// The DOS side puts the menu back by two renames: the redirected boot.ini
// aside as bootini.job, then boot.bak to boot.ini. Cut between them, C: has
// no boot.ini; Windows' loader still starts Windows from its default place,
// and the next start of the program puts the saved menu back.
TEST(PowerCut, BetweenTheDosSidesTwoRenames) {
    CutRig rig;
    rig.prepare();
    ASSERT_TRUE(rig.machine.renameFile(kBootIni, kBootIniAside));
    rig.nextStart();
    EXPECT_EQ(rig.machine.content(kBootIni), rig.userMenu);
    EXPECT_EQ(rig.machine.attributes(kBootIni) & kRhs, kRhs);
    EXPECT_FALSE(rig.machine.exists(kBootIniAside));
    rig.expectWindowsAsBefore("between the renames");
    const std::vector<Text> said = rig.toldSinceStart();
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find("C:\\boot.bak 改回 C:\\boot.ini"), Text::npos) << said[0];

    // A file of that name that is not our menu is not touched.
    CutRig other;
    other.machine.addFile(kBootIniAside, "the user's own notes");
    other.nextStart();
    EXPECT_EQ(other.machine.content(kBootIniAside), "the user's own notes");
    EXPECT_TRUE(other.toldSinceStart().empty());
}

}  // namespace
}  // namespace trivex::testing_job
