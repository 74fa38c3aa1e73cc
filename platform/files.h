// Whole-file helpers on top of the machine's file operations.
#pragma once

#include <optional>

#include "platform/machine.h"

namespace trivex {

// The temporary file that writeFileWhole writes before it moves it onto
// `path`: TRIVEX.TMP in the folder of `path` ("C:\TRIVEX.TMP" for
// "C:\grldr"); empty when `path` names no file in a folder.
inline constexpr char kTemporaryName[] = "TRIVEX.TMP";
Text temporaryBeside(const Text& path);

// A file's protection: the attributes that keep it from being written,
// deleted or seen.
inline constexpr uint32_t kProtection = kAttrReadOnly | kAttrHidden | kAttrSystem;
// Gives `path` exactly the protection bits `want`, keeping its other
// attributes. Done when it has them afterwards, or is not there.
SysResult setProtection(Machine& m, const Text& path, uint32_t want);

// True when `path` exists and is not a folder.
bool isFile(Machine& m, const Text& path);
// Size of the first entry the path matches (a folder matches too), -1 when
// none; and its last-write time (local), kNoDate when none.
int64_t fileSize(Machine& m, const Text& path);
double fileModTime(Machine& m, const Text& path);
// The whole content of a file, read with every sharing allowed; nullopt when
// it cannot be opened or read to its end.
std::optional<Text> readWholeFile(Machine& m, const Text& path);
// True when the file at `path` holds exactly `bytes`.
bool fileHolds(Machine& m, const Text& path, ByteView bytes);

}  // namespace trivex
