// Handing the embedded skin to the embedded skin library.
//
// The skin library is a DLL carried inside the program and loaded from
// memory; its entry `SkinH_AttachRes` (stdcall, six 32-bit arguments, which
// it removes itself) takes the skin data and from then on draws the
// program's windows. A library that cannot be loaded or lacks the entry
// leaves the windows as they are; the program works the same either way.
#pragma once

#include <memory>

#include "modload/loader.h"
#include "modload/services.h"
#include "platform/machine.h"

namespace trivex::modload {

inline constexpr char kSkinEntry[] = "SkinH_AttachRes";

// Loads `library` through `services` and calls its `SkinH_AttachRes` with
// (address of the skin data, its length, 0, 0, 0, 0). Returns the loaded
// module, or null when the library could not be loaded or has no such entry
// (then nothing was called).
std::unique_ptr<Module> attachSkin(const Services& services, ByteView library, ByteView skin);

// The last start-up step: the embedded skin library and skin, through the
// system's services. The library stays loaded for the rest of the process.
// Does nothing where the system offers no services (the host build) and
// when the attachment fails.
void attachSkin();

}  // namespace trivex::modload
