#include "job/commands.h"

namespace trivex {

BindingTable jobCommands() { return {nullptr, 0}; }

}  // namespace trivex
