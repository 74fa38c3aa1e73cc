// Off Windows nothing can be loaded for real.
#include "modload/system_services.h"

namespace trivex::modload {

const Services* systemServices() { return nullptr; }

}  // namespace trivex::modload
