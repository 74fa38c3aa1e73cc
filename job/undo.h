// Taking back a prepared job from the main window, from what is on the disk
// alone: a job prepared in an earlier run is taken back the same way.
#pragma once

#include "platform/platform.h"

namespace trivex {
class App;
}

namespace trivex::job {

// 销毁按钮 (and the key U): the undo prompt, modal, until it closes.
void askUndo(App& app, WindowId, int);

// The undo prompt's Yes: boot.ini goes when a saved menu exists, the job
// files go, boot.bak becomes boot.ini again, the prompt closes and the undo
// button is disabled. When boot.ini still starts the loader afterwards the
// user is told: the boot menu needs a look before the next start.
void undoJob(App& app, WindowId, int);

}  // namespace trivex::job
