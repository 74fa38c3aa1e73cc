// Where the program writes its payloads: fixed paths, used by the program
// and by the build's embedder (its table). The job's files among them take
// their names from the hand-off (payloads/handoff.h), which the DOS side shares.
#pragma once

#include "payloads/handoff.h"

namespace trivex::payloads {

inline constexpr const char* kLoaderTarget = handoff::kLoaderPath.text;
inline constexpr const char* kGhostDosTarget = handoff::kGhostExePath.text;
inline constexpr const char* kDosImageTarget = handoff::kBootImagePath.text;
inline constexpr char kProbeScriptTarget[] = "C:\\fqs.bat";
inline constexpr char kGhost32Target[] = "E:\\Ghost32.exe";
// The loader's boot-sector file, started through the boot configuration store
// of Windows Vista and later; it finds and starts C:\grldr.
inline constexpr const char* kLoaderMbrTarget = handoff::kLoaderMbrPath.text;

}  // namespace trivex::payloads
