// The running program: the machine, the program state and the command
// table that the windows' events are bound to.
#pragma once

#include <memory>
#include <string>

#include "app/state.h"
#include "platform/lines.h"
#include "platform/platform.h"

namespace trivex {

class App {
public:
    explicit App(Platform& platform);
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // Opens the main window (its creation runs the start-up sequence) and
    // runs the message loop until the last window is gone.
    void run();

    // Runs the command bound to a window event; unknown names do nothing.
    void dispatch(WindowId window, const std::string& command, int arg);

    Platform& platform;
    ProgramState state;
    LineFiles files;
    // Set when the restart prompt was answered (Yes or No), not closed by Esc.
    bool restartAnswered = false;
};

// Shows `message` in the program's message box (OK button, caption "信息：").
void tell(App& app, const Text& message);

}  // namespace trivex
