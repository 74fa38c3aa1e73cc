// The loader's services on Windows. The kernel functions come from the
// kernel module found in the process's module list, through its export
// table; the program's own import list is only the fallback.
#include <windows.h>

#include <cwchar>

#include "modload/image.h"
#include "modload/system_services.h"
#include "modload/win32/call.h"

namespace trivex::modload {

namespace {

struct Kernel {
    decltype(&::VirtualAlloc) virtualAlloc;
    decltype(&::VirtualProtect) virtualProtect;
    decltype(&::VirtualFree) virtualFree;
    decltype(&::FlushInstructionCache) flushInstructionCache;
    decltype(&::LoadLibraryA) loadLibrary;
    decltype(&::FreeLibrary) freeLibrary;
    decltype(&::GetProcAddress) getProcAddress;
};

// Offsets in the process environment block and its loader records (the
// layout of 32-bit Windows since NT 4).
constexpr uint32_t kTebPeb = 0x30;
constexpr uint32_t kPebLdr = 0x0C;
constexpr uint32_t kLdrInitOrderList = 0x1C;
// From a record's initialisation-order link: the module base and the
// counted UTF-16 base name (length in bytes, then the buffer).
constexpr uint32_t kLinkDllBase = 0x08;
constexpr uint32_t kLinkBaseNameLength = 0x1C;
constexpr uint32_t kLinkBaseNameBuffer = 0x20;
constexpr int kMaxModules = 4096;

template <typename T>
T at(const void* p, uint32_t offset) {
    T v;
    std::memcpy(&v, static_cast<const uint8_t*>(p) + offset, sizeof v);
    return v;
}

// The thread's own block, from its self pointer at fs:[0x18], as
// NtCurrentTeb reads it (whose inlined header version GCC 12 takes for an
// access outside an array when optimising for size).
const void* currentTeb() {
    const void* teb;
    __asm__("movl %%fs:0x18, %0" : "=r"(teb));
    return teb;
}

// The kernel module's base, from the module list in initialisation order.
HMODULE kernelFromModuleList() {
    const void* peb = at<const void*>(currentTeb(), kTebPeb);
    const void* ldr = peb ? at<const void*>(peb, kPebLdr) : nullptr;
    if (ldr == nullptr) return nullptr;
    const uint8_t* head = static_cast<const uint8_t*>(ldr) + kLdrInitOrderList;
    const uint8_t* link = at<const uint8_t*>(head, 0);
    for (int n = 0; link != nullptr && link != head && n < kMaxModules; ++n) {
        const uint16_t length = at<uint16_t>(link, kLinkBaseNameLength);
        const wchar_t* name = at<const wchar_t*>(link, kLinkBaseNameBuffer);
        if (name != nullptr && length == 12 * sizeof(wchar_t) && _wcsnicmp(name, L"kernel32.dll", 12) == 0)
            return at<HMODULE>(link, kLinkDllBase);
        link = at<const uint8_t*>(link, 0);
    }
    return nullptr;
}

// GetProcAddress from the kernel module's own export table; null when it
// is missing or forwarded elsewhere.
FARPROC getProcAddressOf(HMODULE kernel) {
    const uint8_t* base = reinterpret_cast<const uint8_t*>(kernel);
    uint32_t nt = at<uint32_t>(base, 0x3C);
    const uint32_t sizeOfImage = at<uint32_t>(base, nt + 24 + 56);
    const View image(base, sizeOfImage);
    Headers h;
    if (!parseHeaders(image, h)) return nullptr;
    const DataDirectory dir = h.directories[kDirExport];
    ExportTable exports;
    uint32_t rva = 0;
    if (!readExports(image, dir, exports) || !lookupExport(exports, "GetProcAddress", rva)) return nullptr;
    if (rva >= dir.rva && rva - dir.rva < dir.size) return nullptr;  // a forwarder text
    return reinterpret_cast<FARPROC>(base + rva);
}

template <typename F>
bool find(decltype(&::GetProcAddress) gpa, HMODULE kernel, const char* name, F& out) {
    out = reinterpret_cast<F>(reinterpret_cast<void*>(gpa(kernel, name)));
    return out != nullptr;
}

bool fillKernel(Kernel& k) {
    HMODULE kernel = kernelFromModuleList();
    FARPROC gpa = kernel ? getProcAddressOf(kernel) : nullptr;
    if (gpa == nullptr) {
        kernel = GetModuleHandleA("kernel32.dll");
        gpa = reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&::GetProcAddress));
    }
    if (kernel == nullptr) return false;
    k.getProcAddress = reinterpret_cast<decltype(&::GetProcAddress)>(reinterpret_cast<void*>(gpa));
    return find(k.getProcAddress, kernel, "VirtualProtect", k.virtualProtect) &&
           find(k.getProcAddress, kernel, "LoadLibraryA", k.loadLibrary) &&
           find(k.getProcAddress, kernel, "VirtualAlloc", k.virtualAlloc) &&
           find(k.getProcAddress, kernel, "VirtualFree", k.virtualFree) &&
           find(k.getProcAddress, kernel, "FreeLibrary", k.freeLibrary) &&
           find(k.getProcAddress, kernel, "FlushInstructionCache", k.flushInstructionCache);
}

Kernel& kernelOf(void* context) { return *static_cast<Kernel*>(context); }
void* ptr(uint32_t address) { return reinterpret_cast<void*>(static_cast<uintptr_t>(address)); }

uint32_t allocate(void* c, uint32_t at, uint32_t size, uint8_t** bytes) {
    Kernel& k = kernelOf(c);
    void* p = k.virtualAlloc(ptr(at), size, MEM_RESERVE, PAGE_READWRITE);
    if (p == nullptr) return 0;
    if (k.virtualAlloc(p, size, MEM_COMMIT, PAGE_READWRITE) == nullptr) {
        k.virtualFree(p, 0, MEM_RELEASE);
        return 0;
    }
    *bytes = static_cast<uint8_t*>(p);
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

bool protect(void* c, uint32_t address, uint32_t size, uint32_t protection) {
    DWORD old = 0;
    return kernelOf(c).virtualProtect(ptr(address), size, protection, &old) != 0;
}

bool decommit(void* c, uint32_t address, uint32_t size) {
    return kernelOf(c).virtualFree(ptr(address), size, MEM_DECOMMIT) != 0;
}

void release(void* c, uint32_t base) { kernelOf(c).virtualFree(ptr(base), 0, MEM_RELEASE); }

void flush(void* c, uint32_t address, uint32_t size) {
    kernelOf(c).flushInstructionCache(GetCurrentProcess(), ptr(address), size);
}

uintptr_t loadLibrary(void* c, const char* name) {
    return reinterpret_cast<uintptr_t>(kernelOf(c).loadLibrary(name));
}

void freeLibrary(void* c, uintptr_t library) { kernelOf(c).freeLibrary(reinterpret_cast<HMODULE>(library)); }

uint32_t procByName(void* c, uintptr_t library, const char* name) {
    return reinterpret_cast<uintptr_t>(kernelOf(c).getProcAddress(reinterpret_cast<HMODULE>(library), name));
}

uint32_t procByOrdinal(void* c, uintptr_t library, uint16_t ordinal) {
    return reinterpret_cast<uintptr_t>(
        kernelOf(c).getProcAddress(reinterpret_cast<HMODULE>(library), MAKEINTRESOURCEA(ordinal)));
}

uint32_t call(void*, uint32_t function, const uint32_t* args, int count) {
    return callWithArgs(function, args, count);
}

}  // namespace

const Services* systemServices() {
    static Kernel kernel{};
    static const bool ready = fillKernel(kernel);
    static const Services services = [] {
        Services s;
        s.context = &kernel;
        s.allocate = allocate;
        s.protect = protect;
        s.decommit = decommit;
        s.release = release;
        s.flush = flush;
        s.loadLibrary = loadLibrary;
        s.freeLibrary = freeLibrary;
        s.procByName = procByName;
        s.procByOrdinal = procByOrdinal;
        s.call = call;
        return s;
    }();
    return ready ? &services : nullptr;
}

}  // namespace trivex::modload
