// Taking back a prepared job, from what is on the disk alone: a job
// prepared in an earlier run of the program is taken back the same way.
#pragma once

#include "platform/platform.h"

namespace trivex::job {

struct Undone {
    Text failures;  // each step that failed, "；" between them; empty when all went
    bool loaderKept = false;  // boot.ini still starts C:\grldr, so the loader stayed
};

// The saved menu replaces the redirected one first; only then do the job's
// files go (only the ones that are this program's), and a loader of the
// user's own set aside by the job gets its name back. Without a saved menu
// the loader stays, so that the machine still boots.
Undone undoJob(Platform& p);

// The message for the user about an undo, empty when there is nothing to say.
Text undoMessage(const Undone& u);

}  // namespace trivex::job
