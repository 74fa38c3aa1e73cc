// The tokens of the jobs this program prepared on this machine. A job's
// record, its outcome copy and its boot image carry its token; a kept token
// is the first proof that a record is this machine's job (job/ownership.h
// has them all): a record that came with a disk from another computer, one
// that another installation left, or one whose token is malformed is never
// this machine's job, and nothing of it is acted on.
//
// They are kept on the machine itself (Machine::writeSetting, the program's
// key in the registry), not on a disk that a user may move to another
// computer, newest last, the oldest dropped beyond kTokensKept. The
// registry lives on C:, so a restore of C: brings back the list the image
// holds: the computer's own parts prove the job then.
#pragma once

#include <vector>

#include "platform/problem.h"

namespace trivex::job {

inline constexpr char kTokensSetting[] = "Tokens";
// Far more jobs than ever wait or leave an outcome at once.
inline constexpr size_t kTokensKept = 32;

// The kept tokens, oldest first; well-formed ones only (a kept text that was
// changed by hand loses nothing else).
std::vector<Text> keptTokens(Machine& p);

// Keeps `token` as the newest, before anything of its job is written: a
// record with it must be believed at the next start whatever happens after.
Result keepToken(Machine& p, const Text& token);

}  // namespace trivex::job
