// What keeps a job from being prepared, found before anything is written.
#pragma once

#include "platform/platform.h"

namespace trivex {
class App;
}

namespace trivex::job {

// Why the job cannot run, for the user; empty when it can. Reads the command
// values built for this job (the partition numbers) and the window's state.
Text jobRefusal(App& app);

// A build with stand-ins on the boot path says so before a job and lets the
// user go on (to try the flow and undo it) or stop. True to go on.
bool demoBuildGoesOn(App& app);

}  // namespace trivex::job
