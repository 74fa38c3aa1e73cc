// Whole-file helpers on top of the machine's file operations.
#pragma once

#include <optional>
#include <vector>

#include "platform/machine.h"

namespace trivex {

// The temporary file that writeFileWhole writes before it moves it onto
// its name lives in the same folder under a name of this form: "TVX", five
// upper-case hex digits, ".TMP" ("C:\TVX0A3F1.TMP" for "C:\grldr"), an 8.3
// name that DOS reads as well. Each write makes its own, exclusively; a file
// that has such a name already is never touched by the write.
inline constexpr char kTemporaryPrefix[] = "TVX";
inline constexpr char kTemporarySuffix[] = ".TMP";
inline constexpr size_t kTemporaryDigits = 5;
// The temporary name with the low 20 bits of `number` in the folder of
// `path`; empty when `path` names no file in a folder.
Text temporaryFor(const Text& path, uint32_t number);
// Whether a bare file name has the temporary files' form (letter case aside).
bool isTemporaryName(const Text& name);
// The files of that form in the folder `folder` ("C:\"), as full paths.
std::vector<Text> temporariesIn(Machine& m, const Text& folder);

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
