// Commands of the discovery room, by the names the layout tables bind.
#pragma once

#include "app/commands.h"

namespace trivex {

BindingTable discoveryCommands();

}  // namespace trivex
