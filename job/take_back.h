// Taking back a job that failed half-way: what it changed is recorded as it
// goes, and a failure puts the boot menu back as it was and removes the job
// files, so that a restart never meets a half-written job.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace trivex {
class App;
}

namespace trivex::job {

struct JobTrail {
    Text menuBefore;                // content of boot.ini before the job
    uint32_t protectionBefore = 0;  // its read-only, hidden and system bits
    bool redirectedBefore = false;  // an earlier job was prepared and not undone
    bool savedCopy = false;         // this job made boot.bak itself
    bool unprotected = false;       // this job cleared boot.ini's attributes itself
    std::vector<Text> files;        // job files this job wrote or began to write
};

// Before the rewrite: records the menu, makes sure boot.bak holds a saved
// menu (the image file button may never have been used) and that boot.ini
// can be rewritten. False with `failure` set when either fails.
bool secureBootMenu(App& app, JobTrail& trail, Text& failure);

// Removes the job files and puts the boot menu back. When an earlier job was
// prepared and some of its files have been overwritten by now, that job
// cannot run any more either: it is undone as well. True when boot.ini is
// back as intended.
bool takeBack(App& app, const JobTrail& trail);

// Puts boot.bak back over boot.ini; when the rename does not go through, the
// saved content is written instead. True when boot.ini then holds it.
bool restoreSavedMenu(Platform& p);

}  // namespace trivex::job
