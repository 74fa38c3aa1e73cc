// The binding of command names (from the layout tables) to functions.
#pragma once

#include <string>

#include "platform/platform.h"

namespace trivex {

class App;
using CommandFn = void (*)(App&, WindowId, int arg);

// nullptr when no function is bound to `name`.
CommandFn findCommand(const std::string& name);

}  // namespace trivex
