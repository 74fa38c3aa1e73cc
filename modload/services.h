// What the module loader needs from the system, as a table of functions.
//
// The loader's steps (mapping, relocation, import linking, protections,
// export lookup) are plain transformations of an image and of the memory
// these services hand out. On Windows the table is filled from the system
// (modload/win32/system_services.h); tests fill it with substitutes.
//
// Addresses are the 32-bit addresses that the loaded image itself sees.
// `allocate` also says where this process reaches those bytes: on 32-bit
// Windows that is the same address, in tests it is any buffer.
#pragma once

#include <cstdint>

namespace trivex::modload {

struct Services {
    void* context = nullptr;

    // Reserves and commits `size` zeroed read-write bytes at address `at`
    // (0: wherever there is room). Returns the address, 0 when there is no
    // room; `*bytes` then points at the first of them.
    uint32_t (*allocate)(void* context, uint32_t at, uint32_t size, uint8_t** bytes) = nullptr;
    // Sets the page protection (PAGE_* value) of a committed range.
    bool (*protect)(void* context, uint32_t address, uint32_t size, uint32_t protection) = nullptr;
    // Gives back the pages of a range; the reservation stays.
    bool (*decommit)(void* context, uint32_t address, uint32_t size) = nullptr;
    // Releases a whole allocation made by `allocate`.
    void (*release)(void* context, uint32_t base) = nullptr;
    // Makes written code visible to the processor before it runs.
    void (*flush)(void* context, uint32_t address, uint32_t size) = nullptr;

    // Loads a library by file name; 0 when it cannot be loaded.
    uintptr_t (*loadLibrary)(void* context, const char* name) = nullptr;
    void (*freeLibrary)(void* context, uintptr_t library) = nullptr;
    // Address of a library's function; 0 when it has none of that name/ordinal.
    uint32_t (*procByName)(void* context, uintptr_t library, const char* name) = nullptr;
    uint32_t (*procByOrdinal)(void* context, uintptr_t library, uint16_t ordinal) = nullptr;

    // Calls the function at `function` with `count` 32-bit arguments under
    // the stdcall convention and returns its 32-bit result.
    uint32_t (*call)(void* context, uint32_t function, const uint32_t* args, int count) = nullptr;
};

}  // namespace trivex::modload
