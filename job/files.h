// The fixed files of a job. Names on the target file systems ignore letter
// case: "C:\Ghost.bat" (removed by undo) is the "C:\ghost.bat" the job wrote.
#pragma once

namespace trivex::job {

inline constexpr char kBootIni[] = "C:\\boot.ini";
inline constexpr char kBootBak[] = "C:\\boot.bak";
inline constexpr char kGrldr[] = "C:\\grldr";
inline constexpr char kGhostBat[] = "C:\\ghost.bat";
inline constexpr char kGhostExe[] = "C:\\ghost.exe";
inline constexpr char kVemoImg[] = "C:\\Vemo.img";
inline constexpr char kGhost32Exe[] = "E:\\Ghost32.exe";

}  // namespace trivex::job
