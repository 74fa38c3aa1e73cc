// The skin attachment with substitute services: our skin library is loaded
// from memory and its SkinH_AttachRes is called once with the skin and six
// arguments; a library that cannot be loaded or lacks the entry calls
// nothing and keeps nothing.
#include <gtest/gtest.h>

#include <string>

#include "modload/skin_attach.h"
#include "tests/modload/substitute.h"
#include "tests/modload/tm_files.h"

namespace trivex::modload::testing {
namespace {

class SkinAttachTest : public ::testing::Test {
protected:
    void SetUp() override {
        sys.anyLibrary = true;
        sys.anyFunction = true;
    }
    static ByteView view(const Bytes& b) { return {b.data(), static_cast<uint32_t>(b.size())}; }

    FakeSystem sys;
    const std::string skin = "trivex-skin 1\n...";
};

TEST_F(SkinAttachTest, OurLibraryGetsTheSkinWithSixArguments) {
    const Bytes library = readFile(SKIN_DLL);
    ASSERT_GT(library.size(), 1024u);
    auto m = attachSkin(sys.services(), view(library), bytesOf(skin));
    ASSERT_TRUE(m);
    ASSERT_EQ(sys.calls.size(), 2u);  // process attach, then the entry
    EXPECT_EQ(sys.calls[0].args, (std::vector<uint32_t>{m->base(), 1, 0}));
    EXPECT_EQ(sys.calls[1].function, m->findEntry("SkinH_AttachRes"));
    const auto skinAddress = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(skin.data()));
    EXPECT_EQ(sys.calls[1].args,
              (std::vector<uint32_t>{skinAddress, static_cast<uint32_t>(skin.size()), 0, 0, 0, 0}));
    // The library imports only what Windows XP has, by name.
    std::set<std::string> libraries(sys.loadRequests.begin(), sys.loadRequests.end());
    EXPECT_EQ(libraries, (std::set<std::string>{"GDI32.dll", "KERNEL32.dll", "USER32.dll"}));
    for (const auto& r : sys.procRequests) EXPECT_FALSE(r.name.empty());
}

TEST_F(SkinAttachTest, ALibraryWithoutTheEntryIsLetGo) {
    const Bytes other = tmFile("tm_main.dll");
    EXPECT_FALSE(attachSkin(sys.services(), view(other), bytesOf(skin)));
    ASSERT_EQ(sys.calls.size(), 2u);  // its own attach and detach, nothing else
    EXPECT_EQ(sys.calls[1].args[1], 0u);
    EXPECT_EQ(sys.liveAllocations(), 0);
    EXPECT_EQ(sys.liveLibraryRefs(), 0);
}

TEST_F(SkinAttachTest, ALibraryThatCannotBeLoadedCallsNothing) {
    const Bytes garbage(4096, 0x5A);
    EXPECT_FALSE(attachSkin(sys.services(), view(garbage), bytesOf(skin)));
    EXPECT_FALSE(attachSkin(sys.services(), ByteView{}, bytesOf(skin)));
    EXPECT_TRUE(sys.calls.empty());
    EXPECT_EQ(sys.liveAllocations(), 0);
}

}  // namespace
}  // namespace trivex::modload::testing
