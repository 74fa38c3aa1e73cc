// Commands of the job room, by the names the layout tables bind.
#pragma once

#include "app/commands.h"

namespace trivex {

BindingTable jobCommands();

}  // namespace trivex
