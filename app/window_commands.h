// Commands of the main window that only change the state of other
// controls: the mode refresh, the partition-list selection, the option
// check boxes, the help texts and the contact address. The job's own
// commands live in job/, the image search and details in discovery/.
#pragma once

#include "ui/toolkit.h"

namespace trivex {

class App;

// Either radio button. Restore mode when 还原单选框 is checked, else backup
// mode when 备份单选框 is; with neither, no mode is applied. Applying a mode
// resets the image path and makes the first partition current.
void modeRefresh(App& app, WindowId, int);
// 列表框1's selection: the selected drive letter from the current entry.
void partitionSelect(App& app, WindowId, int);
// 自定义选择框: the custom Ghost path box and its browse button follow it.
void customGhostSwitch(App& app, WindowId, int);
// 打开2 and the key P: picks a Ghost program into 编辑框2.
void browseCustomGhost(App& app, WindowId, int);
// 手动选择框: manual Ghost locks the mode and offers Ghost32.
void manualSwitch(App& app, WindowId, int);
void helpAbout(App& app, WindowId, int);
void helpUsage(App& app, WindowId, int);
void helpWhy(App& app, WindowId, int);
void contact(App& app, WindowId, int);

// 确定 is enabled while a job has its inputs: a selected partition and an
// image path. Called wherever one of them changes; the key Y reaches the
// job command whatever this state is.
void updateConfirmButton(App& app);

// The address that 解答按钮3 opens.
inline constexpr char kContactAddress[] = "http://trivex.example.org/";

}  // namespace trivex
