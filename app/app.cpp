#include "app/app.h"

#include "app/commands.h"

namespace trivex {

App::App(Platform& p) : platform(p), files(p) {
    platform.setCommandSink([this](WindowId w, const std::string& command, int arg) {
        dispatch(w, command, arg);
    });
}

void App::run() {
    if (!platform.openWindow(WindowId::Main, false)) {
        tell(*this, "载入启动窗口失败");
        return;
    }
    platform.runMessageLoop();
}

void App::dispatch(WindowId window, const std::string& command, int arg) {
    if (const CommandFn fn = findCommand(command)) fn(*this, window, arg);
}

void tell(App& app, const Text& message) { app.platform.messageBox(message, 0, "信息："); }

}  // namespace trivex
