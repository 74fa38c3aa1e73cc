#include "discovery/commands.h"

namespace trivex {

BindingTable discoveryCommands() { return {nullptr, 0}; }

}  // namespace trivex
