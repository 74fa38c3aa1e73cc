// Keyboard shortcuts of the main window, by virtual-key code.
#pragma once

#include "ui/toolkit.h"

namespace trivex {

class App;

// Letters set a check state (without running that control's click command)
// or run the command of a button; other keys do nothing.
void mainWindowKey(App& app, WindowId, int virtualKey);

}  // namespace trivex
