// The loader for real under Windows (Wine): the test libraries are loaded
// from memory with the system's services and their exports are called
// through the call facility.
#include <windows.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "modload/loader.h"
#include "modload/system_services.h"
#include "modload/win32/call.h"
#include "tests/modload/wine/beside_me.h"

namespace trivex::modload {
namespace {

uint32_t call(uint32_t fn, bool callerRemoves, std::initializer_list<uint32_t> args) {
    CallSlot slots[kCallSlots];
    int i = 0;
    for (uint32_t a : args) slots[i++] = {a, true};
    uint32_t result = 0xDEADBEEF;
    EXPECT_TRUE(callEntry(fn, callerRemoves, result, slots));
    return result;
}

uint32_t stackPointer() {
    uint32_t sp;
    asm volatile("movl %%esp, %0" : "=r"(sp));
    return sp;
}

class WineLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        services = systemServices();
        ASSERT_NE(services, nullptr);
        // The real tm_base stays loaded, so its counters outlive our modules.
        base = LoadLibraryA("tm_base.dll");
        ASSERT_NE(base, nullptr);
        reasonCount = reinterpret_cast<int (*)(int)>(reinterpret_cast<void*>(GetProcAddress(base, "reason_count")));
        ASSERT_NE(reasonCount, nullptr);
    }
    void TearDown() override { FreeLibrary(base); }
    std::unique_ptr<Module> load(const char* name) {
        const std::string bytes = besideMe(name);
        EXPECT_GT(bytes.size(), 512u) << name;
        return loadModule(*services, bytes.data(), bytes.size());
    }
    static DWORD protectionAt(uint32_t address) {
        MEMORY_BASIC_INFORMATION mi{};
        VirtualQuery(reinterpret_cast<void*>(address), &mi, sizeof mi);
        return mi.State == MEM_COMMIT ? mi.Protect : 0;
    }
    static DWORD stateAt(uint32_t address) {
        MEMORY_BASIC_INFORMATION mi{};
        VirtualQuery(reinterpret_cast<void*>(address), &mi, sizeof mi);
        return mi.State;
    }

    const Services* services = nullptr;
    HMODULE base = nullptr;
    int (*reasonCount)(int) = nullptr;
};

TEST_F(WineLoaderTest, LoadsRunsAndFreesALibraryFromMemory) {
    const int attached = reasonCount(1), detached = reasonCount(0);
    auto m = load("tm_main.dll");
    ASSERT_TRUE(m);
    EXPECT_TRUE(m->initialized());
    EXPECT_EQ(reasonCount(1), attached + 1);
    EXPECT_EQ(reasonCount(0), detached);

    // Imports by name (system and tm_base) and by ordinal, in one value.
    EXPECT_EQ(call(m->findEntry("use_imports"), true, {5}), 5u + 10u + 4u);
    const uint32_t bump = m->findEntry("bump");
    EXPECT_EQ(call(bump, true, {}), 6u);
    EXPECT_EQ(call(bump, true, {}), 7u);
    EXPECT_EQ(call(m->findEntry("counter_address"), true, {}), m->findEntry("counter"));
    EXPECT_STREQ(reinterpret_cast<const char*>(call(m->findEntry("name_at"), true, {1})), "beta");

    // The code is executable and read-only, the data writable.
    EXPECT_EQ(protectionAt(m->findEntry("bump")), static_cast<DWORD>(PAGE_EXECUTE_READ));
    EXPECT_EQ(protectionAt(m->findEntry("counter")), static_cast<DWORD>(PAGE_READWRITE));

    const uint32_t where = m->base();
    m.reset();
    EXPECT_EQ(reasonCount(0), detached + 1);
    EXPECT_EQ(stateAt(where), static_cast<DWORD>(MEM_FREE));
}

TEST_F(WineLoaderTest, ATakenPreferredBaseMovesTheImageAndItStillWorks) {
    void* taken = VirtualAlloc(reinterpret_cast<void*>(0x10000000), 0x10000, MEM_RESERVE, PAGE_NOACCESS);
    ASSERT_EQ(taken, reinterpret_cast<void*>(0x10000000));
    auto m = load("tm_main.dll");
    ASSERT_TRUE(m);
    EXPECT_NE(m->base(), 0x10000000u);
    const uint32_t alpha = call(m->findEntry("name_at"), true, {0});
    EXPECT_GE(alpha, m->base());
    EXPECT_LT(alpha, m->base() + m->size());
    EXPECT_STREQ(reinterpret_cast<const char*>(alpha), "alpha");
    EXPECT_EQ(call(m->findEntry("use_imports"), true, {1}), 1u + 2u + 4u);
    EXPECT_EQ(call(m->findEntry("bump"), true, {}), 6u);
    m.reset();
    VirtualFree(taken, 0, MEM_RELEASE);
}

TEST_F(WineLoaderTest, TheCallFacilityPassesFifteenArgumentsInBothConventions) {
    auto m = load("tm_base.dll");
    ASSERT_TRUE(m);
    const std::initializer_list<uint32_t> fifteen = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    const uint32_t squares = 1240;  // sum of i * i for i = 1..15
    const uint32_t sp = stackPointer();
    EXPECT_EQ(call(m->findEntry("sum15"), true, fifteen), squares);
    EXPECT_EQ(call(m->findEntry("std_sum15"), false, fifteen), squares);
    EXPECT_EQ(call(m->findEntry("std_sub"), false, {50, 8}), 42u);

    // Absent slots are skipped: the present ones arrive in slot order.
    CallSlot slots[kCallSlots];
    slots[3] = {50, true};
    slots[11] = {8, true};
    uint32_t result = 0;
    EXPECT_TRUE(callEntry(m->findEntry("std_sub"), false, result, slots));
    EXPECT_EQ(result, 42u);
    EXPECT_EQ(stackPointer(), sp);
}

TEST_F(WineLoaderTest, ACalleeThatRemovesTheWrongByteCountLeavesTheCallerIntact) {
    auto m = load("tm_base.dll");
    ASSERT_TRUE(m);
    volatile uint32_t guard = 0x5EC0DE;
    const uint32_t sp = stackPointer();
    // Removes 16 bytes where 4 were pushed, then none where 12 were pushed;
    // called as stdcall and as cdecl.
    EXPECT_EQ(call(m->findEntry("pops_too_much"), false, {41}), 42u);
    EXPECT_EQ(call(m->findEntry("pops_too_much"), true, {41}), 42u);
    EXPECT_EQ(call(m->findEntry("pops_nothing"), false, {7, 8, 9}), 7u);
    // A stdcall function called as cdecl removes its arguments itself.
    EXPECT_EQ(call(m->findEntry("std_sub"), true, {50, 8}), 42u);
    EXPECT_EQ(stackPointer(), sp);
    EXPECT_EQ(guard, 0x5EC0DEu);
}

TEST_F(WineLoaderTest, EntryPointsThatAreAbsentOrRefuse) {
    auto plain = load("tm_plain.dll");
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->initialized());
    EXPECT_EQ(call(plain->findEntry("answer"), true, {}), 42u);

    const int attached = reasonCount(1), detached = reasonCount(0);
    EXPECT_FALSE(load("tm_refuse.dll"));
    EXPECT_EQ(reasonCount(1), attached + 1);
    EXPECT_EQ(reasonCount(0), detached);
}

TEST_F(WineLoaderTest, AMissingImportGivesNoModule) { EXPECT_FALSE(load("tm_missing.dll")); }

}  // namespace
}  // namespace trivex::modload
