// Ghost32: the Windows edition of Ghost, written out and started at once
// from Windows, without any job. (Manual Ghost is only the text of
// ghost.bat, job/ghost_plan.h; a Ghost of the user's own is job/checks.h.)
#pragma once

#include "platform/problem.h"

namespace trivex::job {

// Writes E:\Ghost32.exe (whole) and starts it. A file of the user's own at
// that name is never written over: the user is told instead. On failure
// nothing is left behind.
Result startGhost32(Machine& p);
// Deletes E:\Ghost32.exe when it is ours (a copy still running stays).
void removeGhost32(Machine& p);

}  // namespace trivex::job
