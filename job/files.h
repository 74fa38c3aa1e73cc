// The fixed files of a job. Names on the target file systems ignore letter
// case: "C:\Ghost.bat" (removed by undo) is the "C:\ghost.bat" the job wrote.
#pragma once

#include "payloads/targets.h"

namespace trivex::job {

inline constexpr char kBootIni[] = "C:\\boot.ini";
inline constexpr char kBootBak[] = "C:\\boot.bak";
inline constexpr const char* kGrldr = payloads::kLoaderTarget;
inline constexpr char kGhostBat[] = "C:\\ghost.bat";
inline constexpr const char* kGhostExe = payloads::kGhostDosTarget;
inline constexpr const char* kVemoImg = payloads::kDosImageTarget;
inline constexpr const char* kGhost32Exe = payloads::kGhost32Target;

}  // namespace trivex::job
