// The machine knows its own job whatever the registry holds: after a
// restore of C: brought back the image's registry (without the job's
// token), after the list of kept tokens became unreadable, and never on
// another computer, not even one cloned from the same disk. Both routes.
#include <functional>

#include "job/ownership.h"
#include "job/tokens.h"
#include "tests/host/waiting_rig.h"

namespace trivex::testing_job {
namespace {

using namespace job;

const Text kRan = "dos=found\r\nvolumes=found 1:1 1:3\r\nghost=started\r\n";
const Text kOutcome = "E:\\TRIVEX.OUT";

// A job prepared by the program of the next start, C: chosen as before.
void prepareAgain(WaitingRig& r) {
    r.current().state.selectedDrive = "C";
    r.windows.setText(kMain, ctl::编辑框1, kRestoreImage);
    r.current().dispatch(kMain, cmd::prepare_job, 0);
}

// What the registry holds afterwards.
void imageRegistry(WaitingRig& r) { r.machine.settings()[kTokensSetting] = "00000000000000AA 00000000000000BB"; }
void anotherComputer(WaitingRig& r) { r.machine.setHardwareIdentity({"disk:ANOTHER-DISK", "net:02AABBCCDD99"}); }

// A restore of C: whose registry came back from the image: the job ran to
// each outcome the DOS side can leave, then the next start.
struct Restored {
    const char* name;
    Text lines;
    bool filesStay;  // the DOS side ran nothing and left the job's files (skipped)
    Text status;     // part of the status bar
};

const Restored kRestored[] = {
    {"Ghost exits 0", kRan + "ghost=exit 0\r\n", false, "上次还原已完成"},
    {"Ghost exits 10", kRan + "ghost=exit 10\r\n", false, "上次还原失败"},
    {"Ghost never returns", kRan, false, "无法确认上次还原已完成"},
    {"the outcome could not be written", "dos=found\r\ndos=unrecorded\r\n", false, "无法确认上次还原已完成"},
    {"the user skipped it", "dos=found\r\ndos=skipped\r\n", true, "没有还原"},
    {"the volumes refused", "dos=found\r\nvolumes=none 2\r\n", false, "上次还原失败"},
};

TEST(AfterARestore, TheJobIsToldAndTheNextJobOnThatDriveGoesAhead) {
    for (const bool storeRoute : {true, false})
        for (const Restored& c : kRestored) {
            SCOPED_TRACE(std::string(c.name) + (storeRoute ? " (store)" : " (boot.ini)"));
            WaitingRig rig(storeRoute);
            if (storeRoute) ASSERT_EQ(rig.store.run("/bootsequence {memdiag}").exitCode, 0u);
            rig.prepare();
            ASSERT_TRUE(rig.wholeJob());
            if (c.filesStay) {
                // The menu is back and the job's files wait for undo.
                if (!storeRoute) rig.machine.addFile(kBootIni, kXpBootIni, kRhs);
                rig.machine.addFile(kOutcome, *rig.machine.content(kOutcome) + c.lines);
                rig.restartUsedTheEntry();
            } else {
                rig.dosSideRan(c.lines);
            }
            imageRegistry(rig);
            rig.nextStart();
            EXPECT_TRUE(has(rig.status(), c.status)) << rig.status();
            EXPECT_FALSE(rig.machine.exists(kOutcome)) << "told once and removed";
            EXPECT_FALSE(rig.anyFileOfTheJob());
            for (const Text& said : rig.toldSinceStart()) EXPECT_FALSE(has(said, "Trivex Ghost")) << said;
            if (storeRoute) {
                EXPECT_TRUE(rig.described().empty()) << rig.store.save();
                EXPECT_EQ(rig.sequence(), std::vector<Text>{FakeBcdStore::kMemoryTester});
            } else {
                EXPECT_EQ(rig.machine.content(kBootIni), kXpBootIni);
            }
            // The next job on that drive.
            rig.markMessages();
            prepareAgain(rig);
            EXPECT_TRUE(rig.wholeJob()) << (rig.toldSinceStart().empty() ? "" : rig.toldSinceStart().back());
        }
}

// Whose a record is when the registry cannot say: another computer (the
// disk carried there, or the whole disk cloned, registry and all), a
// computer whose parts say nothing, and a list of kept tokens that cannot
// be read while a job waits and after it ran.
struct Whose {
    const char* name;
    std::function<void(WaitingRig&)> afterPrepare;  // the job waits
    bool run;                                       // then the DOS side runs it (Ghost exits 0)
    std::function<void(WaitingRig&)> afterRun;
    Text status;  // part of the status bar
    bool ours;    // the outcome told and removed; else left byte for byte and the next job refused
};

void noParts(WaitingRig& r) { r.machine.setHardwareIdentity({}); }
const std::pair<const char*, std::function<void(WaitingRig&)>> kSpoiled[] = {
    {"missing", [](WaitingRig& r) { r.machine.settings().erase(kTokensSetting); }},
    {"corrupt", [](WaitingRig& r) { r.machine.settings()[kTokensSetting] = "\x01\xFF garbage 0123"; }},
    {"over-long", [](WaitingRig& r) {
         r.machine.settings()[kTokensSetting] += Text(70000, ' ');
         r.machine.spoilSetting(kTokensSetting);
     }},
    {"of another type", [](WaitingRig& r) { r.machine.spoilSetting(kTokensSetting); }},
};

std::vector<Whose> whoseCases() {
    std::vector<Whose> cases = {
        {"carried to another computer", {}, true,
         [](WaitingRig& r) {
             imageRegistry(r);
             anotherComputer(r);
         },
         "是另一台计算机留下的", false},
        {"cloned from the same disk, registry and all", {}, true, anotherComputer, "是另一台计算机留下的", false},
        {"on a computer whose parts say nothing", {}, true,
         [](WaitingRig& r) {
             imageRegistry(r);
             noParts(r);
         },
         "无法确认是这台计算机的任务留下的", false},
    };
    for (const auto& [name, spoil] : kSpoiled) {
        // Waiting: nothing but the armed job itself proves it.
        cases.push_back({name, [spoil](WaitingRig& r) {
                             noParts(r);
                             spoil(r);
                         },
                         false, {}, "有一个还原任务正在等待", true});
        cases.push_back({name, {}, true, spoil, "上次还原已完成", true});
    }
    return cases;
}

TEST(WhoseJob, AnArmedJobIsNeverDisownedAndAnotherComputersNeverTaken) {
    for (const bool storeRoute : {true, false})
        for (const Whose& c : whoseCases()) {
            SCOPED_TRACE(std::string(c.name) + (c.run ? ", after it ran" : ", waiting") +
                         (storeRoute ? " (store)" : " (boot.ini)"));
            WaitingRig rig(storeRoute);
            rig.prepare();
            ASSERT_TRUE(rig.wholeJob());
            if (c.afterPrepare) c.afterPrepare(rig);
            if (c.run) rig.dosSideRan(kRan + "ghost=exit 0\r\n");
            if (c.afterRun) c.afterRun(rig);
            const std::optional<Text> outcome = rig.machine.content(kOutcome);
            rig.nextStart();
            EXPECT_TRUE(has(rig.status(), c.status)) << rig.status();
            if (!c.run) {
                // Named, and taken back whole by U: the menu or the store as before.
                ASSERT_TRUE(rig.wholeJob());
                rig.markMessages();
                rig.undo();
                EXPECT_TRUE(rig.toldSinceStart().empty()) << rig.toldSinceStart()[0];
                EXPECT_FALSE(rig.anyFileOfTheJob());
                if (storeRoute) EXPECT_TRUE(rig.store.sameEntries(rig.before)) << rig.store.save();
                else EXPECT_EQ(rig.machine.content(kBootIni), kXpBootIni);
                continue;
            }
            EXPECT_EQ(rig.machine.content(kOutcome), c.ours ? std::nullopt : outcome);
            if (c.ours) continue;
            rig.markMessages();
            prepareAgain(rig);
            ASSERT_FALSE(rig.told().empty());
            EXPECT_TRUE(has(rig.told().back(), "E:\\TRIVEX.OUT 已存在")) << rig.told().back();
            EXPECT_EQ(rig.machine.content(kOutcome), outcome);
        }
}

}  // namespace
}  // namespace trivex::testing_job
