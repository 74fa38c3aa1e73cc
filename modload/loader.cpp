#include "modload/loader.h"

#include <algorithm>
#include <cstring>

namespace trivex::modload {

namespace {

// Read and write access to the mapped image, checked like `View`.
class Mapping : public View {
public:
    Mapping(uint8_t* data, uint32_t size) : View(data, size), data_(data) {}
    bool put32(uint64_t offset, uint32_t value) {
        if (!has(offset, 4)) return false;
        std::memcpy(data_ + offset, &value, 4);
        return true;
    }
    bool add32(uint64_t offset, uint32_t delta) {
        uint32_t v = 0;
        return u32(offset, v) && put32(offset, v + delta);
    }

private:
    uint8_t* data_;
};

// Page protection by executable x 4 + readable x 2 + writable.
constexpr uint32_t kProtections[8] = {
    kPageNoAccess, kPageWriteCopy, kPageReadOnly, kPageReadWrite,
    kPageExecute, kPageExecuteWriteCopy, kPageExecuteRead, kPageExecuteReadWrite,
};

constexpr uint16_t kFileRelocsStripped = 0x0001;
constexpr uint32_t kPageSize = 0x1000;
constexpr uint32_t kImportDescriptorSize = 20;

// Headers, then the raw data of every section at its address. Bytes the
// file does not provide stay zero (the allocation is zeroed).
void copyImage(const View& file, const Headers& h, Mapping& map, uint8_t* bytes, uint32_t base) {
    std::memcpy(bytes, file.data(), h.headerBytes);
    map.put32(h.imageBaseOffset, base);
    for (const SectionHeader& s : h.sections) {
        if (s.sizeOfRawData == 0) continue;
        const uint32_t n = std::min(s.sizeOfRawData, h.sizeOfImage - s.virtualAddress);
        std::memcpy(bytes + s.virtualAddress, file.data() + s.pointerToRawData, n);
    }
}

bool relocate(const Headers& h, Mapping& map, uint32_t delta) {
    if (delta == 0) return true;
    const DataDirectory dir = h.directories[kDirBaseReloc];
    // An image that is not where it was linked for and says nothing about
    // its absolute addresses cannot run there.
    if (dir.size == 0 || (h.fileCharacteristics & kFileRelocsStripped)) return false;
    if (!map.has(dir.rva, dir.size)) return false;
    uint64_t at = dir.rva;
    const uint64_t end = uint64_t{dir.rva} + dir.size;
    while (end - at >= 8) {
        uint32_t page = 0, blockSize = 0;
        map.u32(at, page);
        map.u32(at + 4, blockSize);
        if (page == 0) break;
        if (blockSize < 8 || blockSize > end - at) return false;
        const uint32_t count = (blockSize - 8) / 2;
        for (uint32_t i = 0; i < count; ++i) {
            uint16_t entry = 0;
            map.u16(at + 8 + 2 * i, entry);
            if ((entry >> 12) != kRelBasedHighLow) continue;  // padding and other kinds
            if (!map.add32(uint64_t{page} + (entry & 0xFFF), delta)) return false;
        }
        at += blockSize;
    }
    return true;
}

bool linkImports(const Headers& h, Mapping& map, const Services& sv, std::vector<uintptr_t>& libraries) {
    const DataDirectory dir = h.directories[kDirImport];
    if (dir.size == 0) return true;
    for (uint64_t d = dir.rva;; d += kImportDescriptorSize) {
        if (!map.has(d, kImportDescriptorSize)) return false;
        uint32_t lookup = 0, nameRva = 0, addresses = 0;
        map.u32(d, lookup);
        map.u32(d + 12, nameRva);
        map.u32(d + 16, addresses);
        if (nameRva == 0) return true;

        const char* libraryName = nullptr;
        if (!map.str(nameRva, libraryName)) return false;
        const uintptr_t library = sv.loadLibrary(sv.context, libraryName);
        if (library == 0) return false;
        libraries.push_back(library);

        // Without a separate lookup list the address list is read as one.
        if (lookup == 0) lookup = addresses;
        for (uint64_t i = 0;; ++i) {
            uint32_t value = 0;
            if (!map.u32(lookup + 4 * i, value)) return false;
            if (value == 0) break;
            uint32_t fn = 0;
            if (value & kOrdinalFlag) {
                fn = sv.procByOrdinal(sv.context, library, static_cast<uint16_t>(value & 0xFFFF));
            } else {
                const char* fnName = nullptr;
                if (!map.str(uint64_t{value} + 2, fnName)) return false;  // past the hint
                fn = sv.procByName(sv.context, library, fnName);
            }
            if (fn == 0 || !map.put32(uint64_t{addresses} + 4 * i, fn)) return false;
        }
    }
}

// Discardable sections give their pages back; every other section gets the
// protection its flags ask for. With sections packed closer than a page the
// flags of neighbours would fight over shared pages, so such an image is
// left readable, writable and executable as a whole.
bool protectSections(const Headers& h, const Services& sv, uint32_t base) {
    if (h.sectionAlignment < kPageSize) return sv.protect(sv.context, base, h.sizeOfImage, kPageExecuteReadWrite);
    for (const SectionHeader& s : h.sections) {
        const uint32_t c = s.characteristics;
        if (s.virtualAddress >= h.sizeOfImage) continue;
        const uint32_t room = h.sizeOfImage - s.virtualAddress;
        if (c & kScnMemDiscardable) {
            const uint32_t n = std::min(s.sizeOfRawData, room);
            if (n > 0) sv.decommit(sv.context, base + s.virtualAddress, n);
            continue;
        }
        uint32_t size = s.sizeOfRawData;
        if (size == 0) {
            if (c & kScnCntInitializedData)
                size = h.sizeOfInitializedData;
            else if (c & kScnCntUninitializedData)
                size = h.sizeOfUninitializedData;
        }
        size = std::min(size, room);
        if (size > 0 && !sv.protect(sv.context, base + s.virtualAddress, size, sectionProtection(c))) return false;
    }
    return true;
}

}  // namespace

uint32_t sectionProtection(uint32_t c) {
    const int index = ((c & kScnMemExecute) ? 4 : 0) + ((c & kScnMemRead) ? 2 : 0) + ((c & kScnMemWrite) ? 1 : 0);
    uint32_t p = kProtections[index];
    if (c & kScnMemNotCached) p |= kPageNoCache;
    return p;
}

std::unique_ptr<Module> loadModule(const Services& sv, const void* image, size_t length) {
    if (image == nullptr) return nullptr;
    const View file(image, length);
    Headers h;
    if (!parseHeaders(file, h)) return nullptr;

    uint8_t* bytes = nullptr;
    uint32_t base = sv.allocate(sv.context, h.imageBase, h.sizeOfImage, &bytes);
    if (base == 0) base = sv.allocate(sv.context, 0, h.sizeOfImage, &bytes);
    if (base == 0 || bytes == nullptr) return nullptr;

    auto m = std::make_unique<Module>(sv);
    m->base_ = base;
    m->size_ = h.sizeOfImage;
    m->bytes_ = bytes;

    Mapping map(bytes, h.sizeOfImage);
    copyImage(file, h, map, bytes, base);
    if (!readExports(map, h.directories[kDirExport], m->exports_)) return nullptr;
    if (!relocate(h, map, base - h.imageBase)) return nullptr;
    if (!linkImports(h, map, sv, m->libraries_)) return nullptr;
    if (sv.flush != nullptr) sv.flush(sv.context, base, h.sizeOfImage);
    if (!protectSections(h, sv, base)) return nullptr;

    if (h.entryPoint != 0) {
        m->entryPoint_ = base + h.entryPoint;
        const uint32_t args[3] = {base, kDllProcessAttach, 0};
        if (sv.call(sv.context, m->entryPoint_, args, 3) == 0) return nullptr;
        m->initialized_ = true;
    }
    return m;
}

uint32_t Module::findEntry(const char* name) const {
    uint32_t rva = 0;
    if (name == nullptr || !lookupExport(exports_, name, rva)) return 0;
    return base_ + rva;
}

Module::~Module() {
    if (initialized_) {
        const uint32_t args[3] = {base_, kDllProcessDetach, 0};
        services_.call(services_.context, entryPoint_, args, 3);
        initialized_ = false;
    }
    for (uintptr_t library : libraries_) services_.freeLibrary(services_.context, library);
    if (base_ != 0) services_.release(services_.context, base_);
}

}  // namespace trivex::modload
