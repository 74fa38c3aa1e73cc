// The NT boot menu C:\boot.ini. A job keeps the unchanged menu as
// C:\boot.bak, rewrites boot.ini so that it starts C:\grldr by default after
// 2 seconds, and the menu comes back by renaming boot.bak over boot.ini (undo
// here, or the DOS side before Ghost runs).
#pragma once

#include <cstdint>
#include <optional>

#include "platform/platform.h"

namespace trivex {
class App;
}

namespace trivex::job {

constexpr uint32_t kProtection = kAttrReadOnly | kAttrHidden | kAttrSystem;

// "attrib <path> -r -h -s" (on false) or "+r +h +s" (on true) for the bits given.
Text attribCommand(const Text& path, uint32_t bits, bool on);
// Runs it hidden and waits for it; true when `path` then has exactly the
// protection asked for.
bool setProtection(Platform& p, const Text& path, uint32_t bits, bool on);

bool isFile(Platform& p, const Text& path);
// The whole content of a file, nullopt when it cannot be read.
std::optional<Text> readWholeFile(Platform& p, const Text& path);
// True when the menu at `path` starts C:\grldr by default: a job has been
// prepared and not yet run or undone.
bool isRedirected(App& app, const Text& path);

// After each use of the image file button: copies boot.ini to boot.bak
// (attributes included), then clears boot.ini's read-only, hidden and system
// attributes without waiting, so that it can be rewritten. While a job is
// prepared boot.ini is already redirected and boot.bak holds the menu from
// before it: the copy is skipped so that the saved menu is never replaced by
// a redirected one.
void saveBootMenu(App& app);

// The redirected menu: the new loader section, old lines 4 to 7 and the new entry.
Text redirectedMenu(const Text& line4, const Text& line5, const Text& line6, const Text& line7);
// Rewrites boot.ini from its own lines 4 to 7. False when boot.ini could
// not be opened (nothing is written then) or the write failed.
bool redirectBootMenu(App& app);

// Restoring, in two steps that undo runs with its deletions in between:
// boot.ini goes when a saved copy exists, then boot.bak becomes boot.ini.
void dropRedirectedMenu(Platform& p);
bool putSavedMenuBack(Platform& p);
void restoreBootMenu(Platform& p);

}  // namespace trivex::job
