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

// Builds the store route's boot-sector file from a GRUB4DOS grldr.mbr: the
// name of the file it looks for, GRLDR, becomes `name` (1 to 8 capital
// letters or digits), so that it starts the program's loader and no GRLDR
// that another system or tool left on a partition before C:.
//
// grldr.mbr searches the root of every partition in BIOS order and starts
// the first file of that name. It keeps the name in its start code right
// after the text "No ", which is also its message when none is found:
//   0.4.6a (and 0.4.5c): "No GRLDR" and zero bytes, once, at 0x5E0 (in the
//     NTFS boot record, whose search compares names in capitals); the FAT
//     search copies it into its blank 8.3 field (after the "No " at
//     0x1060) when it runs, and "Cannot find ... in all drives" prints it;
//   earlier builds: a boot record per file system, the FAT ones with the
//     name padded to 8.3 ("GRLDR      ").
// Every place in the whole file where the name can stand, in any letter
// case and in one- or two-byte characters, is changed or refuses the file:
// a one-byte "GRLDR" or "grldr" after "No " in one of those two forms gets
// the new name in its own letter case (the plain form needs zero bytes
// behind it for the longer name, since nothing may move); anything else,
// a two-byte name among it, refuses the file and says where and why.
bool patchLoaderMbr(const Bytes& mbr, const std::string& name, LoaderPatch& out, std::string& err);

}  // namespace trivex::tools
