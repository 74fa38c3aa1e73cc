// Byte buffers and file helpers shared by the payload build tools.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace trivex::tools {

using Bytes = std::vector<uint8_t>;

// Whole file into `out`; false (with a message in `err`) when it cannot be read.
bool readFile(const std::string& path, Bytes& out, std::string& err);
// Writes the file only when its content differs (or it does not exist), so
// that build steps depending on it stay up to date. False on a write error.
bool writeIfDifferent(const std::string& path, const Bytes& data, std::string& err);
bool fileExists(const std::string& path);
bool isDirectory(const std::string& path);

inline Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

inline void putU16(Bytes& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
inline void putU32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint16_t getU16(const Bytes& b, size_t at) {
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
inline uint32_t getU32(const Bytes& b, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | b[at + i];
    return v;
}

// Hex offset for messages ("0x3DC").
std::string hex(uint64_t v);

}  // namespace trivex::tools
