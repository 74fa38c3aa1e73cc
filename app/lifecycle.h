// Start-up sequence, timer, and the ways the program ends.
#pragma once

#include "payloads/targets.h"
#include "ui/toolkit.h"

namespace trivex {

class App;

inline constexpr const char* kProbeScriptPath = payloads::kProbeScriptTarget;

// The main window's creation event.
void startupSequence(App& app, WindowId, int);
// Every tick re-arms the timer at 5000 ms.
void timerTick(App& app, WindowId, int);
// The main window is about to be destroyed: the probe script goes, and a
// job left waiting is named once more.
void mainWindowDestroyed(App& app, WindowId, int);
// The exit button and the key X.
void exitProgram(App& app, WindowId, int);
// Fills status-bar panel 1 from whether "<last drive>:\Ghost\G_WinXP.gho" is a file.
void backedUpCheck(App& app);

}  // namespace trivex
