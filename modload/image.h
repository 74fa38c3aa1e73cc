// Reading a 32-bit Windows module image (PE32) without ever leaving it.
//
// Every read goes through `View`, which knows how many bytes it covers: a
// read that would run past the end fails instead of touching memory. The
// header parser checks the headers and the section table against the file;
// tables found through the data directories are checked where they are
// read, against the mapped image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace trivex::modload {

// Header and section flag values used by the loader.
enum : uint32_t {
    kScnCntInitializedData = 0x00000040,
    kScnCntUninitializedData = 0x00000080,
    kScnMemDiscardable = 0x02000000,
    kScnMemNotCached = 0x04000000,
    kScnMemExecute = 0x20000000,
    kScnMemRead = 0x40000000,
    kScnMemWrite = 0x80000000,
    kRelBasedHighLow = 3,
    kOrdinalFlag = 0x80000000,
};
enum : int { kDirExport = 0, kDirImport = 1, kDirBaseReloc = 5, kDirCount = 16 };
enum : uint32_t {
    kPageNoAccess = 0x01,
    kPageReadOnly = 0x02,
    kPageReadWrite = 0x04,
    kPageWriteCopy = 0x08,
    kPageExecute = 0x10,
    kPageExecuteRead = 0x20,
    kPageExecuteReadWrite = 0x40,
    kPageExecuteWriteCopy = 0x80,
    kPageNoCache = 0x200,
};

// Largest image the loader maps (the address space of a 32-bit process is
// 2 GB; nothing the program carries comes near this).
constexpr uint32_t kMaxImageSize = 256u << 20;

// A counted run of bytes; reads outside it fail.
class View {
public:
    View() = default;
    View(const void* data, uint64_t size) : data_(static_cast<const uint8_t*>(data)), size_(size) {}

    uint64_t size() const { return size_; }
    const uint8_t* data() const { return data_; }
    bool has(uint64_t offset, uint64_t count) const { return offset <= size_ && count <= size_ - offset; }

    bool u16(uint64_t offset, uint16_t& out) const { return get(offset, &out, 2); }
    bool u32(uint64_t offset, uint32_t& out) const { return get(offset, &out, 4); }
    // The zero-terminated string at `offset`; false when its terminator is
    // not inside the run.
    bool str(uint64_t offset, const char*& out) const {
        if (offset >= size_) return false;
        const void* end = std::memchr(data_ + offset, 0, size_ - offset);
        if (end == nullptr) return false;
        out = reinterpret_cast<const char*>(data_ + offset);
        return true;
    }

private:
    bool get(uint64_t offset, void* out, uint32_t n) const {
        if (!has(offset, n)) return false;
        std::memcpy(out, data_ + offset, n);  // little-endian, as the image
        return true;
    }
    const uint8_t* data_ = nullptr;
    uint64_t size_ = 0;
};

struct DataDirectory {
    uint32_t rva = 0;
    uint32_t size = 0;
};

struct SectionHeader {
    uint32_t virtualAddress = 0;
    uint32_t sizeOfRawData = 0;
    uint32_t pointerToRawData = 0;
    uint32_t characteristics = 0;
};

// The fields of a PE32 image that loading needs, all checked against the
// file: the section table lies inside it, every section's raw data lies
// inside it and starts inside the image, the entry point lies inside the
// image.
struct Headers {
    uint32_t ntOffset = 0;         // offset of "PE\0\0"
    uint32_t imageBaseOffset = 0;  // offset of the ImageBase field
    uint16_t fileCharacteristics = 0;
    uint32_t imageBase = 0;
    uint32_t sizeOfImage = 0;
    uint32_t headerBytes = 0;      // bytes of the file mapped as headers
    uint32_t entryPoint = 0;       // relative to the base; 0 none
    uint32_t sectionAlignment = 0;
    uint32_t sizeOfInitializedData = 0;
    uint32_t sizeOfUninitializedData = 0;
    DataDirectory directories[kDirCount];
    std::vector<SectionHeader> sections;
};

// False when the file is no well-formed PE32 (i386) image.
bool parseHeaders(View file, Headers& out);

// An image's export table, read once and kept.
struct ExportTable {
    struct Name {
        std::string name;
        uint16_t index = 0;  // into `functions`; may be out of range
    };
    std::vector<uint32_t> functions;  // relative addresses
    std::vector<Name> names;          // in table order
};

// Reads the export table that `dir` points at in a mapped image. An absent
// directory (size 0) gives an empty table; false when any part of the table
// lies outside the image.
bool readExports(View image, DataDirectory dir, ExportTable& out);

// The relative address of the export `name` (case-sensitive, first equal
// name wins); false when there is none or its index is out of range.
bool lookupExport(const ExportTable& table, const char* name, uint32_t& rva);

}  // namespace trivex::modload
