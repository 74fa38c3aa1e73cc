// Images that lie about themselves: each gives no module, leaves nothing
// taken, and never makes the loader step outside the bytes it was given or
// the mapping it made (the sanitizers watch the substitute's exact-size
// blocks).
#include <gtest/gtest.h>

#include <functional>

#include "modload/loader.h"
#include "tests/modload/substitute.h"
#include "tests/modload/tm_files.h"

namespace trivex::modload::testing {
namespace {

class MalformedTest : public ::testing::Test {
protected:
    void SetUp() override {
        sys.anyLibrary = true;
        sys.anyFunction = true;
        good = tmFile("tm_main.dll");
        ASSERT_GT(good.size(), 1024u);
    }
    // Loads `bytes` from an exact-size heap copy, so that a read past its
    // end is caught.
    bool loads(const Bytes& bytes) {
        std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size()]);
        if (!bytes.empty()) std::memcpy(copy.get(), bytes.data(), bytes.size());
        auto m = loadModule(sys.services(), copy.get(), bytes.size());
        const bool ok = m != nullptr;
        m.reset();
        EXPECT_EQ(sys.liveAllocations(), 0);
        EXPECT_EQ(sys.liveLibraryRefs(), 0);
        EXPECT_EQ(sys.badRequests, 0);
        return ok;
    }
    Bytes with(const std::function<void(uint8_t*)>& change) {
        Bytes b = good;
        change(b.data());
        return b;
    }

    FakeSystem sys;
    Bytes good;
};

TEST_F(MalformedTest, TheUntouchedImageLoads) { EXPECT_TRUE(loads(good)); }

TEST_F(MalformedTest, EveryTruncationIsRefused) {
    size_t end = 0;
    for (const Section& s : sectionsOf(good.data())) end = std::max<size_t>(end, s.rawPtr + s.rawSize);
    ASSERT_EQ(end, good.size());
    for (size_t n = 0; n < end; n += (n < 1024 ? 1 : 7)) {
        ASSERT_FALSE(loads(Bytes(good.begin(), good.begin() + n))) << n << " bytes";
    }
    EXPECT_FALSE(loadModule(sys.services(), nullptr, 100));
}

TEST_F(MalformedTest, WrongSignaturesAndKindsAreRefusedBeforeAnyAllocation) {
    EXPECT_FALSE(loads(with([](uint8_t* p) { p[0] = 'Z'; })));
    EXPECT_FALSE(loads(with([](uint8_t* p) { p[ntOf(p) + 2] = 1; })));           // "PE\1\0"
    EXPECT_FALSE(loads(with([](uint8_t* p) { put32(p, 0x3C, 0xFFFFFFF0); })));   // headers far away
    EXPECT_FALSE(loads(with([](uint8_t* p) { put16(p, ntOf(p) + 4, 0x8664); }))); // not i386
    EXPECT_FALSE(loads(with([](uint8_t* p) { put16(p, optOf(p), 0x20B); })));   // PE32+
    EXPECT_FALSE(loads(with([](uint8_t* p) { put16(p, ntOf(p) + 20, 8); })));    // optional header too short
    EXPECT_TRUE(sys.allocationRequests.empty());
}

TEST_F(MalformedTest, SizesThatDoNotFitAreRefused) {
    // An image size that cannot hold the headers, or is absurd.
    EXPECT_FALSE(loads(with([](uint8_t* p) { put32(p, optOf(p) + 56, 0x100); })));
    EXPECT_FALSE(loads(with([](uint8_t* p) { put32(p, optOf(p) + 56, 0xFFFFFFFF); })));
    // A section table that runs past the file.
    EXPECT_FALSE(loads(with([](uint8_t* p) { put16(p, ntOf(p) + 6, 0xFFFF); })));
    // An entry point outside the image.
    EXPECT_FALSE(loads(with([](uint8_t* p) { put32(p, optOf(p) + 16, 0x7FFFFFF0); })));
    // A section whose raw data lies past the end of the file, or is longer
    // than the file, or that starts outside the image.
    const Section data = sectionNamed(good.data(), ".data");
    EXPECT_FALSE(loads(with([&](uint8_t* p) { put32(p, data.headerOffset + 20, 0xFFFFFF00); })));
    EXPECT_FALSE(loads(with([&](uint8_t* p) { put32(p, data.headerOffset + 16, 0x7FFFFFFF); })));
    EXPECT_FALSE(loads(with([&](uint8_t* p) { put32(p, data.headerOffset + 12, 0x0FFFFFFF); })));
}

TEST_F(MalformedTest, BrokenRelocationsAreRefusedWhenTheImageMoves) {
    sys.takenBases.insert(0x10000000);
    const uint32_t reloc = fileOffset(good.data(), dirRva(good.data(), 5));
    ASSERT_NE(reloc, 0u);
    // A block size of 0 would never advance; one past the directory would
    // read beyond it.
    EXPECT_FALSE(loads(with([&](uint8_t* p) { put32(p, reloc + 4, 0); })));
    EXPECT_FALSE(loads(with([&](uint8_t* p) { put32(p, reloc + 4, 0x7FFFFFF0); })));
    // A target page outside the image.
    EXPECT_FALSE(loads(with([&](uint8_t* p) { put32(p, reloc, 0x7FFF0000); })));
    // A directory outside the image.
    EXPECT_FALSE(loads(with([&](uint8_t* p) { put32(p, dirOffset(p, 5), 0xFFFFF000); })));
    // No relocations at all: the image cannot run anywhere but its base.
    EXPECT_FALSE(loads(with([&](uint8_t* p) { put32(p, dirOffset(p, 5) + 4, 0); })));
    EXPECT_FALSE(loads(with([&](uint8_t* p) { p[ntOf(p) + 22] |= 1; })));  // relocations stripped
    // At its preferred base the same image needs none of them.
    sys.takenBases.clear();
    EXPECT_TRUE(loads(with([&](uint8_t* p) { put32(p, reloc + 4, 0); })));
}

TEST_F(MalformedTest, BrokenImportsAreRefused) {
    const uint32_t imp = fileOffset(good.data(), dirRva(good.data(), 1));
    ASSERT_NE(imp, 0u);
    // Library name, lookup list and address list outside the image.
    EXPECT_FALSE(loads(with([&](uint8_t* p) { put32(p, imp + 12, 0xFFFFFFF0); })));
    EXPECT_FALSE(loads(with([&](uint8_t* p) { put32(p, imp, 0xFFFFFFF0); })));
    EXPECT_FALSE(loads(with([&](uint8_t* p) { put32(p, imp + 16, 0xFFFFFFF0); })));
    // A function name outside the image.
    EXPECT_FALSE(loads(with([&](uint8_t* p) {
        const uint32_t lookup = fileOffset(p, get32(p, imp));
        put32(p, lookup, 0x7FFFFFF0);
    })));
    // A directory outside the image, and one whose descriptors run off its
    // end without the closing empty descriptor.
    EXPECT_FALSE(loads(with([&](uint8_t* p) { put32(p, dirOffset(p, 1), 0xFFFFFF00); })));
    EXPECT_FALSE(loads(with([&](uint8_t* p) {
        const uint32_t size = get32(p, optOf(p) + 56);
        put32(p, dirOffset(p, 1), size - 10);
    })));
    // A library name just past the end of the image.
    EXPECT_FALSE(loads(with([&](uint8_t* p) { put32(p, imp + 12, get32(p, optOf(p) + 56)); })));
}

TEST_F(MalformedTest, BrokenExportTablesAreRefused) {
    const uint32_t exp = fileOffset(good.data(), dirRva(good.data(), 0));
    ASSERT_NE(exp, 0u);
    EXPECT_FALSE(loads(with([&](uint8_t* p) { put32(p, exp + 20, 0x40000000); })));  // function count
    EXPECT_FALSE(loads(with([&](uint8_t* p) { put32(p, exp + 24, 0x40000000); })));  // name count
    EXPECT_FALSE(loads(with([&](uint8_t* p) { put32(p, exp + 32, 0xFFFFFFF0); })));  // name table
    EXPECT_FALSE(loads(with([&](uint8_t* p) { put32(p, exp + 36, 0xFFFFFFF0); })));  // ordinal table
    EXPECT_FALSE(loads(with([&](uint8_t* p) {
        put32(p, fileOffset(p, get32(p, exp + 32)), 0xFFFFFFF0);  // first name
    })));
    EXPECT_FALSE(loads(with([&](uint8_t* p) { put32(p, dirOffset(p, 0), 0xFFFFFFF0); })));
}

TEST_F(MalformedTest, ProtectionsStayInsideTheMapping) {
    // Sections that claim more than the image holds are protected only as
    // far as the image goes.
    Bytes b = with([&](uint8_t* p) {
        for (const Section& s : sectionsOf(p))
            if (s.name == ".bss") put32(p, s.headerOffset + 36, 0xC0000080);
        put32(p, optOf(p) + 12, 0x7FFFFFFF);  // uninitialised data size
    });
    EXPECT_TRUE(loads(b));
}

}  // namespace
}  // namespace trivex::modload::testing
