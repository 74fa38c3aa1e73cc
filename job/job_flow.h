// From the choice of an image file to the restart prompt: the image file
// button and the job itself.
#pragma once

#include "platform/platform.h"

namespace trivex {
class App;
}

namespace trivex::job {

// The image file button 打开1 (and the keys F and S). Restore mode: the open
// dialog, from the program's folder. Backup mode: the save dialog, the folder
// E:\Ghost made, and a placeholder file at the chosen path where nothing is
// yet. Either way the boot menu is saved and the probe script removed.
void chooseImage(App& app, WindowId, int);

// 确定 (and the key Y): builds both command texts, refuses a job that cannot
// run, then in this order: boot.ini redirected, C:\grldr, C:\ghost.bat,
// C:\ghost.exe, C:\Vemo.img, and the restart prompt. Every step is checked;
// a failure takes the job back and says what failed, and the main window stays.
void prepareJob(App& app, WindowId, int);

}  // namespace trivex::job
