#include "app/prompts.h"

#include "app/app.h"
#include "ui/catalogue.h"

namespace trivex {

namespace {
constexpr int kKeyY = 89;
constexpr int kKeyN = 78;

void closeBoth(App& app) {
    app.restartAnswered = true;
    app.windows.closeWindow(WindowId::RestartPrompt);
    app.windows.closeWindow(WindowId::Main);
}
}  // namespace

void showRestartPrompt(App& app) {
    Toolkit& w = app.windows;
    app.restartAnswered = false;
    w.showWindow(WindowId::Main, false);
    w.openWindow(WindowId::RestartPrompt, true);
    if (!app.restartAnswered && w.windowExists(WindowId::Main)) w.showWindow(WindowId::Main, true);
}

void restartNow(App& app, WindowId, int) {
    // Not forced: programs with unsaved work are asked, and may refuse.
    const SysResult restarted = app.machine.restart();
    if (restarted) {
        app.restarting = true;
        return closeBoth(app);
    }
    // Refused (no shutdown privilege, a program that would not close, or the
    // system would not): the job stays prepared and the program stays, with
    // the main window back.
    app.windows.closeWindow(WindowId::RestartPrompt);
    tell(app, stepFailed(Code::RestartRefused, {}, restarted));
}

void exitWithoutRestart(App& app, WindowId, int) { closeBoth(app); }

void restartPromptKey(App& app, WindowId w, int virtualKey) {
    if (virtualKey == kKeyY) restartNow(app, w, 0);
    else if (virtualKey == kKeyN) exitWithoutRestart(app, w, 0);
}

void closeUndoPrompt(App& app, WindowId, int) { app.windows.closeWindow(WindowId::UndoPrompt); }

}  // namespace trivex
