// libFuzzer target: the start of a file the user chose as a Ghost image.
// The first eight bytes give the file's size (little-endian, any value),
// the rest its first bytes. The judgement reads only the bytes it is given
// and says yes only for a file of at least 512 bytes that starts FE EF.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "job/checks.h"

using namespace trivex;

namespace {
void check(bool ok) {
    if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int64_t fileSize = 0;
    if (size >= sizeof fileSize) std::memcpy(&fileSize, data, sizeof fileSize);
    const size_t skip = size >= sizeof fileSize ? sizeof fileSize : size;
    const Text head(reinterpret_cast<const char*>(data) + skip, size - skip);
    const bool ghost = job::isGhostImageHead(head, fileSize);
    check(ghost == (fileSize >= 512 && head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0xFE &&
                    static_cast<unsigned char>(head[1]) == 0xEF));
    return 0;
}
