#include "app/prompts.h"

#include "app/app.h"

namespace trivex {

namespace {
constexpr int kRestart = 2;
constexpr int kKeyY = 89;
constexpr int kKeyN = 78;

void closeBoth(App& app) {
    app.restartAnswered = true;
    app.platform.closeWindow(WindowId::RestartPrompt);
    app.platform.closeWindow(WindowId::Main);
}
}  // namespace

void showRestartPrompt(App& app) {
    Platform& p = app.platform;
    app.restartAnswered = false;
    p.showWindow(WindowId::Main, false);
    p.openWindow(WindowId::RestartPrompt, true);
    if (!app.restartAnswered && p.windowExists(WindowId::Main)) p.showWindow(WindowId::Main, true);
}

void restartNow(App& app, WindowId, int) {
    // Not forced: programs with unsaved work are asked, and may refuse.
    if (app.platform.shutDown(kRestart, false)) return closeBoth(app);
    // Refused (no shutdown privilege, a program that would not close, or the
    // system would not): the job stays prepared and the program stays, with
    // the main window back.
    app.platform.closeWindow(WindowId::RestartPrompt);
    tell(app, "系统拒绝了重启（没有关机权限，或有程序阻止重启）。任务已准备好，请稍后自己重启计算机；"
              "不想运行任务请按 U 键撤销。");
}

void exitWithoutRestart(App& app, WindowId, int) { closeBoth(app); }

void restartPromptKey(App& app, WindowId w, int virtualKey) {
    if (virtualKey == kKeyY) restartNow(app, w, 0);
    else if (virtualKey == kKeyN) exitWithoutRestart(app, w, 0);
}

void closeUndoPrompt(App& app, WindowId, int) { app.platform.closeWindow(WindowId::UndoPrompt); }

}  // namespace trivex
