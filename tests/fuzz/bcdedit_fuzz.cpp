// libFuzzer target: any bytes as what bcdedit answered (`/enum all /v`, or
// `/create`), in any language and code page. The listing's reader finds
// entries only where an identifier in braces follows a heading's
// underline; the identifier reader finds only identifiers of their whole
// shape.
#include <cctype>
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
    const Text id = bcd::identifierIn(answer);
    if (id.empty()) return 0;
    check(id.size() == 38 && id.front() == '{' && id.back() == '}');
    check(answer.find(id) != Text::npos);
    for (size_t k = 1; k + 1 < id.size(); ++k)
        check(k == 9 || k == 14 || k == 19 || k == 24 ? id[k] == '-' : std::isxdigit(static_cast<unsigned char>(id[k])) != 0);
    return 0;
}
