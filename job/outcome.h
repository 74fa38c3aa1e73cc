// What the last job did, as its outcome record tells it: the DOS side
// notes in the outcome copy of the job's record (in the root of the image's
// drive) that it took the job, that Ghost started and what Ghost came back
// with (and, after a backup, what Ghost's check of the new image came back
// with). The next start of the program describes it for the user, once, and
// removes the record. Only what the record confirms is told as done; a
// backup's image must also exist, be a Ghost image and be newer than the job.
#pragma once

#include <optional>
#include <vector>

#include "platform/problem.h"

namespace trivex::job {

struct LastOutcome {
    Problem status;                  // for the status bar: what the job did, and when
    std::optional<Problem> failure;  // for a message box; none when the job went well
};

// Outcome records that are not this machine's, left where they are.
struct LeftAlone {
    std::vector<Text> others;   // another computer's (job/ownership.h)
    std::vector<Text> unknown;  // a computer that cannot be told
};

// The outcomes of this machine's finished jobs in the roots of C: to Z:
// (TRIVEX.OUT, or TRIVEX.JOB as an earlier version named it), each described
// and then removed: this machine's by job/ownership.h, so that the job a
// restore of C: ran is told whatever registry the restore brought back.
// The outcome copy of a job that is still on C: (waiting, or cut short) is
// left for that job. `shown` holds the tokens described before in this
// run: a record that could not be removed is not told twice. An outcome
// record of another computer, or of one that cannot be told, is neither
// told nor removed: its path goes to `leftAlone`, when given.
std::vector<LastOutcome> takeOutcomes(Machine& p, std::vector<Text>& shown, LeftAlone* leftAlone = nullptr);

}  // namespace trivex::job
