// Jobs on Windows Vista and later: the same files plus C:\grldr.mbr, and a
// one-time boot entry in the boot configuration store instead of a
// redirected boot.ini; its take-back at each bcdedit call, undo, the stale
// entry a finished job leaves, and the machines that are refused.
#include "job/route.h"
#include "tests/support/fake_bcdedit.h"
#include "tests/host/job_test.h"

namespace trivex::testing_job {
namespace {

using namespace job;
using payloads::Payload;
using sim::FakeBcdStore;

class StoreRouteTest : public JobTest {
protected:
    StoreRouteTest() : store(FakeBcdStore::windows7()), before(store) {
        machine.system().version = {6, 1};
        sim::installAsBcdedit(machine, store);
    }
    void undo() {
        windows.post([this] { windows.click(kUndoPrompt, ctl::按钮1); });
        windows.pressKey(kMain, 'U');
        windows.processPendingMessages();
    }
    std::vector<Text> ours() const {
        std::vector<Text> ids;
        for (const FakeBcdStore::Entry& e : store.entries())
            if (store.values(e.id, "description") == std::vector<Text>{"Trivex Ghost"}) ids.push_back(e.id);
        return ids;
    }
    bool anyFileOfTheJob() const { return anyJobFile() || machine.exists(kGrldrMbr) || machine.exists(kStoreLoader); }

    FakeBcdStore store;
    const FakeBcdStore before;
};

TEST_F(StoreRouteTest, ARestoreJobAddsAOneTimeEntryAndWritesTheBootSectorFile) {
    const Text bootIni = *machine.content(kBootIni);  // a boot.ini that Windows 7 does not read
    prepareRestoreJob();
    const std::vector<Text> ids = ours();
    ASSERT_EQ(ids.size(), 1u);
    const Text& id = ids[0];
    EXPECT_EQ(store.log(), (std::vector<Text>{
                               "/enum all /v",
                               "/create " + id + " /d \"Trivex Ghost\" /application bootsector",
                               "/set " + id + " device partition=C:",
                               "/set " + id + " path \\grldr.mbr",
                               "/bootsequence " + id,
                           }));
    EXPECT_EQ(store.values("{bootmgr}", "bootsequence"), std::vector<Text>{id});
    EXPECT_EQ(store.values("{bootmgr}", "default"), before.values("{bootmgr}", "default"));
    EXPECT_EQ(store.values("{bootmgr}", "displayorder"), before.values("{bootmgr}", "displayorder"));
    EXPECT_EQ(machine.content(kGrldrMbr), payloadBytes(Payload::LoaderMbr));
    // The loader under the name grldr.mbr looks for; C:\grldr is not this route's.
    EXPECT_EQ(machine.content(kStoreLoader), payloadBytes(Payload::Loader));
    EXPECT_FALSE(machine.exists(kGrldr));
    EXPECT_EQ(volumesLine(), "call a:\\volumes.bat 8C3A-12F0 5E5E-0003 1 1 1 3");
    EXPECT_EQ(machine.content(kBootIni), bootIni);
    EXPECT_FALSE(machine.exists(kBootBak));
    EXPECT_TRUE(told().empty());

    // A second job replaces the first one's entry; undo leaves the store as it was.
    prepareRestoreJob();
    EXPECT_EQ(ours().size(), 1u);
    EXPECT_NE(ours()[0], id);
    undo();
    EXPECT_TRUE(store.sameEntries(before));
    EXPECT_FALSE(anyFileOfTheJob());
    EXPECT_TRUE(told().empty());
}

class StoreFaultTest : public StoreRouteTest, public ::testing::WithParamInterface<int> {};

// Calls 1-4 of a job: create, the two sets, the boot sequence (call 0 lists the store).
TEST_P(StoreFaultTest, AFailingCallTakesTheWholeJobBack) {
    machine.addFile(kGrldrMbr, "a boot sector of the user's", kAttrHidden);
    store.failCall(GetParam());
    prepareRestoreJob();
    EXPECT_TRUE(store.sameEntries(before));
    EXPECT_FALSE(anyJobFile());
    EXPECT_EQ(machine.content(kGrldrMbr), "a boot sector of the user's");
    EXPECT_FALSE(machine.exists(kGrldrMbrBak));
    ASSERT_EQ(told().size(), 1u);
    EXPECT_NE(told()[0].find("bcdedit"), Text::npos) << told()[0];
    EXPECT_NE(told()[0].find("本次操作已撤回。"), Text::npos) << told()[0];
    EXPECT_EQ(windows.escapesPressed(), 0);
}

INSTANTIATE_TEST_SUITE_P(EveryCall, StoreFaultTest, ::testing::Values(1, 2, 3, 4));

TEST_F(StoreRouteTest, AUsersOwnBootSectorFileWaitsAsideUntilUndo) {
    machine.addFile(kGrldrMbr, "a boot sector of the user's", kAttrHidden | kAttrSystem);
    prepareRestoreJob();
    EXPECT_EQ(machine.content(kGrldrMbr), payloadBytes(Payload::LoaderMbr));
    EXPECT_EQ(machine.content(kGrldrMbrBak), "a boot sector of the user's");
    undo();
    EXPECT_EQ(machine.content(kGrldrMbr), "a boot sector of the user's");
    EXPECT_EQ(machine.attributes(kGrldrMbr) & kRhs, kAttrHidden | kAttrSystem);
    EXPECT_FALSE(machine.exists(kGrldrMbrBak));
}

TEST_F(StoreRouteTest, TheEntryAFinishedJobLeftGoesAtTheNextStartAndAWaitingOneStays) {
    prepareRestoreJob();
    EXPECT_FALSE(tidyStore(machine));
    EXPECT_EQ(ours().size(), 1u);  // the job still waits for its restart
    // The DOS side ran: the job's files and its job copy are gone; the
    // outcome copy names the entry that is left.
    for (const char* f : {kStoreLoader, kGrldrMbr, kGhostBat, kGhostExe, kVemoImg, "C:\\TRIVEX.JOB"}) machine.removeTree(f);
    EXPECT_FALSE(tidyStore(machine));
    EXPECT_TRUE(ours().empty());
    EXPECT_TRUE(store.sameEntries(before));
}

TEST_F(StoreRouteTest, AListingWithoutTheBootManagerKeepsTheLoaderAndSaysSo) {
    prepareRestoreJob();
    ASSERT_EQ(ours().size(), 1u);
    // A bcdedit whose listing this program cannot read (another layout, no
    // boot manager entry found): it may still hold our one-time entry.
    machine.system().installTool("bcdedit.exe", [](const Text& args) {
        return args.rfind("/enum", 0) == 0 ? sim::ToolAnswer{0, "\r\nsomething else entirely\r\n"} : sim::ToolAnswer{1, ""};
    });
    undo();
    EXPECT_EQ(machine.content(kGrldrMbr), payloadBytes(Payload::LoaderMbr)) << "the entry may still start it";
    EXPECT_EQ(machine.content(kStoreLoader), payloadBytes(Payload::Loader));
    ASSERT_EQ(told().size(), 1u);
    EXPECT_NE(told()[0].find("找不到 Windows 启动管理器的启动项"), Text::npos) << told()[0];
    EXPECT_NE(told()[0].find("保留了 C:\\tvxldr 和 C:\\grldr.mbr"), Text::npos) << told()[0];
}

TEST_F(StoreRouteTest, MachinesThatCannotRunAJobThroughTheStoreAreRefused) {
    const std::pair<const char*, std::function<void(SimMachine&)>> machines[] = {
        {"UEFI", [](SimMachine& m) { m.system().firmware = Firmware::Uefi; }},
        {"administrator", [](SimMachine& m) { m.system().administrator = false; }},
        {"bcdedit", [](SimMachine& m) { m.system().removeTool("bcdedit.exe"); }},
    };
    for (const auto& [name, setUp] : machines) {
        machine.system().firmware = Firmware::Bios;
        machine.system().administrator = true;
        sim::installAsBcdedit(machine, store);
        setUp(machine);
        const std::string files = disk();
        prepareRestoreJob();
        EXPECT_EQ(disk(), files) << name;
        EXPECT_FALSE(machine.exists(kGrldrMbr)) << name;
        EXPECT_TRUE(store.sameEntries(before)) << name;
    }
    ASSERT_EQ(told().size(), 3u);
    EXPECT_NE(told()[0].find("UEFI"), Text::npos) << told()[0];

    // Another tool's saved store is no reason to refuse: nothing of the job,
    // its undo or its DOS side touches anything under C:\Boot.
    machine.system().firmware = Firmware::Bios;
    machine.system().administrator = true;
    sim::installAsBcdedit(machine, store);
    machine.addFile("C:\\Boot\\BCD.bak", "another tool's", kAttrHidden);
    prepareRestoreJob();
    EXPECT_EQ(ours().size(), 1u);
    undo();
    EXPECT_EQ(machine.content("C:\\Boot\\BCD.bak"), "another tool's");
    EXPECT_EQ(told().size(), 3u);
}

}  // namespace
}  // namespace trivex::testing_job
