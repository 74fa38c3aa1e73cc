// Where the program writes its payloads: fixed paths, the one place they are
// spelled. Used by the program and by the build's embedder (its table).
#pragma once

#include <cstddef>

namespace trivex::payloads {

inline constexpr char kLoaderTarget[] = "C:\\grldr";
inline constexpr char kGhostDosTarget[] = "C:\\ghost.exe";
inline constexpr char kDosImageTarget[] = "C:\\Vemo.img";
inline constexpr char kProbeScriptTarget[] = "C:\\fqs.bat";
inline constexpr char kGhost32Target[] = "E:\\Ghost32.exe";
// The loader's boot-sector file, started through the boot configuration store
// of Windows Vista and later; it finds and starts C:\grldr.
inline constexpr char kLoaderMbrTarget[] = "C:\\grldr.mbr";

// The DOS image holds this text exactly once (its file TOKEN.BAT, followed by
// CR LF); a job writes its token, 16 upper-case hex digits, over the question
// marks when it writes C:\\Vemo.img. The build refuses an image that holds the
// text zero or several times.
inline constexpr char kDosImageTokenText[] = "set token=????????????????";
inline constexpr std::size_t kDosImageTokenDigits = 16;

}  // namespace trivex::payloads
