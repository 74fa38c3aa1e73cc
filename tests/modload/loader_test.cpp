// The loader with substitute services over real 32-bit DLLs built by the
// test build: what lands in the mapping, what is asked of the system, and
// what is given back.
#include <gtest/gtest.h>

#include "modload/loader.h"
#include "tests/modload/substitute.h"
#include "tests/modload/tm_files.h"

namespace trivex::modload::testing {
namespace {

constexpr uint32_t kPreferred = 0x10000000;

class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        sys.libraries["kernel32.dll"] = {"lstrlenA"};
        sys.libraries["tm_base.dll"] = {"base_add", "note_reason", "#7"};
        mainDll = tmFile("tm_main.dll");
        ASSERT_GT(mainDll.size(), 1024u);
    }
    std::unique_ptr<Module> load(const Bytes& b) { return loadModule(sys.services(), b.data(), b.size()); }
    // The 32-bit value at `address` of a loaded module.
    static uint32_t word(const Module& m, uint32_t address) { return get32(m.bytes(), address - m.base()); }
    static std::string text(const Module& m, uint32_t address) {
        return reinterpret_cast<const char*>(m.bytes() + (address - m.base()));
    }
    void expectAllGivenBack() {
        EXPECT_EQ(sys.liveAllocations(), 0);
        EXPECT_EQ(sys.liveLibraryRefs(), 0);
        EXPECT_EQ(sys.badRequests, 0);
    }

    FakeSystem sys;
    Bytes mainDll;
};

TEST_F(LoaderTest, AtAFreePreferredBaseNothingIsRelocated) {
    auto m = load(mainDll);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->base(), kPreferred);
    ASSERT_EQ(sys.allocationRequests.size(), 1u);
    // Every section's raw bytes are in place, unchanged, except the import
    // address list that linking fills.
    const uint32_t iat = dirRva(mainDll.data(), 12), iatSize = dirSize(mainDll.data(), 12);
    for (const Section& s : sectionsOf(mainDll.data())) {
        for (uint32_t i = 0; i < std::min(s.rawSize, s.virtualSize); ++i) {
            const uint32_t rva = s.va + i;
            if (rva >= iat && rva < iat + iatSize) continue;
            ASSERT_EQ(m->bytes()[rva], mainDll[s.rawPtr + i]) << s.name << " +" << i;
        }
    }
    const uint32_t names = m->findEntry("names");
    EXPECT_EQ(text(*m, word(*m, names)), "alpha");
    EXPECT_EQ(text(*m, word(*m, names + 4)), "beta");
}

TEST_F(LoaderTest, ATakenPreferredBaseMovesEveryAbsoluteAddress) {
    sys.takenBases.insert(kPreferred);
    auto m = load(mainDll);
    ASSERT_TRUE(m);
    ASSERT_NE(m->base(), kPreferred);
    const uint32_t delta = m->base() - kPreferred;
    EXPECT_EQ(sys.allocationRequests, (std::vector<uint32_t>{kPreferred, 0}));

    // The pointers in the data now point into the new mapping, at the same
    // strings and the same variable.
    const uint32_t names = m->findEntry("names");
    const uint32_t fileNames = fileOffset(mainDll.data(), names - m->base());
    for (int i = 0; i < 2; ++i) {
        const uint32_t moved = word(*m, names + 4 * i);
        EXPECT_EQ(moved, get32(mainDll.data(), fileNames + 4 * i) + delta);
        EXPECT_EQ(text(*m, moved), i == 0 ? "alpha" : "beta");
    }
    const uint32_t counter = m->findEntry("counter");
    EXPECT_EQ(word(*m, counter), 5u);
    // The mapped headers name the base the image now has.
    EXPECT_EQ(get32(m->bytes(), optOf(m->bytes()) + 28), m->base());

    // Code: every word that differs from a load at the preferred base
    // differs by exactly the delta.
    FakeSystem other;
    other.libraries = sys.libraries;
    auto at = loadModule(other.services(), mainDll.data(), mainDll.size());
    ASSERT_TRUE(at);
    const Section text = sectionNamed(mainDll.data(), ".text");
    int moved = 0;
    for (uint32_t i = 0; i + 4 <= text.rawSize;) {
        const uint32_t a = get32(at->bytes(), text.va + i), b = get32(m->bytes(), text.va + i);
        if (a == b) {
            ++i;
            continue;
        }
        ASSERT_EQ(b - a, delta) << "at .text+" << i;
        ++moved;
        i += 4;
    }
    EXPECT_GT(moved, 0);
}

TEST_F(LoaderTest, ImportsAreLinkedByNameAndByOrdinal) {
    auto m = load(mainDll);
    ASSERT_TRUE(m);
    const uintptr_t kernel = FakeSystem::libraryHandle("kernel32.dll");
    const uintptr_t base = FakeSystem::libraryHandle("tm_base.dll");
    ASSERT_EQ(m->libraries().size(), 2u);
    EXPECT_EQ(sys.liveLibraryRefs(), 2);

    std::multiset<std::string> asked;
    for (const auto& r : sys.procRequests)
        asked.insert((r.library == kernel ? "kernel32!" : r.library == base ? "tm_base!" : "?!") +
                     (r.name.empty() ? "#" + std::to_string(r.ordinal) : r.name));
    EXPECT_EQ(asked, (std::multiset<std::string>{"kernel32!lstrlenA", "tm_base!base_add", "tm_base!note_reason",
                                                 "tm_base!#7"}));

    // The address lists hold exactly what was handed out, in the order asked.
    std::vector<uint32_t> filled, handedOut;
    const uint32_t iat = dirRva(mainDll.data(), 12), iatSize = dirSize(mainDll.data(), 12);
    ASSERT_GT(iatSize, 0u);
    for (uint32_t i = 0; i < iatSize; i += 4)
        if (uint32_t v = get32(m->bytes(), iat + i)) filled.push_back(v);
    for (const auto& r : sys.procRequests) handedOut.push_back(r.result);
    EXPECT_EQ(filled, handedOut);

    m.reset();
    expectAllGivenBack();
}

TEST_F(LoaderTest, SectionsGetTheProtectionTheirFlagsAsk) {
    auto m = load(mainDll);
    ASSERT_TRUE(m);
    EXPECT_EQ(sys.badRequests, 0);
    auto protectionOf = [&](const std::string& name) -> int64_t {
        const Section s = sectionNamed(mainDll.data(), name);
        for (const auto& p : sys.protects)
            if (p.address == m->base() + s.va) return p.protection;
        return -1;
    };
    EXPECT_EQ(protectionOf(".text"), 0x20);  // execute, read
    EXPECT_EQ(protectionOf(".data"), 0x04);  // read, write
    EXPECT_EQ(protectionOf(".rdata"), 0x02); // read only
    EXPECT_EQ(protectionOf(".edata"), 0x02);
    // The relocations are not needed once applied: their pages go back.
    const Section reloc = sectionNamed(mainDll.data(), ".reloc");
    ASSERT_NE(reloc.flags & 0x02000000, 0u);
    ASSERT_EQ(sys.decommits.size(), 1u);
    EXPECT_EQ(sys.decommits[0].address, m->base() + reloc.va);
    EXPECT_EQ(protectionOf(".reloc"), -1);

    EXPECT_EQ(sectionProtection(0x80000000), 0x08u);              // write only: copy on write
    EXPECT_EQ(sectionProtection(0xE0000000), 0x40u);              // everything
    EXPECT_EQ(sectionProtection(0x0), 0x01u);                     // no access
    EXPECT_EQ(sectionProtection(0x44000000 | 0x20000000), 0x220u); // not cached
}

TEST_F(LoaderTest, EntryPointSeesAttachOnLoadAndDetachOnFree) {
    auto m = load(mainDll);
    ASSERT_TRUE(m);
    EXPECT_TRUE(m->initialized());
    const uint32_t entry = m->base() + get32(mainDll.data(), optOf(mainDll.data()) + 16);
    ASSERT_EQ(sys.calls.size(), 1u);
    EXPECT_EQ(sys.calls[0].function, entry);
    EXPECT_EQ(sys.calls[0].args, (std::vector<uint32_t>{m->base(), 1, 0}));
    const uint32_t base = m->base();
    m.reset();
    ASSERT_EQ(sys.calls.size(), 2u);
    EXPECT_EQ(sys.calls[1].function, entry);
    EXPECT_EQ(sys.calls[1].args, (std::vector<uint32_t>{base, 0, 0}));
    expectAllGivenBack();
}

TEST_F(LoaderTest, WithoutEntryPointNothingIsCalled) {
    const Bytes plain = tmFile("tm_plain.dll");
    ASSERT_EQ(get32(plain.data(), optOf(plain.data()) + 16), 0u);
    auto m = load(plain);
    ASSERT_TRUE(m);
    EXPECT_FALSE(m->initialized());
    EXPECT_NE(m->findEntry("answer"), 0u);
    m.reset();
    EXPECT_TRUE(sys.calls.empty());
    expectAllGivenBack();
}

TEST_F(LoaderTest, AnEntryPointThatRefusesGivesNoModuleAndNoDetach) {
    sys.entryResult = 0;
    EXPECT_FALSE(load(tmFile("tm_refuse.dll")));
    ASSERT_EQ(sys.calls.size(), 1u);
    EXPECT_EQ(sys.calls[0].args[1], 1u);
    EXPECT_EQ(sys.loadRequests, (std::vector<std::string>{"tm_base.dll"}));
    expectAllGivenBack();
}

TEST_F(LoaderTest, AMissingFunctionOrLibraryGivesNoModuleAndReleasesEverything) {
    EXPECT_FALSE(load(tmFile("tm_missing.dll")));
    EXPECT_EQ(sys.loadRequests, (std::vector<std::string>{"tm_base.dll"}));
    EXPECT_TRUE(sys.calls.empty());
    expectAllGivenBack();

    sys.libraries.erase("tm_base.dll");
    EXPECT_FALSE(load(mainDll));
    EXPECT_TRUE(sys.calls.empty());
    expectAllGivenBack();
}

TEST_F(LoaderTest, NoRoomForTheImageGivesNoModule) {
    sys.largestAllocation = 0x1000;
    EXPECT_FALSE(load(mainDll));
    EXPECT_TRUE(sys.loadRequests.empty());
    expectAllGivenBack();
}

TEST_F(LoaderTest, EntriesAreFoundByExactName) {
    auto m = load(mainDll);
    ASSERT_TRUE(m);
    const Section text = sectionNamed(mainDll.data(), ".text");
    const uint32_t f = m->findEntry("use_imports");
    EXPECT_GE(f, m->base() + text.va);
    EXPECT_LT(f, m->base() + text.va + text.virtualSize);
    EXPECT_NE(m->findEntry("CaseTest"), 0u);
    EXPECT_EQ(m->findEntry("casetest"), 0u);
    EXPECT_EQ(m->findEntry("Use_imports"), 0u);
    EXPECT_EQ(m->findEntry("use_imports "), 0u);
    EXPECT_EQ(m->findEntry("use_import"), 0u);
    EXPECT_EQ(m->findEntry(""), 0u);
    EXPECT_EQ(m->findEntry(nullptr), 0u);
}

TEST_F(LoaderTest, AnEntryWhoseIndexIsOutOfRangeIsNotFound) {
    Bytes b = mainDll;
    const uint32_t exp = fileOffset(b.data(), dirRva(b.data(), 0));
    const uint32_t functionCount = get32(b.data(), exp + 20);
    const uint32_t ordinals = fileOffset(b.data(), get32(b.data(), exp + 36));
    put16(b.data(), ordinals, static_cast<uint16_t>(functionCount));  // first name
    auto m = load(b);
    ASSERT_TRUE(m);
    int found = 0;
    for (const char* n : {"CaseTest", "bump", "counter", "counter_address", "name_at", "names", "use_imports"})
        found += m->findEntry(n) != 0;
    EXPECT_EQ(found, 6);
}

TEST_F(LoaderTest, TwoLoadsAreTwoIndependentCopies) {
    auto a = load(mainDll);
    auto b = load(mainDll);
    ASSERT_TRUE(a && b);
    EXPECT_NE(a->base(), b->base());
    EXPECT_EQ(sys.liveLibraryRefs(), 4);
    a.reset();
    EXPECT_EQ(sys.liveAllocations(), 1);
    const uint32_t names = b->findEntry("names");
    EXPECT_EQ(text(*b, word(*b, names + 4)), "beta");
}

}  // namespace
}  // namespace trivex::modload::testing
