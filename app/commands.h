// The binding of command names (from the layout tables) to functions. Each
// room keeps its own table of bindings; the lookup goes through all of them.
#pragma once

#include <cstddef>
#include <string>

#include "platform/platform.h"

namespace trivex {

class App;
using CommandFn = void (*)(App&, WindowId, int arg);

struct Binding {
    const char* name;
    CommandFn fn;
};

struct BindingTable {
    const Binding* rows;
    size_t count;
};

// nullptr when no function is bound to `name`.
CommandFn findCommand(const std::string& name);

}  // namespace trivex
