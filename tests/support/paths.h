// Windows path and name rules for the simulated machine: resolving a path,
// case-insensitive names, wildcard patterns and 8.3 short names. All of it
// walks GBK text in whole characters, so a trail byte 0x5C is never taken
// for a backslash and a trail byte that looks like a letter is never folded.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/machine.h"

namespace trivex::sim {

struct ResolvedPath {
    bool valid = false;
    char drive = 0;               // 'A'..'Z'
    std::vector<Text> parts;      // folder names below the root, then the name
};

// Resolves `path` the way Windows does for a process whose current folder is
// `current` (a resolved folder): "/" is read as "\", a relative path starts
// at `current`, "\x" at the root of the current drive and "X:x" at the root
// of drive X; empty and "." parts are dropped, ".." goes one level up (never
// above the root), trailing dots and spaces of a name are dropped. Invalid:
// empty text, network paths, characters Windows refuses in names (control
// characters, < > : " | and, unless `wildcardsInLast`, ? and * anywhere;
// with it, ? and * only in the last part, which is then kept as written).
ResolvedPath resolvePath(const Text& path, const ResolvedPath& current, bool wildcardsInLast = false);

// "X:\a\b" form of a resolved path (the root is "X:\").
Text toText(const ResolvedPath& p);

// The key under which a name is filed in its folder: ASCII letters upper-case.
Text foldName(const Text& name);

// Whether `name` matches `pattern` with Windows wildcards: "*" any run of
// characters, "?" exactly one character (a two-byte character is one), ASCII
// letters without regard to case; "*.*" is "*".
bool wildcardMatch(const Text& pattern, const Text& name);

// Whether `name` already is an 8.3 name (letter case aside).
bool isShortName(const Text& name);

// A NAME~N.EXT short name for a long name; `taken` says whether a candidate
// (folded) is already used in the folder.
Text makeShortName(const Text& longName, const std::function<bool(const Text&)>& taken);

}  // namespace trivex::sim
