// The loader's services as the running system provides them.
#pragma once

#include "modload/services.h"

namespace trivex::modload {

// The services of the system the program runs on, filled once; null where
// there are none to give (the host build, or a system whose kernel module
// cannot be found).
const Services* systemServices();

}  // namespace trivex::modload
