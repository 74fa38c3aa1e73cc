// libFuzzer target: any bytes as what the partition-count probe's diskpart
// script wrote ("磁盘 0        含有3" in GBK, or anything else a system
// says). The count is read from its fixed place: a number, or the one
// character there, never more than the output holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "discovery/probe.h"

using namespace trivex;

namespace {
void check(bool ok) {
    if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Text output(reinterpret_cast<const char*>(data), size);
    const Text count = partitionCountOf(output);
    check(count.size() <= output.size());
    if (!count.empty()) check(output.find(count) != Text::npos);
    return 0;
}
