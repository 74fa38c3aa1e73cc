// trivex_patchldr: makes the loader payload from a GRUB4DOS grldr, or
// refuses a file whose layout it does not recognise.
//
//   trivex_patchldr PRESET_MENU_FILE GRLDR_IN LOADER_OUT
//
// The command list file is read with the hand-off's values filled in.
#include <cstdio>
#include <string>

#include "payload/handoff_text.h"
#include "payload/loader_patch.h"

using namespace trivex::tools;

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: trivex_patchldr PRESET_MENU_FILE GRLDR_IN LOADER_OUT\n");
        return 2;
    }
    Bytes text, menu, grldr;
    LoaderPatch patch;
    std::string err;
    const bool ok = readHandoffSource(argv[1], text, err) && presetMenuFromText(text, menu, err) &&
                    readFile(argv[2], grldr, err) && patchLoader(grldr, menu, patch, err) &&
                    writeIfDifferent(argv[3], patch.loader, err);
    if (!ok) {
        std::fprintf(stderr, "trivex_patchldr: error: %s: %s\n", argv[2], err.c_str());
        return 1;
    }
    for (const std::string& n : patch.notes) std::printf("%s\n", n.c_str());
    return 0;
}
