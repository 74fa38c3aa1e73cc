// Taking back a prepared job, from what is on the disk (and in the boot
// configuration store) alone: a job prepared in an earlier run of the
// program is taken back the same way.
#pragma once

#include "platform/machine.h"

namespace trivex::job {

struct Undone {
    Text failures;     // each step that failed, "；" between them; empty when all went
    Text loaderKept;   // why the loader's files stayed (the boot still starts them); empty when they went
};

// The boot goes back first: the saved menu replaces the redirected one
// (boot.ini route), or the entries of ours leave the store (store route).
// Only then do the job's files go (only the ones that are this program's),
// files of the user's that the job's record says it set aside get their
// names back, and last the record itself and its outcome copy (while the DOS
// side has not written to it). While the boot still starts the loader, its
// files and the record stay, so that the machine still boots.
Undone undoJob(Machine& p);

// The message for the user about an undo, empty when there is nothing to say.
Text undoMessage(const Undone& u);

}  // namespace trivex::job
