// A stand-in for the system under the module loader: memory at made-up
// 32-bit addresses backed by exact-size heap blocks (so the sanitizers see
// any step outside a mapping), libraries and functions from a table, and a
// record of everything the loader asked for.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "modload/services.h"

namespace trivex::modload::testing {

class FakeSystem {
public:
    FakeSystem();
    FakeSystem(const FakeSystem&) = delete;
    FakeSystem& operator=(const FakeSystem&) = delete;

    const Services& services() const { return services_; }

    // ---- What the system offers --------------------------------------------
    std::set<uint32_t> takenBases;       // allocating exactly here fails
    uint32_t nextFree = 0x20000000;      // where "anywhere" allocations go
    uint32_t largestAllocation = 64u << 20;
    uint32_t entryResult = 1;            // what every called function returns
    bool anyLibrary = false;             // every library name loads
    bool anyFunction = false;            // every function is found
    // Library (lower-case file name) -> function names it has.
    std::map<std::string, std::set<std::string>> libraries;
    // Address handed out for a function.
    static uint32_t functionAddress(uintptr_t library, const std::string& name);
    static uint32_t ordinalAddress(uintptr_t library, uint16_t ordinal);
    static uintptr_t libraryHandle(const std::string& lowerName);

    // ---- What the loader did ---------------------------------------------------
    struct Allocation {
        uint32_t base = 0;
        uint32_t size = 0;
        std::unique_ptr<uint8_t[]> bytes;
        bool live = true;
    };
    struct Range {
        uint32_t address = 0, size = 0, protection = 0;
    };
    struct Call {
        uint32_t function = 0;
        std::vector<uint32_t> args;
    };
    struct ProcRequest {
        uintptr_t library = 0;
        std::string name;      // empty for ordinals
        uint16_t ordinal = 0;
        uint32_t result = 0;
    };
    std::vector<Allocation> allocations;
    std::vector<uint32_t> allocationRequests;  // the `at` of every allocate
    std::vector<Range> protects;
    std::vector<Range> decommits;
    std::vector<Call> calls;
    std::vector<std::string> loadRequests;
    std::vector<ProcRequest> procRequests;
    std::map<uintptr_t, int> libraryRefs;
    int badRequests = 0;  // ranges outside any live mapping, unknown handles

    int liveAllocations() const;
    int liveLibraryRefs() const;
    const Allocation* allocationAt(uint32_t base) const;

private:
    Allocation* owner(uint32_t address, uint32_t size);
    Services services_;
};

}  // namespace trivex::modload::testing
