// libFuzzer target: any bytes as a module image, loaded with substitute
// services at its preferred base and again with that base taken (so the
// relocations are walked), then its exports looked up and the module freed.
// The sanitizers catch any step outside the input or the mapping; the
// checks below catch anything left taken or asked outside a mapping.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "modload/loader.h"
#include "tests/modload/substitute.h"

using trivex::modload::loadModule;
using trivex::modload::testing::FakeSystem;

namespace {
uint32_t preferredBase(const uint8_t* data, size_t size) {
    uint32_t nt = 0, base = 0;
    if (size >= 64) std::memcpy(&nt, data + 0x3C, 4);
    if (nt < size && size - nt >= 56) std::memcpy(&base, data + nt + 52, 4);
    return base;
}

void check(bool ok) {
    if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy: a read past the end is a heap overflow.
    std::unique_ptr<uint8_t[]> image(new uint8_t[size ? size : 1]);
    if (size) std::memcpy(image.get(), data, size);
    for (int moved = 0; moved < 2; ++moved) {
        FakeSystem sys;
        sys.anyLibrary = true;
        sys.anyFunction = true;
        sys.largestAllocation = 16u << 20;
        if (moved) sys.takenBases.insert(preferredBase(data, size));
        {
            auto m = loadModule(sys.services(), image.get(), size);
            if (m) {
                for (const char* name : {"SkinH_AttachRes", "use_imports", "", "a"}) m->findEntry(name);
            }
        }
        check(sys.liveAllocations() == 0);
        check(sys.liveLibraryRefs() == 0);
        check(sys.badRequests == 0);
    }
    return 0;
}
