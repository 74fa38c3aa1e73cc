#include "platform/problem.h"

#include "platform/text.h"

namespace trivex {

Arg Arg::number(int64_t n) { return text::toText(n); }

Arg Arg::when(double d) {
    Arg a("");
    a.kind = Kind::Date;
    a.date = d;
    return a;
}

Arg Arg::quote(Text answer) {
    Arg a(std::move(answer));
    a.kind = Kind::Quote;
    return a;
}

Result Result::allOf(std::vector<Problem> failures) {
    if (failures.empty()) return {};
    return around(Code::Several, std::move(failures));
}

}  // namespace trivex
