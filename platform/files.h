// Whole-file helpers on top of the platform's raw file access.
#pragma once

#include <optional>

#include "platform/platform.h"

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
// attributes. True when it has them afterwards, or is not there.
bool setProtection(Platform& p, const Text& path, uint32_t want);

// True when `path` exists and is not a folder.
bool isFile(Platform& p, const Text& path);
// The whole content of a file, read with every sharing allowed; nullopt when
// it cannot be opened or read to its end.
std::optional<Text> readWholeFile(Platform& p, const Text& path);
// True when the file at `path` holds exactly `bytes`.
bool fileHolds(Platform& p, const Text& path, ByteView bytes);

}  // namespace trivex
