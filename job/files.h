// The fixed files of a job, as the hand-off (payloads/handoff.h) names them.
// Names on the target file systems ignore letter case: "C:\Ghost.bat" is the
// "C:\ghost.bat" the job wrote.
#pragma once

#include "payloads/handoff.h"
#include "payloads/targets.h"

namespace trivex::job {

inline constexpr const char* kBootIni = handoff::kBootMenuPath.text;
inline constexpr const char* kBootBak = handoff::kBootMenuSavedPath.text;
// Where the DOS side puts the redirected boot.ini for the moment between
// its two renames; a cut there leaves it (and maybe no boot.ini).
inline constexpr const char* kBootIniAside = handoff::kBootMenuAsidePath.text;
// Where the DOS side writes the menu without the job's lines before the renames.
inline constexpr const char* kBootIniNew = handoff::kBootMenuNewPath.text;
inline constexpr const char* kGrldr = payloads::kLoaderTarget;
// Where a loader of the user's own waits while a job is prepared; the DOS
// side and undo give it its name back.
inline constexpr const char* kGrldrBak = handoff::kLoaderAsidePath.text;
// The loader's boot-sector file, started by the boot manager of Windows
// Vista and later; a user's own one waits as grldr.mbr.bak.
inline constexpr const char* kGrldrMbr = payloads::kLoaderMbrTarget;
inline constexpr const char* kGrldrMbrBak = handoff::kLoaderMbrAsidePath.text;
// The loader on the store route, under the name grldr.mbr looks for.
inline constexpr const char* kStoreLoader = handoff::kStoreLoaderPath.text;
inline constexpr const char* kStoreLoaderBak = handoff::kStoreLoaderAsidePath.text;
inline constexpr const char* kGhostBat = handoff::kGhostBatPath.text;
inline constexpr const char* kGhostExe = payloads::kGhostDosTarget;
inline constexpr const char* kVemoImg = payloads::kDosImageTarget;
inline constexpr const char* kGhost32Exe = payloads::kGhost32Target;

}  // namespace trivex::job
