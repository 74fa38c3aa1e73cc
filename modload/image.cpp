#include "modload/image.h"

#include <algorithm>

namespace trivex::modload {

namespace {
constexpr uint16_t kMz = 0x5A4D;
constexpr uint32_t kPe = 0x00004550;
constexpr uint16_t kMachineI386 = 0x014C;
constexpr uint16_t kMagicPe32 = 0x010B;
constexpr uint32_t kFileHeaderSize = 20;
constexpr uint32_t kOptionalFixedSize = 96;  // PE32 optional header up to the directories
constexpr uint32_t kSectionHeaderSize = 40;
}  // namespace

bool parseHeaders(View file, Headers& out) {
    out = Headers{};
    uint16_t mz = 0;
    if (!file.u16(0, mz) || mz != kMz) return false;
    uint32_t nt = 0, pe = 0;
    if (!file.u32(0x3C, nt) || !file.u32(nt, pe) || pe != kPe) return false;
    out.ntOffset = nt;

    const uint64_t fh = uint64_t{nt} + 4;
    uint16_t machine = 0, sectionCount = 0, optionalSize = 0;
    if (!file.u16(fh, machine) || !file.u16(fh + 2, sectionCount) || !file.u16(fh + 16, optionalSize) ||
        !file.u16(fh + 18, out.fileCharacteristics))
        return false;
    if (machine != kMachineI386 || optionalSize < kOptionalFixedSize) return false;

    const uint64_t opt = fh + kFileHeaderSize;
    if (!file.has(opt, optionalSize)) return false;
    uint16_t magic = 0;
    uint32_t directoryCount = 0, sizeOfHeaders = 0;
    file.u16(opt, magic);
    if (magic != kMagicPe32) return false;
    file.u32(opt + 8, out.sizeOfInitializedData);
    file.u32(opt + 12, out.sizeOfUninitializedData);
    file.u32(opt + 16, out.entryPoint);
    file.u32(opt + 28, out.imageBase);
    file.u32(opt + 32, out.sectionAlignment);
    file.u32(opt + 56, out.sizeOfImage);
    file.u32(opt + 60, sizeOfHeaders);
    file.u32(opt + 92, directoryCount);
    out.imageBaseOffset = static_cast<uint32_t>(opt + 28);

    const uint32_t fits = (optionalSize - kOptionalFixedSize) / 8;
    directoryCount = std::min({directoryCount, fits, uint32_t{kDirCount}});
    for (uint32_t i = 0; i < directoryCount; ++i) {
        file.u32(opt + kOptionalFixedSize + 8 * i, out.directories[i].rva);
        file.u32(opt + kOptionalFixedSize + 8 * i + 4, out.directories[i].size);
    }

    if (out.sizeOfImage == 0 || out.sizeOfImage > kMaxImageSize) return false;
    if (out.entryPoint >= out.sizeOfImage) return false;

    // The section table follows the optional header.
    const uint64_t table = opt + optionalSize;
    const uint64_t tableEnd = table + uint64_t{sectionCount} * kSectionHeaderSize;
    if (!file.has(table, tableEnd - table)) return false;
    // The headers are mapped as the file has them: at least through the
    // section table, at most what the file holds, and inside the image.
    const uint64_t headerBytes = std::max<uint64_t>(tableEnd, std::min<uint64_t>(sizeOfHeaders, file.size()));
    if (headerBytes > out.sizeOfImage) return false;
    out.headerBytes = static_cast<uint32_t>(headerBytes);

    out.sections.resize(sectionCount);
    for (uint32_t i = 0; i < sectionCount; ++i) {
        const uint64_t s = table + uint64_t{i} * kSectionHeaderSize;
        SectionHeader& sec = out.sections[i];
        file.u32(s + 12, sec.virtualAddress);
        file.u32(s + 16, sec.sizeOfRawData);
        file.u32(s + 20, sec.pointerToRawData);
        file.u32(s + 36, sec.characteristics);
        if (sec.sizeOfRawData != 0) {
            if (!file.has(sec.pointerToRawData, sec.sizeOfRawData)) return false;
            if (sec.virtualAddress >= out.sizeOfImage) return false;
        }
    }
    return true;
}

bool readExports(View image, DataDirectory dir, ExportTable& out) {
    out = ExportTable{};
    if (dir.size == 0) return true;
    // Export directory: counts at +20/+24, table addresses at +28/+32/+36.
    uint32_t functionCount = 0, nameCount = 0, functions = 0, names = 0, ordinals = 0;
    if (!image.has(dir.rva, 40)) return false;
    image.u32(dir.rva + 20, functionCount);
    image.u32(dir.rva + 24, nameCount);
    image.u32(dir.rva + 28, functions);
    image.u32(dir.rva + 32, names);
    image.u32(dir.rva + 36, ordinals);
    if (!image.has(functions, uint64_t{functionCount} * 4) || !image.has(names, uint64_t{nameCount} * 4) ||
        !image.has(ordinals, uint64_t{nameCount} * 2))
        return false;

    out.functions.resize(functionCount);
    for (uint32_t i = 0; i < functionCount; ++i) image.u32(functions + uint64_t{i} * 4, out.functions[i]);
    out.names.resize(nameCount);
    // In a sound table every name is stored once, so the names together are
    // never longer than the image; a table that says otherwise is refused
    // rather than copied over and over.
    uint64_t nameBytes = 0;
    for (uint32_t i = 0; i < nameCount; ++i) {
        uint32_t nameRva = 0;
        const char* name = nullptr;
        image.u32(names + uint64_t{i} * 4, nameRva);
        if (!image.str(nameRva, name)) return false;
        out.names[i].name = name;
        nameBytes += out.names[i].name.size() + 1;
        if (nameBytes > image.size()) return false;
        image.u16(ordinals + uint64_t{i} * 2, out.names[i].index);
    }
    return true;
}

bool lookupExport(const ExportTable& table, const char* name, uint32_t& rva) {
    if (table.functions.empty()) return false;
    for (const ExportTable::Name& n : table.names) {
        if (n.name != name) continue;
        if (n.index >= table.functions.size()) return false;
        rva = table.functions[n.index];
        return true;
    }
    return false;
}

}  // namespace trivex::modload
