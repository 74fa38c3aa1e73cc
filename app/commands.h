// The binding of command names (from the layout tables) to functions: one
// table in app/, whose thin commands read the window and call the rooms.
#pragma once

#include <string>

#include "ui/toolkit.h"

namespace trivex {

class App;
using CommandFn = void (*)(App&, WindowId, int arg);

struct Binding {
    const char* name;
    CommandFn fn;
};

// nullptr when no function is bound to `name`.
CommandFn findCommand(const std::string& name);

}  // namespace trivex
