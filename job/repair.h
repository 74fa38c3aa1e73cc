// A job cut short (the program ended or the power went while it was being
// prepared, taken back or undone) is found at the next start and taken
// back, so that the machine starts Windows with the user's menu and files.
#pragma once

#include <optional>

#include "platform/problem.h"

namespace trivex::job {

// Looks at what is on the disk (and in the boot configuration store): a job
// whose boot points at the loader while a file of it is missing or not ours,
// files or a record of ours without a boot pointing at them, a file of the
// user's that such a job left set aside, a temporary file of a whole write.
// Such a job is taken back the way undo takes a job back. A whole job that
// waits for its restart is left alone, and so is the one-time store entry a
// job that ran leaves behind (removeStaleEntries takes it). Returns the one
// account for the user, what was found and what was done; none when there
// was nothing to do.
std::optional<Problem> repairCutJob(Machine& p);

}  // namespace trivex::job
