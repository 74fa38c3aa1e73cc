// The test libraries as bytes, and a few reads of their headers that the
// tests use to find what they check (independent of the loader's parser).
#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace trivex::modload::testing {

using Bytes = std::vector<uint8_t>;

inline Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
inline Bytes tmFile(const std::string& name) { return readFile(std::string(TM_DIR) + "/" + name); }

inline uint32_t get32(const uint8_t* p, uint64_t at) {
    uint32_t v;
    std::memcpy(&v, p + at, 4);
    return v;
}
inline void put32(uint8_t* p, uint64_t at, uint32_t v) { std::memcpy(p + at, &v, 4); }
inline uint16_t get16(const uint8_t* p, uint64_t at) {
    uint16_t v;
    std::memcpy(&v, p + at, 2);
    return v;
}
inline void put16(uint8_t* p, uint64_t at, uint16_t v) { std::memcpy(p + at, &v, 2); }

inline uint32_t ntOf(const uint8_t* p) { return get32(p, 0x3C); }
inline uint32_t optOf(const uint8_t* p) { return ntOf(p) + 24; }
// Offset of data directory i's (address, size) pair.
inline uint32_t dirOffset(const uint8_t* p, int i) { return optOf(p) + 96 + 8 * i; }
inline uint32_t dirRva(const uint8_t* p, int i) { return get32(p, dirOffset(p, i)); }
inline uint32_t dirSize(const uint8_t* p, int i) { return get32(p, dirOffset(p, i) + 4); }

struct Section {
    std::string name;
    uint32_t headerOffset = 0, va = 0, virtualSize = 0, rawSize = 0, rawPtr = 0, flags = 0;
};
inline std::vector<Section> sectionsOf(const uint8_t* p) {
    std::vector<Section> out;
    const uint16_t count = get16(p, ntOf(p) + 6);
    const uint32_t table = optOf(p) + get16(p, ntOf(p) + 20);
    for (uint16_t i = 0; i < count; ++i) {
        const uint32_t s = table + 40u * i;
        Section sec;
        sec.name.assign(reinterpret_cast<const char*>(p + s), strnlen(reinterpret_cast<const char*>(p + s), 8));
        sec.headerOffset = s;
        sec.virtualSize = get32(p, s + 8);
        sec.va = get32(p, s + 12);
        sec.rawSize = get32(p, s + 16);
        sec.rawPtr = get32(p, s + 20);
        sec.flags = get32(p, s + 36);
        out.push_back(sec);
    }
    return out;
}
inline Section sectionNamed(const uint8_t* p, const std::string& name) {
    for (const Section& s : sectionsOf(p))
        if (s.name == name) return s;
    return {};
}
// File offset of a relative address, through the section table.
inline uint32_t fileOffset(const uint8_t* p, uint32_t rva) {
    for (const Section& s : sectionsOf(p))
        if (rva >= s.va && rva < s.va + s.rawSize) return s.rawPtr + (rva - s.va);
    return 0;
}

}  // namespace trivex::modload::testing
