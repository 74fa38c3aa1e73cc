#include "job/undo.h"

#include "app/app.h"
#include "job/boot_menu.h"
#include "job/files.h"
#include "ui/names.h"

namespace trivex::job {

namespace {
constexpr WindowId kMain = WindowId::Main;
// The names undo removes; the job wrote them as C:\ghost.bat and C:\ghost.exe.
constexpr char kUndoGhostBat[] = "C:\\Ghost.bat";
constexpr char kUndoGhostExe[] = "C:\\Ghost.exe";
}  // namespace

void askUndo(App& app, WindowId, int) { app.platform.openWindow(WindowId::UndoPrompt, true); }

void undoJob(App& app, WindowId, int) {
    Platform& p = app.platform;
    dropRedirectedMenu(p);
    p.deleteFile(kGrldr);
    p.deleteFile(kUndoGhostBat);
    p.deleteFile(kUndoGhostExe);
    p.deleteFile(kVemoImg);
    putSavedMenuBack(p);
    p.closeWindow(WindowId::UndoPrompt);
    p.setProp(kMain, ctl::销毁按钮, Prop::Visible, 1);
    p.setProp(kMain, ctl::销毁按钮, Prop::Enabled, 0);
    if (isRedirected(app, kBootIni))
        tell(app, "未能恢复原来的启动菜单：C:\\boot.ini 仍指向已删除的 C:\\grldr，请在重启前检查启动菜单！");
}

}  // namespace trivex::job
