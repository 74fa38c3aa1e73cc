#include "modload/skin_attach.h"

namespace trivex::modload {

std::unique_ptr<Module> attachSkin(const Services& services, ByteView library, ByteView skin) {
    if (library.data == nullptr || library.size == 0) return nullptr;
    std::unique_ptr<Module> module = loadModule(services, library.data, library.size);
    if (!module) return nullptr;
    const uint32_t entry = module->findEntry(kSkinEntry);
    if (entry == 0) return nullptr;
    // The entry takes six arguments and removes them all: the sixth is
    // passed as 0 so that nothing is read from a stale stack slot.
    const uint32_t args[6] = {
        static_cast<uint32_t>(reinterpret_cast<uintptr_t>(skin.data)), skin.size, 0, 0, 0, 0,
    };
    services.call(services.context, entry, args, 6);
    return module;
}

}  // namespace trivex::modload
