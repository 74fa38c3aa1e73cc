#include "platform/problem.h"

#include "platform/text.h"

namespace trivex {

Arg::Arg(Text t) : text(std::move(t)) {}
Arg::Arg(const char* t) : text(t) {}
Arg::Arg(const Arg&) = default;
Arg::Arg(Arg&&) noexcept = default;
Arg& Arg::operator=(const Arg&) = default;
Arg& Arg::operator=(Arg&&) noexcept = default;
Arg::~Arg() = default;

Problem::Problem() = default;
Problem::Problem(Code c, std::vector<Arg> a, uint32_t e, std::vector<Problem> p)
    : code(c), args(std::move(a)), error(e), parts(std::move(p)) {}
Problem::Problem(const Problem&) = default;
Problem::Problem(Problem&&) noexcept = default;
Problem& Problem::operator=(const Problem&) = default;
Problem& Problem::operator=(Problem&&) noexcept = default;
Problem::~Problem() = default;

Result::Result() = default;
Result::Result(Problem p) : problem_(std::move(p)) {}
Result::Result(const Result&) = default;
Result::Result(Result&&) noexcept = default;
Result& Result::operator=(const Result&) = default;
Result& Result::operator=(Result&&) noexcept = default;
Result::~Result() = default;

Problem stepFailed(Code code, std::vector<Arg> args, SysResult r) { return {code, std::move(args), r.error, {}}; }

Problem around(Code code, std::vector<Problem> parts, std::vector<Arg> args) {
    return {code, std::move(args), 0, std::move(parts)};
}

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
