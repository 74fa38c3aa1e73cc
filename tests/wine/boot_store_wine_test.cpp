// The boot configuration store module on the real Win32 machine, under Wine
// set to Windows 7 (boot_store_test.sh), with the stand-in bcdedit of the
// tests in System32: the calls go through a real pipe from a real process,
// and the store is read back from its file afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include "job/boot_store.h"
#include "tests/support/fake_bcdedit.h"
#include "platform/files.h"
#include "platform/win32/win32_machine.h"
#include "ui/catalogue.h"

namespace trivex {
namespace {

using sim::FakeBcdStore;
namespace bcd = job::bcd;

Text systemPath(const char* name) {
    char folder[MAX_PATH + 1] = {};
    const UINT n = GetSystemDirectoryA(folder, MAX_PATH);
    return Text(folder, n) + "\\" + name;
}

Text besideMe(const char* name) {
    char self[MAX_PATH + 1] = {};
    const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    const Text path(self, n);
    return path.substr(0, path.find_last_of('\\') + 1) + name;
}

class BootStoreWine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CopyFileA(besideMe("bcdedit_standin.exe").c_str(), systemPath("bcdedit.exe").c_str(), FALSE));
        put(FakeBcdStore::windows7());
    }
    void TearDown() override {
        DeleteFileA(systemPath("bcdedit.exe").c_str());
        DeleteFileA(systemPath("bcdedit.store").c_str());
    }
    // The store as the stand-in finds it at its next call.
    void put(const FakeBcdStore& s) {
        const Text bytes = s.save();
        ASSERT_TRUE(machine.writeFile(systemPath("bcdedit.store"), {bytesOf(bytes)}));
    }
    // The store as the stand-in left it.
    FakeBcdStore stored() {
        const Text bytes = readWholeFile(machine, systemPath("bcdedit.store")).value_or("");
        auto s = FakeBcdStore::load(bytes);
        EXPECT_TRUE(s) << bytes;
        return s ? *s : FakeBcdStore();
    }

    win32::Win32Machine machine;
    const FakeBcdStore before = FakeBcdStore::windows7();
};

TEST_F(BootStoreWine, TheTestWindowsIsA7OnBiosWithBcdedit) {
    const WindowsVersion v = machine.windowsVersion();
    EXPECT_EQ(v.major, 6);
    EXPECT_EQ(v.minor, 1);
    EXPECT_EQ(machine.firmware(), Firmware::Bios);
    EXPECT_TRUE(bcd::ready(machine));
}

TEST_F(BootStoreWine, AnEntryIsAddedAsTheOneTimeBootAndRemovedAgain) {
    const Text id = bcd::newIdentifier(machine);
    bool mayStart = true;
    const Result added = bcd::addEntry(machine, id, mayStart);
    ASSERT_TRUE(added) << say::sentence(added.problem(), machine);
    EXPECT_FALSE(mayStart);
    FakeBcdStore s = stored();
    EXPECT_EQ(s.log(), (std::vector<Text>{
                           "/create " + id + " /d \"Trivex Ghost\" /application bootsector",
                           "/set " + id + " device partition=C:",
                           "/set " + id + " path \\grldr.mbr",
                           "/bootsequence " + id,
                       }));
    EXPECT_EQ(s.values(id, "path"), std::vector<Text>{"\\grldr.mbr"});
    EXPECT_EQ(s.values("{bootmgr}", "bootsequence"), std::vector<Text>{id});
    EXPECT_EQ(s.values("{bootmgr}", "default"), before.values("{bootmgr}", "default"));

    ASSERT_TRUE(bcd::removeEntry(machine, id));
    EXPECT_TRUE(stored().sameEntries(before));
}

TEST_F(BootStoreWine, AFailedCallTakesTheEntryBackAndQuotesBcdeditInGbk) {
    FakeBcdStore failing = FakeBcdStore::windows7();
    failing.failCall(2);  // /set … path
    put(failing);
    bool mayStart = true;
    const Result added = bcd::addEntry(machine, bcd::newIdentifier(machine), mayStart);
    ASSERT_FALSE(added);
    EXPECT_FALSE(mayStart);
    const Text failure = say::sentence(added.problem(), machine);
    EXPECT_NE(failure.find(" path \\grldr.mbr 失败（退出代码 1）：无法打开启动配置数据存储。 拒绝访问。"), Text::npos)
        << failure;
    const FakeBcdStore s = stored();
    EXPECT_TRUE(s.sameEntries(before));
    ASSERT_EQ(s.log().size(), 4u);
    EXPECT_EQ(s.log()[3].substr(0, 8), "/delete ");
}

// The store as a real pipe reads it: the entries described like ours and the
// one-time sequence; an entry a record names goes, and the user's sequence
// comes back.
TEST_F(BootStoreWine, TheStoreIsReadAndAnEntryLeftByAFinishedJobRemovedByItsIdentifier) {
    const Text id = "{5e1f0c2a-7b3d-4c11-9a2e-0021cc6d0001}";
    FakeBcdStore left = FakeBcdStore::windows7();
    ASSERT_EQ(left.run("/create " + id + " /d \"Trivex Ghost\" /application bootsector").exitCode, 0u);
    put(left);
    const Expected<bcd::StoreState> state = bcd::readStore(machine);
    ASSERT_TRUE(state) << say::sentence(state.problem(), machine);
    EXPECT_EQ(state->described, std::vector<Text>{id});
    EXPECT_TRUE(state->sequence.empty());
    int removed = 0;
    ASSERT_TRUE(bcd::removeEntries(machine, {id}, removed));
    EXPECT_EQ(removed, 1);
    ASSERT_TRUE(bcd::restoreSequence(machine, {FakeBcdStore::kMemoryTester}));
    const FakeBcdStore s = stored();
    EXPECT_EQ(s.values("{bootmgr}", "bootsequence"), std::vector<Text>{FakeBcdStore::kMemoryTester});
}

TEST_F(BootStoreWine, WithoutBcdeditTheMachineIsRefused) {
    ASSERT_TRUE(DeleteFileA(systemPath("bcdedit.exe").c_str()));
    const Result ready = bcd::ready(machine);
    ASSERT_FALSE(ready);
    const Text refusal = say::sentence(ready.problem(), machine);
    EXPECT_NE(refusal.find("找不到 bcdedit.exe"), Text::npos) << refusal;
}

}  // namespace
}  // namespace trivex
