// Loading a 32-bit DLL from a block of memory, without a file.
//
// `loadModule` maps the image into fresh memory from the services, applies
// its base relocations, links its imports (by name and by ordinal), sets the
// protection of each section and runs its entry point for process attach.
// Every header, section, directory, relocation block, import descriptor and
// the export table are checked against the image before they are used: a
// malformed image gives no module, and whatever was taken on the way (memory,
// libraries) is given back. Nothing outside the given bytes or the mapping is
// ever read or written.
//
// A module stays loaded as long as its `Module` object lives; destroying it
// runs the entry point for process detach (when attach succeeded), frees the
// libraries it loaded and releases the mapping.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "modload/image.h"
#include "modload/services.h"

namespace trivex::modload {

enum : uint32_t { kDllProcessDetach = 0, kDllProcessAttach = 1 };

class Module {
public:
    explicit Module(const Services& services) : services_(services) {}
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    uint32_t base() const { return base_; }
    uint32_t size() const { return size_; }
    // Where this process reaches the mapped bytes.
    uint8_t* bytes() const { return bytes_; }
    // True once the entry point accepted process attach.
    bool initialized() const { return initialized_; }
    // Libraries loaded for the imports, in import-directory order.
    const std::vector<uintptr_t>& libraries() const { return libraries_; }

    // Address of the exported function `name` (case-sensitive); 0 when the
    // module exports no such name or its entry is out of range. Forwarded
    // exports are not followed and there is no lookup by ordinal.
    uint32_t findEntry(const char* name) const;

private:
    friend std::unique_ptr<Module> loadModule(const Services&, const void*, size_t);

    Services services_;
    uint32_t base_ = 0;
    uint32_t size_ = 0;
    uint8_t* bytes_ = nullptr;
    uint32_t entryPoint_ = 0;  // absolute; 0 none
    bool initialized_ = false;
    std::vector<uintptr_t> libraries_;
    ExportTable exports_;
};

// Loads the PE32 DLL held in `length` bytes at `image`. Null on failure:
// malformed image, no room for the mapping, a library or imported function
// that cannot be found, a protection that cannot be set, an entry point that
// refuses process attach, or an image that cannot stay at its preferred base
// and carries no relocations.
std::unique_ptr<Module> loadModule(const Services& services, const void* image, size_t length);

// The protection asked for a section with these characteristics.
uint32_t sectionProtection(uint32_t characteristics);

}  // namespace trivex::modload
