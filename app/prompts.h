// The restart prompt after a prepared job, and the undo prompt's way back.
#pragma once

#include "ui/toolkit.h"

namespace trivex {

class App;

// Hides the main window and shows the restart prompt until it closes. When
// the prompt closes without an answer (Esc), the main window comes back:
// the job stays prepared and can be undone.
void showRestartPrompt(App& app);
// Yes: asks the system to restart (not forced), then both windows close.
void restartNow(App& app, WindowId, int);
// No: both windows close; the job runs at the next start.
void exitWithoutRestart(App& app, WindowId, int);
// Y (89) answers Yes, N (78) answers No; other keys do nothing.
void restartPromptKey(App& app, WindowId, int virtualKey);
// The undo prompt's cancel button.
void closeUndoPrompt(App& app, WindowId, int);

}  // namespace trivex
