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

    sim::SimMachine machine;
    FakeBcdStore store;
    const FakeBcdStore before;
};

TEST_F(BootStoreTest, AddsABootSectorEntryForGrldrMbrAsTheOneTimeBootOnly) {
    const Expected<Text> added = bcd::addEntry(machine);
    ASSERT_TRUE(added) << said(added.problem());
    const Text id = *added;
    ASSERT_EQ(id.size(), 38u);
    EXPECT_EQ(store.log(), (std::vector<Text>{
                               "/create /d \"Trivex Ghost\" /application bootsector",
                               "/set " + id + " device partition=C:",
                               "/set " + id + " path \\grldr.mbr",
                               "/bootsequence " + id,
                           }));
    for (const sim::ToolCall& c : machine.system().toolCalls()) {
        EXPECT_EQ(c.tool, "bcdedit.exe");
        EXPECT_EQ(c.timeoutMs, bcd::kCallTimeoutMs);
    }
    const FakeBcdStore::Entry* e = store.entry(id);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->kind, FakeBcdStore::Kind::BootSector);
    EXPECT_EQ(store.values(id, "description"), std::vector<Text>{"Trivex Ghost"});
    EXPECT_EQ(store.values(id, "device"), std::vector<Text>{"partition=C:"});
    EXPECT_EQ(store.values(id, "path"), std::vector<Text>{"\\grldr.mbr"});
    EXPECT_EQ(sequence(), std::vector<Text>{id});
    // Windows stays the default and the menu is as it was.
    EXPECT_EQ(store.values("{bootmgr}", "default"), before.values("{bootmgr}", "default"));
    EXPECT_EQ(store.values("{bootmgr}", "displayorder"), before.values("{bootmgr}", "displayorder"));

    // Removing it leaves the store exactly as it was.
    const Result removed = bcd::removeEntry(machine, id);
    ASSERT_TRUE(removed) << said(removed.problem());
    EXPECT_EQ(store.log().back(), "/delete " + id);
    EXPECT_TRUE(store.sameEntries(before));
}

TEST_F(BootStoreTest, AFailureAtEachCallPutsTheStoreBackAndNamesTheCall) {
    const Text calls[] = {"bcdedit /create", " device partition=C:", " path \\grldr.mbr", "bcdedit /bootsequence"};
    for (int failing = 0; failing < 4; ++failing) {
        SCOPED_TRACE(failing);
        FakeBcdStore fresh = FakeBcdStore::windows7();
        sim::installAsBcdedit(machine, fresh);
        fresh.failCall(failing);
        const Expected<Text> added = bcd::addEntry(machine);
        ASSERT_FALSE(added) << *added;
        const Text failure = said(added.problem());
        EXPECT_TRUE(fresh.sameEntries(before)) << fresh.save();
        EXPECT_TRUE(contains(failure, calls[failing])) << failure;
        EXPECT_TRUE(contains(failure, "失败（退出代码 1）：无法打开启动配置数据存储。 拒绝访问。")) << failure;
        // A made entry is deleted again, with nothing else in between.
        const size_t made = failing == 0 ? 1 : failing + 2;
        ASSERT_EQ(fresh.log().size(), made);
        if (failing > 0) {
            EXPECT_EQ(fresh.log().back().substr(0, 8), "/delete ");
        }
    }
}

TEST_F(BootStoreTest, WhenTheTakeBackFailsTooBothAreNamedAndTheEntryIsNotTheNextBoot) {
    store.failCall(3);         // /bootsequence
    store.failWhen("/delete");  // and the take-back
    const Expected<Text> added = bcd::addEntry(machine);
    ASSERT_FALSE(added);
    const Text failure = said(added.problem());
    EXPECT_TRUE(contains(failure, "bcdedit /bootsequence")) << failure;
    EXPECT_TRUE(contains(failure, "撤回时删除该启动项也失败：bcdedit /delete {")) << failure;
    std::vector<Text> ours;
    ASSERT_TRUE(bcd::findEntries(machine, ours));
    ASSERT_EQ(ours.size(), 1u);
    EXPECT_TRUE(contains(failure, "启动项 " + ours[0] + " 留在启动配置中")) << failure;
    EXPECT_TRUE(sequence().empty());
    EXPECT_EQ(store.values("{bootmgr}", "default"), before.values("{bootmgr}", "default"));
    EXPECT_EQ(store.values("{bootmgr}", "displayorder"), before.values("{bootmgr}", "displayorder"));
}

// A /create that does not end in time may have made the entry: whatever
// entry of ours is in the store afterwards is removed.
TEST_F(BootStoreTest, ACreateThatHangsIsCleanedUpFromTheListing) {
    machine.system().installTool("bcdedit.exe", [this](const Text& args) {
        ToolAnswer a = store.run(args);
        if (args.rfind("/create", 0) == 0) a.runsForMs = sim::kRunsForever;
        return a;
    });
    const Expected<Text> added = bcd::addEntry(machine);
    ASSERT_FALSE(added);
    EXPECT_TRUE(contains(said(added.problem()), "秒内没有结束")) << said(added.problem());
    EXPECT_TRUE(store.sameEntries(before)) << store.save();
    EXPECT_EQ(store.log()[1], "/enum all /v");
}

// The identifier is read from the braces, stepping over two-byte GBK
// characters: the second byte of "亄" (81 7B) is "{", so the text after it
// must not count as an identifier.
TEST_F(BootStoreTest, TheIdentifierIsReadFromTheBracesOfAGbkAnswer) {
    const Text tricky = "\x81\x7B" "0123abcd-0000-0000-0000-000000000000} ";
    EXPECT_EQ(bcd::identifierIn(tricky + "项 {6a3b2c10-1f2e-11e0-8355-a4badbfc7822} 成功创建。\r\n"),
              "{6a3b2c10-1f2e-11e0-8355-a4badbfc7822}");
    EXPECT_EQ(bcd::identifierIn("The entry {6A3B2C10-1F2E-11E0-8355-A4BADBFC7822} was successfully created."),
              "{6A3B2C10-1F2E-11E0-8355-A4BADBFC7822}");
    EXPECT_EQ(bcd::identifierIn("{bootmgr} {6a3b2c10-1f2e} 操作成功完成。"), "");

    machine.system().installTool("bcdedit.exe", [&](const Text& args) {
        ToolAnswer a = store.run(args);
        if (args.rfind("/create", 0) == 0) a.output = tricky + a.output;
        return a;
    });
    const Expected<Text> id = bcd::addEntry(machine);
    ASSERT_TRUE(id) << said(id.problem());
    EXPECT_NE(store.entry(*id), nullptr);
    EXPECT_EQ(sequence(), std::vector<Text>{*id});
}

TEST_F(BootStoreTest, ACreateAnswerWithoutAnIdentifierRemovesWhatItMayHaveMade) {
    machine.system().installTool("bcdedit.exe", [&](const Text& args) {
        ToolAnswer a = store.run(args);
        if (args.rfind("/create", 0) == 0) a.output = "操作成功完成。\r\n";
        return a;
    });
    const Expected<Text> added = bcd::addEntry(machine);
    ASSERT_FALSE(added);
    EXPECT_TRUE(contains(said(added.problem()), "没有新启动项的标识符：操作成功完成。")) << said(added.problem());
    EXPECT_TRUE(store.sameEntries(before));
}

TEST_F(BootStoreTest, RemovingAnEntryThatIsAlreadyGoneSucceeds) {
    EXPECT_TRUE(bcd::removeEntry(machine, "{0b5e3f00-0000-4000-8000-000000000001}"));
    EXPECT_EQ(store.log(), (std::vector<Text>{"/delete {0b5e3f00-0000-4000-8000-000000000001}", "/enum all /v"}));

    const Expected<Text> id = bcd::addEntry(machine);
    ASSERT_TRUE(id);
    store.failWhen("/delete");
    const Result removed = bcd::removeEntry(machine, *id);
    ASSERT_FALSE(removed);
    EXPECT_TRUE(contains(said(removed.problem()), "bcdedit /delete " + *id + " 失败")) << said(removed.problem());
    EXPECT_NE(store.entry(*id), nullptr);
}

// Entries of ours are found by their description, whatever language the
// listing is in; entries of others are left alone.
TEST_F(BootStoreTest, EntriesOfOursAreFoundAndRemovedOthersStay) {
    ASSERT_EQ(store.run("/create /d \"GRUB4DOS\" /application bootsector").exitCode, 0u);
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(bcd::addEntry(machine));
    std::vector<Text> ours;
    ASSERT_TRUE(bcd::findEntries(machine, ours));
    ASSERT_EQ(ours.size(), 2u);
    int removed = 0;
    ASSERT_TRUE(bcd::removeOurEntries(machine, removed));
    EXPECT_EQ(removed, 2);
    ASSERT_TRUE(bcd::findEntries(machine, ours));
    EXPECT_TRUE(ours.empty());
    EXPECT_EQ(store.entries().size(), before.entries().size() + 1) << "the GRUB4DOS entry stays";

    store.failWhen("/enum");
    const Result found = bcd::findEntries(machine, ours);
    ASSERT_FALSE(found);
    EXPECT_TRUE(contains(said(found.problem()), "无法读取启动配置：bcdedit /enum all /v 失败")) << said(found.problem());
}

TEST(BootStoreListing, AnEnglishListingReadsTheSame) {
    const Text listing =
        "\r\nWindows Boot Manager\r\n--------------------\r\n"
        "identifier              {9dea862c-5cdd-4e70-acc1-f32b344d4795}\r\n"
        "displayorder            {b9a1f3c2-5e0d-11e0-8c4f-a4badbfc7a21}\r\n"
        "                        {466f5a88-0af2-4f76-9038-095b170dc21c}\r\n"
        "bootsequence            {0c1d2e3f-4a5b-11e0-8355-a4badbfc7822}\r\n"
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
    EXPECT_EQ(entries[1].identifier, "{0c1d2e3f-4a5b-11e0-8355-a4badbfc7822}");
    EXPECT_EQ(entries[1].values, (std::vector<Text>{"partition=C:", "\\grldr.mbr", "Trivex Ghost"}));

    sim::SimMachine machine;
    machine.system().installTool("bcdedit.exe", [&](const Text&) { return ToolAnswer{0, listing}; });
    std::vector<Text> ours;
    ASSERT_TRUE(job::bcd::findEntries(machine, ours));
    EXPECT_EQ(ours, std::vector<Text>{"{0c1d2e3f-4a5b-11e0-8355-a4badbfc7822}"});
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
    const Expected<Text> added = bcd::addEntry(machine);
    ASSERT_FALSE(added);
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
