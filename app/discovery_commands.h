// What discovery finds, shown in the main window: the drive list, the image
// search's results and the details of a chosen image.
#pragma once

#include "ui/toolkit.h"

namespace trivex {

class App;

// Lists the drives into 列表框1 (and the program state) from scratch.
void showDrives(App& app);
// 搜索按钮: starts a search into 列表框2, or stops the one under way.
void searchCommand(App& app, WindowId, int);
// 列表框2's selection: the entry's path becomes the image path (编辑框1), and
// its name, size and date are shown (透明标签2-4, outside the visible
// window, and status-bar panel 1, where the user sees them).
void imageDetailsCommand(App& app, WindowId, int);

}  // namespace trivex
