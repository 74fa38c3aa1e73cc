#include "tests/modload/substitute.h"

#include <algorithm>
#include <cctype>

namespace trivex::modload::testing {

namespace {
FakeSystem& of(void* c) { return *static_cast<FakeSystem*>(c); }
std::string lower(std::string s) {
    for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return s;
}
uint32_t hashOf(const std::string& s) {
    uint32_t h = 2166136261u;
    for (unsigned char ch : s) h = (h ^ ch) * 16777619u;
    return h;
}
}  // namespace

uint32_t FakeSystem::functionAddress(uintptr_t library, const std::string& name) {
    return static_cast<uint32_t>(library) + 0x1000 + (hashOf(name) & 0xFFF0);
}
uint32_t FakeSystem::ordinalAddress(uintptr_t library, uint16_t ordinal) {
    return static_cast<uint32_t>(library) + 0x20000 + ordinal * 16u;
}
uintptr_t FakeSystem::libraryHandle(const std::string& lowerName) {
    return 0x70000000u + ((hashOf(lowerName) & 0xFF) << 20);
}

FakeSystem::Allocation* FakeSystem::owner(uint32_t address, uint32_t size) {
    for (Allocation& a : allocations)
        if (a.live && address >= a.base && size <= a.size && address - a.base <= a.size - size) return &a;
    return nullptr;
}

const FakeSystem::Allocation* FakeSystem::allocationAt(uint32_t base) const {
    for (const Allocation& a : allocations)
        if (a.live && a.base == base) return &a;
    return nullptr;
}

int FakeSystem::liveAllocations() const {
    return static_cast<int>(std::count_if(allocations.begin(), allocations.end(), [](auto& a) { return a.live; }));
}

int FakeSystem::liveLibraryRefs() const {
    int n = 0;
    for (auto& [handle, refs] : libraryRefs) n += refs;
    return n;
}

FakeSystem::FakeSystem() {
    services_.context = this;
    services_.allocate = [](void* c, uint32_t at, uint32_t size, uint8_t** bytes) -> uint32_t {
        FakeSystem& s = of(c);
        s.allocationRequests.push_back(at);
        if (size == 0 || size > s.largestAllocation) return 0;
        uint32_t base = at;
        if (base != 0) {
            if (s.takenBases.count(base) || uint64_t{base} + size > 0xFFFFFFFFull) return 0;
            for (const Allocation& a : s.allocations)
                if (a.live && base < a.base + a.size && a.base < base + size) return 0;
        } else {
            base = s.nextFree;
            s.nextFree += (size + 0xFFFF) & ~0xFFFFu;
        }
        Allocation a;
        a.base = base;
        a.size = size;
        a.bytes.reset(new uint8_t[size]());
        *bytes = a.bytes.get();
        s.allocations.push_back(std::move(a));
        return base;
    };
    services_.protect = [](void* c, uint32_t address, uint32_t size, uint32_t protection) {
        FakeSystem& s = of(c);
        if (s.owner(address, size) == nullptr) ++s.badRequests;
        s.protects.push_back({address, size, protection});
        return true;
    };
    services_.decommit = [](void* c, uint32_t address, uint32_t size) {
        FakeSystem& s = of(c);
        if (s.owner(address, size) == nullptr) ++s.badRequests;
        s.decommits.push_back({address, size, 0});
        return true;
    };
    services_.release = [](void* c, uint32_t base) {
        FakeSystem& s = of(c);
        for (Allocation& a : s.allocations)
            if (a.live && a.base == base) {
                a.live = false;
                a.bytes.reset();
                return;
            }
        ++s.badRequests;
    };
    services_.flush = [](void* c, uint32_t address, uint32_t size) {
        FakeSystem& s = of(c);
        if (s.owner(address, size) == nullptr) ++s.badRequests;
    };
    services_.loadLibrary = [](void* c, const char* name) -> uintptr_t {
        FakeSystem& s = of(c);
        s.loadRequests.push_back(name);
        const std::string key = lower(name);
        if (!s.anyLibrary && !s.libraries.count(key)) return 0;
        const uintptr_t h = libraryHandle(key);
        ++s.libraryRefs[h];
        return h;
    };
    services_.freeLibrary = [](void* c, uintptr_t library) {
        FakeSystem& s = of(c);
        auto it = s.libraryRefs.find(library);
        if (it == s.libraryRefs.end() || it->second <= 0)
            ++s.badRequests;
        else
            --it->second;
    };
    services_.procByName = [](void* c, uintptr_t library, const char* name) -> uint32_t {
        FakeSystem& s = of(c);
        uint32_t result = 0;
        if (s.anyFunction) {
            result = functionAddress(library, name);
        } else {
            for (auto& [lib, names] : s.libraries)
                if (libraryHandle(lib) == library && names.count(name)) result = functionAddress(library, name);
        }
        s.procRequests.push_back({library, name, 0, result});
        return result;
    };
    services_.procByOrdinal = [](void* c, uintptr_t library, uint16_t ordinal) -> uint32_t {
        FakeSystem& s = of(c);
        uint32_t result = 0;
        if (s.anyFunction) {
            result = ordinalAddress(library, ordinal);
        } else {
            for (auto& [lib, names] : s.libraries)
                if (libraryHandle(lib) == library && names.count("#" + std::to_string(ordinal)))
                    result = ordinalAddress(library, ordinal);
        }
        s.procRequests.push_back({library, "", ordinal, result});
        return result;
    };
    services_.call = [](void* c, uint32_t function, const uint32_t* args, int count) -> uint32_t {
        FakeSystem& s = of(c);
        s.calls.push_back({function, std::vector<uint32_t>(args, args + count)});
        return s.entryResult;
    };
}

}  // namespace trivex::modload::testing
