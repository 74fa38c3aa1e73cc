// Letting users drive Ghost themselves or bring their own: Ghost32 written
// out and started at once from Windows, and a Ghost executable of the user's
// own in place of the embedded DOS Ghost. (Manual Ghost itself is only the
// text of ghost.bat: job/command_line.h.)
#pragma once

#include <optional>

#include "platform/platform.h"

namespace trivex {
class App;
}

namespace trivex::job {

// The user's own Ghost: the path in 编辑框2, when 自定义选择框 is checked and
// the path holds "ghost.exe" anywhere (letter case ignored).
std::optional<Text> customGhostPath(App& app);

// Provides C:\ghost.exe for a job: a copy of the user's own Ghost, or the
// embedded DOS Ghost. False when the copy or the write failed; `failure`
// then says what, for the user.
bool provideGhostExe(App& app, Text& failure);

// The Ghost32 check box was clicked (it has toggled already). Checked:
// E:\Ghost32.exe is written and started. When it cannot be written or
// started the user is told and the box is unchecked again. Unchecked: the
// file is deleted.
void ghost32Switch(App& app, WindowId, int);

}  // namespace trivex::job
