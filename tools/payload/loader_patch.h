// Builds the loader payload from a GRUB4DOS `grldr`: the menu file name is
// changed so that no menu file on the disk is ever used, and the program's
// preset command list becomes the loader's built-in preset menu.
//
// Layout of a grldr file, as the loader itself relies on it:
//   0x0000        start-up code (grldrstart), 0x2000 bytes
//   0x2000        pre_stage2, loaded at 0x8200
//   +0x17         its default configuration file name, zero-terminated
//   +0x6C         dword: 0x8200 + offset of the preset menu signature
//   signature     B0 02 1A CE, then 12 zero bytes
//   signature+16  the preset menu text, ended by a zero byte (the file's end);
//                 a loader built without preset menus ends before it
// The start-up code finds pre_stage2 by its compiled-in size, so nothing
// before signature+16 may move; only the menu after it is replaced.
#pragma once

#include <string>
#include <vector>

#include "bytes.h"

namespace trivex::tools {

// The preset command list file: LF-ended lines, no CR, no zero byte, not
// empty. Returns the list with its final zero byte appended; false with a
// message when the text breaks those rules.
bool presetMenuFromText(const Bytes& text, Bytes& menu, std::string& err);

struct LoaderPatch {
    Bytes loader;                    // the patched file
    std::vector<std::string> notes;  // what was found and changed
};

// False, with a message saying what was expected, when the file does not
// have the layout above or its menu file names are not where they should be.
bool patchLoader(const Bytes& grldr, const Bytes& menu, LoaderPatch& out, std::string& err);

}  // namespace trivex::tools
