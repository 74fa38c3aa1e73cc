// The start-up step: our embedded skin library (or the supplied one) gets
// the embedded skin.
#include "modload/skin_attach.h"
#include "modload/system_services.h"
#include "payloads/store.h"

namespace trivex::modload {

void attachSkin() {
    const Services* services = systemServices();
    if (services == nullptr) return;
    std::unique_ptr<Module> skin = attachSkin(*services, payloads::data(payloads::Payload::SkinLibrary),
                                              payloads::data(payloads::Payload::Skin));
    // Attached for the rest of the process: the library draws the windows
    // from now on and is never unloaded.
    static_cast<void>(skin.release());
}

}  // namespace trivex::modload
