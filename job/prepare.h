// Preparing a job: from the description the user confirmed to a machine
// whose next start runs Ghost, or, when anything fails, back to where it
// was with the user told why.
#pragma once

#include "job/checks.h"
#include "job/command_line.h"
#include "job/description.h"

namespace trivex::job {

struct Prepared {
    bool ok = false;
    Text message;  // why not, for the user; empty when ok or when the user stopped it
};

// Works out Ghost's partition numbers (job/partitions.h) and builds both
// command texts, refuses a job that cannot run (nothing is written then),
// asks where the system cannot confirm the numbers, then in this order: boot.ini redirected (the user's menu
// kept as boot.bak), C:\grldr, C:\ghost.bat, C:\ghost.exe, C:\Vemo.img.
// Every step is checked; a failure takes the job back: the menu as it was,
// the files this job wrote removed, a loader of the user's own back under
// its name. When the job had overwritten files of an earlier job that was
// not undone, that job is undone too.
// Questions the user answered OK before are remembered in `agreed`.
Prepared prepareJob(Platform& p, const JobDescription& job, CommandValues& values, Agreed& agreed);

// Backup mode's image file choice: until Ghost replaces it, the image file
// holds its own path. A file that is there already (an earlier backup) stays.
void writeBackupPlaceholder(Platform& p, const Text& path);

}  // namespace trivex::job
