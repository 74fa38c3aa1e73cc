// Preparing a job: from the description the user confirmed to a machine
// whose next start runs Ghost, or, when anything fails, back to where it
// was with the user told why.
#pragma once

#include <optional>

#include "job/checks.h"
#include "job/ghost_plan.h"
#include "job/request.h"

namespace trivex::job {

struct Prepared {
    bool ok = false;
    std::optional<Problem> problem;  // why not; none when ok or when the user stopped it
    std::optional<Problem> notice;   // when ok: what the user should know (a file of the user's set aside)
    GhostPlan plan;  // what Ghost was to do (volumes without a letter where the check found none)
};

// Works out the job's partitions (job/partitions.h: their volumes and the
// numbers Windows expects), builds both command texts and refuses a job that
// cannot run (nothing is written then); the DOS side finds Ghost's numbers by
// the volumes just before Ghost runs. An earlier job of ours that has not run
// is undone first. The job's token is kept on this machine (job/tokens.h);
// then, each written whole (temporary file, flush, move): the job's record
// C:\TRIVEX.JOB, C:\Vemo.img with the job's token, C:\grldr (and
// C:\grldr.mbr on the store route), C:\ghost.bat, C:\ghost.exe, the outcome
// copy TRIVEX.OUT of the record on the image's drive; last, the boot is
// pointed at the loader (boot.ini's few lines of the job's, which the record
// lists, with the user's menu kept as boot.bak, or the store's one-time
// entry). A cut at any moment leaves a machine that starts Windows, and the
// next start takes the half-prepared job back.
// Every step is checked; a failure takes the job back in the reverse order:
// the boot first, the files after (a loader of the user's own back under its
// name), the record last.
// Questions the user answered OK before are remembered in `agreed`.
Prepared prepareJob(Machine& p, Questions& questions, const JobRequest& job, Agreed& agreed);

// Backup mode's image file choice: until Ghost replaces it, the image file
// holds its own path. A file that is there already (an earlier backup) stays.
void writeBackupPlaceholder(Machine& p, const Text& path);

}  // namespace trivex::job
