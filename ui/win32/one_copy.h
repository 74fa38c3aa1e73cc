// One copy of the program at a time: two would prepare, undo and repair the
// same job against each other. The first copy holds a named mutex for as
// long as it runs; a later start finds it taken, brings the running copy's
// window forward and ends.
#pragma once

namespace trivex::win32 {

enum class OneCopy {
    First,           // no other copy runs: this one goes on
    BroughtForward,  // another copy runs; its window was brought forward
    RunsElsewhere,   // another copy runs where its window cannot be reached (another user's session)
};

// Claims the mutex (kept until the process ends) or finds the running copy.
OneCopy claimOneCopy();

}  // namespace trivex::win32
