// libFuzzer target: any bytes as what bcdedit answered to `/enum all /v`,
// in any language and code page. The listing's reader finds entries only
// where an identifier in braces follows a heading's underline.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "job/boot_store.h"

using namespace trivex;
using namespace trivex::job;

namespace {
void check(bool ok) {
    if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Text answer(reinterpret_cast<const char*>(data), size);
    for (const bcd::ListedEntry& e : bcd::parseListing(answer)) {
        check(e.identifier.size() >= 2 && e.identifier.front() == '{' && e.identifier.back() == '}');
        check(answer.find(e.identifier) != Text::npos);
        for (const Text& v : e.values) check(v.find('\n') == Text::npos && answer.find(v) != Text::npos);
    }
    return 0;
}
