// A whole job of ours that waits on C: for the next restart, whoever causes
// it: the program names it at every start and when it is closed, so that no
// restart (days later, an automatic one after updates) runs a job the user
// has forgotten.
#pragma once

#include <optional>

#include "job/request.h"
#include "platform/problem.h"

namespace trivex::job {

struct WaitingJob {
    JobKind kind = JobKind::None;
    Problem told;  // which kind, which image, when it was prepared, and U to undo it
};

// The job whose record is on C: with every file it lists in place; none
// when there is no such job. (A job cut short is the start-up repair's.)
std::optional<WaitingJob> waitingJob(Machine& p);

}  // namespace trivex::job
