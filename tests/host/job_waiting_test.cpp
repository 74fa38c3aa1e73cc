// A job between "prepared" and "run": one command at a time while the
// program works on the machine, the store's entries known by the identifiers
// the record keeps, the user's own one-time boot kept, the loader kept while
// an entry of ours may start it, encrypted volumes refused, and the waiting
// job named at every start. Each table runs its cases on fresh machines.
#include <functional>
#include <memory>

#include "job/boot_store.h"
#include "job/job_files.h"
#include "job/record.h"
#include "job/route.h"
#include "tests/host/waiting_rig.h"

namespace trivex::testing_job {
namespace {

using namespace job;
using payloads::Payload;
using sim::FakeBcdStore;
using Rig = WaitingRig;

// ---- One command at a time ------------------------------------------------------------
//
// While each bcdedit call of a job, an undo and a repair runs, the user
// presses Y and U and clicks 确定, and two events reach the dispatcher: none
// of them runs. The flow ends as it would have alone: the same calls, and
// the same outcome.
struct Flow {
    const char* name;
    std::function<void(Rig&)> setUp;  // before the calls are counted
    std::function<void(Rig&)> run;
    std::function<void(Rig&)> check;
};

const Flow kFlows[] = {
    {"a job", [](Rig&) {}, [](Rig& r) { r.prepare(); },
     [](Rig& r) {
         const std::optional<JobRecord> rec = r.record();
         ASSERT_TRUE(rec);
         EXPECT_TRUE(r.wholeJob());
         EXPECT_EQ(r.described(), rec->entries) << "one entry, the job's";
         EXPECT_EQ(r.sequence(), rec->entries);
         EXPECT_TRUE(r.told().empty()) << r.told()[0];
         EXPECT_EQ(r.windows.escapesPressed(), 1) << "one restart prompt";
         EXPECT_TRUE(has(r.windows.panelText(kMain, ctl::状态条1, 1), "任务已准备好"));
     }},
    {"an undo", [](Rig& r) { r.prepare(); }, [](Rig& r) { r.undo(); },
     [](Rig& r) {
         EXPECT_FALSE(r.anyFileOfTheJob());
         EXPECT_TRUE(r.store.sameEntries(r.before));
         EXPECT_TRUE(r.told().empty()) << r.told()[0];
     }},
    {"a repair",
     [](Rig& r) {
         r.prepare();
         r.machine.removeTree(kVemoImg);  // cut short: the entry starts a job without its image
     },
     [](Rig& r) { r.nextStart(); },
     [](Rig& r) {
         EXPECT_FALSE(r.anyFileOfTheJob());
         EXPECT_TRUE(r.store.sameEntries(r.before));
         ASSERT_EQ(r.toldSinceStart().size(), 1u);
         EXPECT_TRUE(has(r.toldSinceStart()[0], "被中断")) << r.toldSinceStart()[0];
     }},
};

TEST(OneCommandAtATime, NothingTheUserDoesWhileBcdeditRunsStartsACommand) {
    for (const Flow& flow : kFlows) {
        int calls = 0;
        {
            Rig alone;
            flow.setUp(alone);
            const int start = alone.store.calls();
            flow.run(alone);
            calls = alone.store.calls() - start;
            SCOPED_TRACE(flow.name);
            flow.check(alone);
        }
        ASSERT_GT(calls, 0) << flow.name;
        for (int n = 0; n < calls; ++n) {
            SCOPED_TRACE(std::string(flow.name) + ", during call " + std::to_string(n));
            Rig rig;
            flow.setUp(rig);
            const int start = rig.store.calls();
            const int dropped = rig.windows.inputDropped();
            bool sent = false;
            rig.duringCall = [&](int call, const Text&, sim::ToolAnswer&) {
                if (call != start + n) return;
                rig.windows.post([&] {
                    rig.windows.pressKey(kMain, 'Y');
                    rig.windows.pressKey(kMain, 'U');
                    rig.windows.click(kMain, ctl::确定);
                    rig.current().dispatch(kMain, cmd::prepare_job, 0);
                    rig.current().dispatch(kMain, cmd::undo, 0);
                    sent = true;
                });
            };
            flow.run(rig);
            ASSERT_TRUE(sent);
            EXPECT_EQ(rig.windows.inputDropped() - dropped, 3);
            EXPECT_EQ(rig.store.calls() - start, calls) << "a command ran inside another";
            EXPECT_FALSE(rig.windows.windowExists(kUndoPrompt));
            flow.check(rig);
        }
    }
}

// A take-back removes only what carries its own token: a job that another
// instance of the program prepared meanwhile keeps its record and image.
TEST(OneCommandAtATime, ATakeBackLeavesAnotherJobsRecordAndImage) {
    Rig rig;
    Text otherRecord, otherImage;
    rig.duringCall = [&](int, const Text& arguments, sim::ToolAnswer& a) {
        if (arguments.rfind("/bootsequence", 0) != 0) return;
        JobRecord other = *rig.record();
        other.token = "5A5A00FFC3C30F0F";
        otherRecord = recordText(other);
        rig.machine.addFile(kJobRecord, otherRecord);
        ASSERT_TRUE(payloads::writeDosImage(rig.machine, kVemoImg, other.token));
        otherImage = *rig.machine.content(kVemoImg);
        a = {1, "无法打开启动配置数据存储。\r\n"};
    };
    rig.prepare();
    ASSERT_EQ(rig.told().size(), 1u);
    EXPECT_TRUE(has(rig.told()[0], "本次操作已撤回")) << rig.told()[0];
    EXPECT_EQ(rig.machine.content(kJobRecord), otherRecord);
    EXPECT_EQ(rig.machine.content(kVemoImg), otherImage);
    EXPECT_FALSE(rig.machine.exists(kGhostBat));
    EXPECT_FALSE(rig.machine.exists(kStoreLoader));
}

// ---- The store's entries, the user's one-time boot, the loader kept ---------------------

// bcdedit /bootsequence does not end in time (it did set the sequence), and
// the store stays busy: the entry may start the loader at the next start, so
// the take-back keeps the loader's files and the record, as undo would, and
// says so; the next start, with the store answering again, takes the rest.
TEST(StoreEntries, AStoreBusyAfterATimeoutKeepsTheLoaderAndTheRecordUntilTheEntryIsGone) {
    Rig rig;
    rig.duringCall = [&](int, const Text& arguments, sim::ToolAnswer& a) {
        if (arguments.rfind("/bootsequence", 0) != 0) return;
        a.runsForMs = sim::kRunsForever;
        rig.store.failWhen("/");  // every call from now on
    };
    rig.prepare();
    ASSERT_EQ(rig.told().size(), 1u);
    const Text said = rig.told()[0];
    EXPECT_TRUE(has(said, "秒内没有结束")) << said;
    EXPECT_TRUE(has(said, "可能仍是下次启动的一次性启动项")) << said;
    EXPECT_TRUE(has(said, "下次启动可能会运行引导程序")) << said;
    EXPECT_TRUE(has(said, "按 U 键再撤销一次")) << said;
    EXPECT_EQ(rig.machine.content(kStoreLoader), payloadBytes(Payload::Loader));
    EXPECT_EQ(rig.machine.content(kGrldrMbr), payloadBytes(Payload::LoaderMbr));
    ASSERT_TRUE(rig.record());
    for (const char* gone : {kGhostBat, kGhostExe}) EXPECT_FALSE(rig.machine.exists(gone)) << gone;
    // The boot image stays with the loader: what the entry may start is whole.
    EXPECT_TRUE(rig.machine.exists(kVemoImg));
    EXPECT_EQ(rig.sequence(), rig.record()->entries) << "the entry the timeout left";

    rig.store.failWhen("");
    rig.duringCall = nullptr;
    rig.nextStart();
    EXPECT_FALSE(rig.anyFileOfTheJob());
    EXPECT_TRUE(rig.store.sameEntries(rig.before));
    ASSERT_EQ(rig.toldSinceStart().size(), 1u);
}

// A one-time boot of the user's own (the memory test, {memdiag}) is kept in
// the record when the job's entry replaces it, the user is told, and it
// comes back on undo, on a take-back, and at the first start after the job ran.
TEST(StoreEntries, TheUsersOneTimeBootComesBackAfterEveryWayAJobEnds) {
    const struct {
        const char* name;
        std::function<void(Rig&)> end;
        bool toldAtPrepare;
    } cases[] = {
        {"undo", [](Rig& r) { r.undo(); }, true},
        {"a take-back", [](Rig&) {}, false},
        {"a job that ran",
         [](Rig& r) {
             r.dosSideRan("dos=found\r\nghost=started\r\n");
             r.nextStart();
         },
         true},
        {"a job whose entry a restart used up",
         [](Rig& r) {
             r.restartUsedTheEntry();
             r.nextStart();
         },
         true},
        {"a second job over the first, then undo",
         [](Rig& r) {
             r.prepare();
             EXPECT_EQ(r.record()->sequence, std::vector<Text>{FakeBcdStore::kMemoryTester});
             r.undo();
         },
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        ASSERT_EQ(rig.store.run("/bootsequence {memdiag}").exitCode, 0u);
        const FakeBcdStore scheduled = rig.store;
        if (!c.toldAtPrepare) rig.store.failWhen("path \\grldr.mbr");
        rig.prepare();
        ASSERT_EQ(rig.told().size(), 1u);
        if (c.toldAtPrepare) {
            EXPECT_TRUE(has(rig.told()[0], "您为下次启动安排的一次性启动项（" + Text(FakeBcdStore::kMemoryTester)))
                << rig.told()[0];
            EXPECT_EQ(rig.record()->sequence, std::vector<Text>{FakeBcdStore::kMemoryTester});
            EXPECT_EQ(rig.sequence(), rig.record()->entries);
        } else {
            EXPECT_TRUE(has(rig.told()[0], "本次操作已撤回")) << rig.told()[0];
        }
        rig.store.failWhen("");
        c.end(rig);
        EXPECT_EQ(rig.sequence(), std::vector<Text>{FakeBcdStore::kMemoryTester});
        EXPECT_TRUE(rig.store.sameEntries(scheduled)) << rig.store.save();
        EXPECT_FALSE(rig.machine.exists(kStoreLoader));
    }
}

// An entry that looks like ours (described "Trivex Ghost") but that no record
// names is never deleted: undo and the start tell of it instead.
TEST(StoreEntries, AnEntryDescribedLikeOursIsToldOfAndStays) {
    Rig rig;
    const Text lookalike = "{0b5e3f00-0000-4000-8000-0000000000aa}";
    ASSERT_EQ(rig.store.run("/create " + lookalike + " /d \"Trivex Ghost\" /application bootsector").exitCode, 0u);
    rig.prepare();
    ASSERT_TRUE(rig.told().empty()) << rig.told()[0];
    EXPECT_EQ(rig.described().size(), 2u);
    rig.undo();
    EXPECT_FALSE(rig.anyFileOfTheJob());
    EXPECT_EQ(rig.described(), std::vector<Text>{lookalike});
    ASSERT_EQ(rig.told().size(), 1u);
    EXPECT_TRUE(has(rig.told()[0], "描述为“Trivex Ghost”的启动项 " + lookalike)) << rig.told()[0];

    rig.nextStart();
    EXPECT_EQ(rig.described(), std::vector<Text>{lookalike});
    ASSERT_EQ(rig.toldSinceStart().size(), 1u);
    EXPECT_TRUE(has(rig.toldSinceStart()[0], lookalike)) << rig.toldSinceStart()[0];
}

// ---- Encrypted volumes -----------------------------------------------------------------

// The partition's first sector as the disk holds it (what the DOS side
// reads; Windows shows an unlocked volume's decrypted one); a drive whose
// sector cannot be read so is named with the job.
TEST(EncryptedVolumes, AJobOnABitLockerVolumeIsRefusedBeforeAnythingIsWritten) {
    const Text bitLocker = "\xEB\x58\x90-FVE-FS-" + Text(501, '\0');
    const struct {
        const char* name;
        char encrypted;  // '?': E: is a drive whose place the system does not say
        bool backup;
        Text says;  // empty: the job goes on
    } cases[] = {
        {"C:", 'C', false, "C: 盘用 BitLocker 加密了"},
        {"the target", 'D', true, "要备份或还原的 D: 盘用 BitLocker 加密了"},
        {"the image's volume", 'E', false, "映像所在的 E: 盘用 BitLocker 加密了"},
        {"none", 0, false, ""},
        {"not known", '?', false, "无法确认 E: 盘没有用 BitLocker 加密"},
    };
    for (bool storeRoute : {true, false}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (storeRoute ? " (store)" : " (boot.ini)"));
            Rig rig(storeRoute);
            if (c.encrypted == '?') {
                rig.machine.forgetDrivePlace('E');
                rig.machine.forgetVolume('E');
            } else if (c.encrypted) {
                rig.machine.setVolumeStart(c.encrypted, bitLocker);
            }
            if (c.backup) {
                rig.backupMode();
                rig.app.state.selectedDrive = "D";
                rig.windows.setText(kMain, ctl::编辑框1, "E:\\Ghost\\new.gho");
                rig.machine.addFolder("E:\\Ghost");
            }
            const std::string files = rig.disk();
            rig.prepare();
            if (c.says.empty() || c.encrypted == '?') {
                EXPECT_TRUE(rig.wholeJob());
                EXPECT_EQ(rig.told().size(), c.says.empty() ? 0u : 1u);
                if (!c.says.empty()) EXPECT_TRUE(has(rig.told()[0], c.says)) << rig.told()[0];
                continue;
            }
            ASSERT_EQ(rig.told().size(), 1u);
            EXPECT_TRUE(has(rig.told()[0], c.says)) << rig.told()[0];
            EXPECT_TRUE(has(rig.told()[0], "什么都没有改动")) << rig.told()[0];
            EXPECT_EQ(rig.disk(), files);
            EXPECT_TRUE(rig.store.sameEntries(rig.before));
        }
    }
}

// ---- The waiting job at the next start ---------------------------------------------------------

// A job left waiting (Esc on the restart prompt) is named at every start,
// with its kind, image and time, that any restart runs it and that U undoes
// it; a restore in a message box too. Closing the program says the same.
TEST(WaitingJob, IsNamedAtEveryStartAndWhenTheProgramCloses) {
    for (bool storeRoute : {true, false}) {
        for (bool backup : {false, true}) {
            SCOPED_TRACE(std::string(backup ? "backup" : "restore") + (storeRoute ? " (store)" : " (boot.ini)"));
            Rig rig(storeRoute);
            if (backup) {
                rig.backupMode();
                rig.windows.setText(kMain, ctl::编辑框1, "E:\\Ghost\\new.gho");
                rig.machine.addFolder("E:\\Ghost");
            }
            rig.prepare();
            ASSERT_TRUE(rig.wholeJob());
            const Text image = backup ? "E:\\Ghost\\new.gho" : kRestoreImage;
            const Text named = backup ? "有一个备份任务正在等待（" : "有一个还原任务正在等待（";
            for (int start = 0; start < 2; ++start) {
                rig.nextStart();
                // Closing said it first, then the start.
                const std::vector<Text> said = rig.toldSinceStart();
                EXPECT_TRUE(has(rig.status(), named)) << rig.status();
                EXPECT_TRUE(has(rig.status(), image)) << rig.status();
                EXPECT_TRUE(has(rig.status(), "不论是谁重启")) << rig.status();
                EXPECT_TRUE(has(rig.status(), "按 U 键撤销")) << rig.status();
                EXPECT_EQ(said.size(), backup ? 0u : 1u);
                if (!said.empty()) { EXPECT_EQ(said[0], rig.status()); }
                EXPECT_TRUE(rig.wholeJob());
            }
            rig.markMessages();
            rig.windows.closeWindow(kMain);
            rig.windows.processPendingMessages();
            ASSERT_EQ(rig.toldSinceStart().size(), 1u);
            EXPECT_TRUE(has(rig.toldSinceStart()[0], named)) << rig.toldSinceStart()[0];
        }
    }
}

// ---- The restart used the entry, and the job did not run ----------------------------------

// On the store route the restart itself uses up the one-time entry. When the
// DOS side then left no word, the next start says that, not that a
// preparation was cut short, and takes the job back.
TEST(WaitingJob, AnEntryUsedUpByARestartIsToldAsSuchAndTheJobTakenBack) {
    const struct {
        const char* name;
        std::function<void(Rig&)> before;
        Text says;
    } cases[] = {
        {"the outcome copy says nothing", [](Rig&) {}, "任务结果记录 E:\\TRIVEX.OUT 中没有 DOS 下留下的任何记录"},
        {"no outcome copy", [](Rig& r) { r.machine.removeTree("E:\\TRIVEX.OUT"); }, "找不到任务结果记录 E:\\TRIVEX.OUT"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.prepare();
        ASSERT_TRUE(rig.record()->pointed);
        rig.restartUsedTheEntry();
        c.before(rig);
        rig.nextStart();
        ASSERT_EQ(rig.toldSinceStart().size(), 1u);
        const Text said = rig.toldSinceStart()[0];
        EXPECT_TRUE(has(said, "上次重启已用掉了 Ghost 任务的一次性启动项，但任务没有在 DOS 下运行")) << said;
        EXPECT_TRUE(has(said, c.says)) << said;
        EXPECT_FALSE(has(said, "被中断")) << said;
        EXPECT_FALSE(rig.anyFileOfTheJob());
        EXPECT_TRUE(rig.store.sameEntries(rig.before));
    }
}

}  // namespace
}  // namespace trivex::testing_job
