// The running program: the machine, the window toolkit, the program state
// and the command table that the windows' events are bound to.
#pragma once

#include <string>

#include "app/state.h"
#include "platform/machine.h"
#include "platform/problem.h"
#include "ui/toolkit.h"

namespace trivex {

class App {
public:
    // Binds the windows' events to the commands; while the machine waits for
    // a process, the windows' messages are processed.
    App(Machine& machine, Toolkit& windows);
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // Opens the main window (its creation runs the start-up sequence) and
    // runs the message loop until the last window is gone.
    void run();

    // Runs the command bound to a window event; unknown names do nothing.
    // One command at a time: while the program works on the machine (busy),
    // an event that arrives is dropped, whatever it is bound to.
    void dispatch(WindowId window, const std::string& command, int arg);

    // The program at work on the machine: preparing a job, undoing one,
    // repairing or taking one back, or waiting for a system tool. While one
    // lives, no command runs and the windows take no input from the user;
    // they still paint. Nested ones count as one.
    class Busy {
    public:
        explicit Busy(App& app);
        ~Busy();
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

    private:
        App& app_;
    };
    bool busy() const { return busy_ > 0; }

    Machine& machine;
    Toolkit& windows;
    ProgramState state;
    // Set when the restart prompt was answered (Yes or No), not closed by Esc.
    bool restartAnswered = false;
    // Set once the system took the request to restart.
    bool restarting = false;

private:
    int busy_ = 0;
};

// Shows `message` in the program's message box (OK button, caption "信息：").
void tell(App& app, const Text& message);
// Shows what a problem says, in the same box.
void tell(App& app, const Problem& problem);

}  // namespace trivex
