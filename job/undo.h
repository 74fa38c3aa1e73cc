// Taking back a prepared job, from what is on the disk (and in the boot
// configuration store) alone: a job prepared in an earlier run of the
// program is taken back the same way.
#pragma once

#include <optional>
#include <vector>

#include "platform/problem.h"

namespace trivex::job {

struct [[nodiscard]] Undone {
    std::vector<Problem> failures;      // each step that failed; none when all went
    std::optional<Problem> loaderKept;  // why the loader's files stayed (the boot still starts them)
    std::optional<Problem> notice;      // entries in the store described like ours that no record names

    // Done when all went and there is nothing to tell; else what did not,
    // why the loader stayed, and the entries left alone.
    Result account() const;
};

// The boot goes back first: the job's lines leave boot.ini, as its record
// lists them, with every change the user made meanwhile kept (boot.ini
// route), or the entries the job's record names leave the store and the
// one-time boot they replaced comes back (store route). Only then
// do the job's files go (only the ones that are this program's), files of
// the user's that the job's record says it set aside get their names back,
// and last the record itself and its outcome copy (while the DOS side has
// not written to it). While a line of the menu names the loader (or the
// store still starts it), its files and the record stay, so that the
// machine still boots; while the job's lines stay in the menu, so does the
// record, which tells them.
Undone undoJob(Machine& p);

}  // namespace trivex::job
