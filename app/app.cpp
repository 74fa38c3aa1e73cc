#include "app/app.h"

#include "app/commands.h"
#include "ui/catalogue.h"

namespace trivex {

App::App(Machine& m, Toolkit& w) : machine(m), windows(w) {
    windows.setCommandSink([this](WindowId window, const std::string& command, int arg) {
        dispatch(window, command, arg);
    });
    // The windows paint while a tool runs; what the user does meanwhile is
    // dropped, and no command starts inside another.
    machine.setWaitHook([this] {
        Busy waiting(*this);
        windows.processPendingMessages();
    });
}

App::Busy::Busy(App& app) : app_(app) {
    if (app_.busy_++ == 0) app_.windows.holdInput(true);
}

App::Busy::~Busy() {
    if (--app_.busy_ == 0) app_.windows.holdInput(false);
}

void App::run() {
    if (!windows.openWindow(WindowId::Main, false)) {
        tell(*this, say::kLayoutFailed);
        return;
    }
    windows.runMessageLoop();
}

void App::dispatch(WindowId window, const std::string& command, int arg) {
    if (busy()) return;
    if (const CommandFn fn = findCommand(command)) fn(*this, window, arg);
}

void tell(App& app, const Text& message) { app.windows.messageBox(message, 0, say::kBoxCaption); }

void tell(App& app, const Problem& problem) { tell(app, say::sentence(problem, app.machine)); }

}  // namespace trivex
