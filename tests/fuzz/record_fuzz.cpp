// libFuzzer target: any bytes as the text of a job record (C:\TRIVEX.JOB, an
// outcome copy TRIVEX.OUT, a record another computer or the DOS side left).
// The reader takes it or refuses it and never reads outside it; a record it
// takes, written again, reads back as the same record, and its dates and
// outcome place are read without fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "job/record.h"
#include "payloads/store.h"

using namespace trivex;
using namespace trivex::job;

namespace {
void check(bool ok) {
    if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Text text(reinterpret_cast<const char*>(data), size);
    (void)recordDate(text.substr(0, 19));
    const std::optional<JobRecord> r = parseRecord(text);
    if (!r) return 0;
    check(payloads::isToken(r->token));
    check((r->outcome == Outcome::CheckFailed || r->outcome == Outcome::Exited) || r->exitCode == -1);
    check(r->exitCode >= -1 && r->exitCode <= 255);
    const double date = recordDate(r->prepared);
    if (date != kNoDate) check(recordDate(recordTime(date)) == date);
    const Text outcome = outcomeRecordPath(r->image);
    check(outcome.empty() || outcome.size() == 3 + sizeof handoff::kOutcomeName - 1);

    // Written again (without the DOS side's lines) and read back: the same.
    const std::optional<JobRecord> again = parseRecord(recordText(*r));
    check(again.has_value());
    check(again->token == r->token && again->outcomeCopy == r->outcomeCopy && again->kind == r->kind &&
          again->route == r->route && again->prepared == r->prepared && again->image == r->image &&
          again->wrote == r->wrote && again->aside == r->aside);
    check(again->outcome == Outcome::None);
    return 0;
}
