// The boot configuration store through bcdedit, on a simulated Windows 7
// whose bcdedit answers as the Simplified Chinese edition does: the calls in
// order, the store put back after a failure at each call, entries of ours
// found and removed, and the machines that are refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "job/boot_store.h"
#include "tests/support/fake_bcdedit.h"
#include "tests/support/sim_machine.h"
#include "tests/support/test_toolkit.h"
#include "ui/catalogue.h"

namespace trivex {
namespace {

using sim::FakeBcdStore;
using sim::ToolAnswer;
namespace bcd = job::bcd;

class BootStoreTest : public ::testing::Test {
protected:
    BootStoreTest() : store(FakeBcdStore::windows7()), before(store) {
        machine.system().version = {6, 1};
        sim::installAsBcdedit(machine, store);
    }
    // The identifiers the boot manager's one-time sequence names.
    std::vector<Text> sequence() const { return store.values("{bootmgr}", "bootsequence"); }
    bool contains(const Text& text, const Text& part) const { return text.find(part) != Text::npos; }
    Text said(const Problem& p) { return say::sentence(p, machine); }
    Result add(bool& mayStart) { return bcd::addEntry(machine, kId, mayStart); }

    static constexpr char kId[] = "{5e1f0c2a-7b3d-4c11-9a2e-0021cc6d0001}";
    sim::SimMachine machine;
    FakeBcdStore store;
    const FakeBcdStore before;
};

TEST_F(BootStoreTest, AddsABootSectorEntryForGrldrMbrUnderItsIdentifierAsTheOneTimeBootOnly) {
    bool mayStart = true;
    const Result added = add(mayStart);
    ASSERT_TRUE(added) << said(added.problem());
    EXPECT_FALSE(mayStart);
    EXPECT_EQ(store.log(), (std::vector<Text>{
                               "/create " + Text(kId) + " /d \"Trivex Ghost\" /application bootsector",
                               "/set " + Text(kId) + " device partition=C:",
                               "/set " + Text(kId) + " path \\grldr.mbr",
                               "/bootsequence " + Text(kId),
                           }));
    for (const sim::ToolCall& c : machine.system().toolCalls()) {
        EXPECT_EQ(c.tool, "bcdedit.exe");
        EXPECT_EQ(c.timeoutMs, bcd::kCallTimeoutMs);
    }
    const FakeBcdStore::Entry* e = store.entry(kId);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->kind, FakeBcdStore::Kind::BootSector);
    EXPECT_EQ(store.values(kId, "description"), std::vector<Text>{"Trivex Ghost"});
    EXPECT_EQ(store.values(kId, "device"), std::vector<Text>{"partition=C:"});
    EXPECT_EQ(store.values(kId, "path"), std::vector<Text>{"\\grldr.mbr"});
    EXPECT_EQ(sequence(), std::vector<Text>{kId});
    // Windows stays the default and the menu is as it was.
    EXPECT_EQ(store.values("{bootmgr}", "default"), before.values("{bootmgr}", "default"));
    EXPECT_EQ(store.values("{bootmgr}", "displayorder"), before.values("{bootmgr}", "displayorder"));

    // Removing it leaves the store exactly as it was.
    const Result removed = bcd::removeEntry(machine, kId);
    ASSERT_TRUE(removed) << said(removed.problem());
    EXPECT_EQ(store.log().back(), "/delete " + Text(kId));
    EXPECT_TRUE(store.sameEntries(before));

    // Identifiers of the form of random GUIDs, a new one each time.
    const Text a = bcd::newIdentifier(machine), b = bcd::newIdentifier(machine);
    EXPECT_NE(a, b);
    for (const Text& id : {a, b}) {
        ASSERT_EQ(id.size(), 38u) << id;
        EXPECT_EQ(id[15], '4') << id;
        EXPECT_NE(Text("89ab").find(id[20]), Text::npos) << id;
        EXPECT_EQ(store.run("/create " + id + " /d x /application bootsector").exitCode, 0u) << "bcdedit takes " << id;
    }
}

// Each call's failure: the store as it was, the call named; only a sequence
// call that hung, with an entry that could not be deleted, may still start it.
TEST_F(BootStoreTest, AFailureAtEachCallPutsTheStoreBackAndSaysWhetherTheEntryMayStillStart) {
    const Text calls[] = {"bcdedit /create", " device partition=C:", " path \\grldr.mbr", "bcdedit /bootsequence"};
    struct Case {
        int failing;
        bool hangs, deleteFails;
        bool sameStore, mayStart;
    };
    const Case cases[] = {
        {0, false, false, true, false}, {1, false, false, true, false}, {2, false, false, true, false},
        {3, false, false, true, false},
        // The entry stays when its deletion fails, never as the next start's
        // after a sequence call that bcdedit refused.
        {3, false, true, false, false},
        // A /create that hung may have made it: it is deleted by its identifier.
        {0, true, false, true, false},
        // A sequence call that hung, and the store stays busy: it may start.
        {3, true, true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "call " << c.failing << (c.hangs ? " hangs" : " fails")
                                        << (c.deleteFails ? ", delete fails" : ""));
        FakeBcdStore fresh = FakeBcdStore::windows7();
        machine.system().installTool("bcdedit.exe", [&](const Text& args) {
            const int n = fresh.calls();
            ToolAnswer a = fresh.run(args);
            if (c.hangs && n == c.failing) a.runsForMs = sim::kRunsForever;
            return a;
        });
        if (!c.hangs) fresh.failCall(c.failing);
        if (c.deleteFails) fresh.failWhen("/delete");
        bool mayStart = !c.mayStart;
        const Result added = add(mayStart);
        ASSERT_FALSE(added);
        const Text failure = said(added.problem());
        EXPECT_EQ(fresh.sameEntries(before), c.sameStore) << fresh.save();
        EXPECT_EQ(mayStart, c.mayStart);
        EXPECT_TRUE(contains(failure, calls[c.failing])) << failure;
        if (!c.hangs) { EXPECT_TRUE(contains(failure, "失败（退出代码 1）：无法打开启动配置数据存储。 拒绝访问。")) << failure; }
        if (c.deleteFails) {
            EXPECT_TRUE(contains(failure, "撤回时删除该启动项也失败：bcdedit /delete " + Text(kId))) << failure;
            EXPECT_TRUE(contains(failure, "可能仍是下次启动的一次性启动项")) << failure;
        }
        if (c.failing == 0 && !c.hangs) { EXPECT_EQ(fresh.log().size(), 1u) << "a refused /create made nothing to delete"; }
        EXPECT_EQ(fresh.values("{bootmgr}", "default"), before.values("{bootmgr}", "default"));
    }
}

TEST_F(BootStoreTest, RemovingAnEntryThatIsAlreadyGoneSucceeds) {
    EXPECT_TRUE(bcd::removeEntry(machine, "{0b5e3f00-0000-4000-8000-000000000001}"));
    EXPECT_EQ(store.log(), (std::vector<Text>{"/delete {0b5e3f00-0000-4000-8000-000000000001}", "/enum all /v"}));

    bool mayStart = false;
    ASSERT_TRUE(add(mayStart));
    store.failWhen("/delete");
    const Result removed = bcd::removeEntry(machine, kId);
    ASSERT_FALSE(removed);
    EXPECT_TRUE(contains(said(removed.problem()), "bcdedit /delete " + Text(kId) + " 失败")) << said(removed.problem());
    EXPECT_NE(store.entry(kId), nullptr);
}

// The store's state: every entry, those described like ours (whoever made
// them), and the one-time sequence as GUIDs, {memdiag} among them.
TEST_F(BootStoreTest, TheStoreShowsItsEntriesThoseDescribedLikeOursAndTheOneTimeSequence) {
    ASSERT_EQ(store.run("/create /d \"GRUB4DOS\" /application bootsector").exitCode, 0u);
    ASSERT_EQ(store.run("/create /d \"Trivex Ghost\" /application bootsector").exitCode, 0u);
    ASSERT_EQ(store.run("/bootsequence {memdiag}").exitCode, 0u);
    Expected<bcd::StoreState> state = bcd::readStore(machine);
    ASSERT_TRUE(state) << said(state.problem());
    EXPECT_EQ(state->identifiers.size(), before.entries().size() + 2);
    ASSERT_EQ(state->described.size(), 1u);
    EXPECT_EQ(state->sequence, std::vector<Text>{FakeBcdStore::kMemoryTester});
    EXPECT_TRUE(state->starts("{B2721D73-1DB4-4C62-BF78-C548A880142D}")) << "identifiers in either letter case";
    EXPECT_TRUE(state->holds(state->described[0]));

    // The user's sequence comes back after ours replaced it, and only once.
    bool mayStart = false;
    ASSERT_TRUE(add(mayStart));
    EXPECT_EQ(sequence(), std::vector<Text>{kId});
    ASSERT_TRUE(bcd::removeEntry(machine, kId));
    EXPECT_TRUE(sequence().empty());
    ASSERT_TRUE(bcd::restoreSequence(machine, {FakeBcdStore::kMemoryTester, "{0b5e3f00-0000-4000-8000-00000000dead}"}));
    EXPECT_EQ(sequence(), std::vector<Text>{FakeBcdStore::kMemoryTester}) << "an entry no longer there is left out";
    const size_t calls = store.log().size();
    ASSERT_TRUE(bcd::restoreSequence(machine, {FakeBcdStore::kMemoryTester}));
    EXPECT_EQ(store.log().size(), calls + 1) << "set already: only the listing";

    store.failWhen("/enum");
    state = bcd::readStore(machine);
    ASSERT_FALSE(state);
    EXPECT_TRUE(contains(said(state.problem()), "无法读取启动配置：bcdedit /enum all /v 失败")) << said(state.problem());
}

TEST(BootStoreListing, AnEnglishListingReadsTheSame) {
    const Text listing =
        "\r\nWindows Boot Manager\r\n--------------------\r\n"
        "identifier              {9dea862c-5cdd-4e70-acc1-f32b344d4795}\r\n"
        "displayorder            {b9a1f3c2-5e0d-11e0-8c4f-a4badbfc7a21}\r\n"
        "                        {466f5a88-0af2-4f76-9038-095b170dc21c}\r\n"
        "bootsequence            {0c1d2e3f-4a5b-11e0-8355-a4badbfc7822}\r\n"
        "                        {b2721d73-1db4-4c62-bf78-c548a880142d}\r\n"
        "timeout                 30\r\n"
        "\r\nReal-mode Boot Sector\r\n---------------------\r\n"
        "identifier              {0c1d2e3f-4a5b-11e0-8355-a4badbfc7822}\r\n"
        "device                  partition=C:\r\n"
        "path                    \\grldr.mbr\r\n"
        "description             Trivex Ghost\r\n";
    const auto entries = job::bcd::parseListing(listing);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].identifier, "{9dea862c-5cdd-4e70-acc1-f32b344d4795}");
    EXPECT_EQ(entries[0].values[1], "{466f5a88-0af2-4f76-9038-095b170dc21c}");
    EXPECT_EQ(entries[0].names, (std::vector<Text>{"displayorder", "displayorder", "bootsequence", "bootsequence", "timeout"}));
    EXPECT_EQ(entries[1].identifier, "{0c1d2e3f-4a5b-11e0-8355-a4badbfc7822}");
    EXPECT_EQ(entries[1].values, (std::vector<Text>{"partition=C:", "\\grldr.mbr", "Trivex Ghost"}));

    sim::SimMachine machine;
    machine.system().installTool("bcdedit.exe", [&](const Text&) { return ToolAnswer{0, listing}; });
    const Expected<job::bcd::StoreState> state = job::bcd::readStore(machine);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->described, std::vector<Text>{"{0c1d2e3f-4a5b-11e0-8355-a4badbfc7822}"});
    EXPECT_EQ(state->sequence, (std::vector<Text>{"{0c1d2e3f-4a5b-11e0-8355-a4badbfc7822}",
                                                  "{b2721d73-1db4-4c62-bf78-c548a880142d}"}));
}

// A heading's underline with no identifier under it (another underline, a
// blank line or the end next) is no entry: every entry read has its identifier.
TEST(BootStoreListing, AnUnderlineWithoutAnIdentifierIsNoEntry) {
    const Text id = "identifier              {9dea862c-5cdd-4e70-acc1-f32b344d4795}\r\n";
    for (const Text& listing : {"---\r\n---\r\n" + id, "---\r\n\r\n---\r\n" + id, "---\r\n" + id + "\r\n---\r\n"}) {
        const auto entries = job::bcd::parseListing(listing);
        ASSERT_EQ(entries.size(), 1u) << listing;
        EXPECT_EQ(entries[0].identifier, "{9dea862c-5cdd-4e70-acc1-f32b344d4795}");
    }
}

// ---- Which machines may take a job through the store ---------------------------

TEST_F(BootStoreTest, AWindows7BiosMachineRunningElevatedWithBcdeditIsReady) {
    EXPECT_TRUE(bcd::ready(machine));
    EXPECT_TRUE(machine.system().toolCalls().empty()) << "the check runs nothing";
}

TEST_F(BootStoreTest, RefusalsSayWhatIsMissing) {
    struct Case {
        std::function<void(sim::SimSystem&)> change;
        Text says;
    };
    const Case cases[] = {
        {[](sim::SimSystem& s) { s.version = {5, 1}; }, "Windows 版本（5.1）"},
        {[](sim::SimSystem& s) { s.firmware = Firmware::Uefi; }, "以 UEFI 方式启动"},
        {[](sim::SimSystem& s) { s.firmware = Firmware::Unknown; }, "无法确定这台电脑是以 BIOS 还是 UEFI"},
        {[](sim::SimSystem& s) { s.administrator = false; }, "没有以管理员身份运行"},
        {[](sim::SimSystem& s) { s.removeTool("bcdedit.exe"); }, "找不到 bcdedit.exe"},
    };
    for (const Case& c : cases) {
        sim::SimMachine m;
        m.system().version = {10, 0};
        sim::installAsBcdedit(m, store);
        c.change(m.system());
        const Result ready = bcd::ready(m);
        ASSERT_FALSE(ready) << c.says;
        EXPECT_TRUE(contains(say::sentence(ready.problem(), m), c.says)) << say::sentence(ready.problem(), m);
        EXPECT_TRUE(m.system().toolCalls().empty());
    }
    EXPECT_TRUE(store.log().empty());
}

TEST_F(BootStoreTest, WithoutBcdeditNothingRunsAndTheReasonSaysSo) {
    machine.system().removeTool("bcdedit.exe");
    bool mayStart = true;
    const Result added = add(mayStart);
    ASSERT_FALSE(added);
    EXPECT_FALSE(mayStart);
    EXPECT_TRUE(contains(said(added.problem()), "无法运行系统的 bcdedit.exe")) << said(added.problem());
    EXPECT_EQ(machine.system().toolCalls().size(), 1u);
}

// The stand-in bcdedit of the Wine tests keeps the store in a file.
TEST(FakeBcdStore, SavedAndLoadedItKeepsEntriesLogAndFaults) {
    FakeBcdStore s = FakeBcdStore::windows7();
    ASSERT_EQ(s.run("/create /d \"Trivex Ghost\" /application bootsector").exitCode, 0u);
    s.failCall(5);
    s.failWhen("/delete");
    const auto loaded = FakeBcdStore::load(s.save());
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(loaded->sameEntries(s));
    EXPECT_EQ(loaded->save(), s.save());
    EXPECT_FALSE(FakeBcdStore::load("something else\n"));
}

}  // namespace
}  // namespace trivex
