// Drive space in KB by drive letter text.
#include "platform/disk.h"

#include <limits>

namespace trivex {
namespace {

// The drive letter named by the first byte of the text: a-z as A-Z; 0 (the
// current drive) for anything that is not a letter, the empty text included.
char driveOf(const Text& letter) {
    if (letter.empty()) return 0;
    const char c = letter[0];
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
    if (c >= 'A' && c <= 'Z') return c;
    return 0;
}

int64_t spaceKB(Platform& p, const Text& letter, bool total) {
    uint64_t totalBytes = 0, freeBytes = 0;
    if (!p.diskSpace(driveOf(letter), totalBytes, freeBytes)) return -1;
    const uint64_t kb = (total ? totalBytes : freeBytes) >> 10;
    const uint64_t top = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    return static_cast<int64_t>(kb > top ? top : kb);
}

// Drives of 2 TiB and more do not fit a signed 32-bit count of KB: they are
// reported as the largest count that fits, never as a negative (failed) value.
int32_t clamp32(int64_t kb) {
    if (kb < 0) return -1;
    const int64_t top = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(kb > top ? top : kb);
}

}  // namespace

int64_t totalDiskKB64(Platform& p, const Text& letter) { return spaceKB(p, letter, true); }
int64_t freeDiskKB64(Platform& p, const Text& letter) { return spaceKB(p, letter, false); }
int32_t totalDiskKB(Platform& p, const Text& letter) { return clamp32(totalDiskKB64(p, letter)); }
int32_t freeDiskKB(Platform& p, const Text& letter) { return clamp32(freeDiskKB64(p, letter)); }

}  // namespace trivex
