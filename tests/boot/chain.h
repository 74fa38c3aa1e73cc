// What the boot tests of the job share: the boot chain folder, the payloads
// built with it supplied (GRUB4DOS, FreeDOS and the tests' DOS stand-ins),
// and what a job leaves on C: made by the program's own writers.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "job/menu_lines.h"
#include "job/record.h"

namespace trivex::test {

namespace fs = std::filesystem;

extern const fs::path kBootchain, kStandins, kWork, kTreeRoot, kPayloadStandins;

// What the command interpreter's `pause` shows: the key that ends a screen
// of the DOS side is pressed at it (and not at the last ten seconds before
// a restore, whose key would skip the job).
inline const std::string kPauseText = "Press any key to continue";

// Empty when the boot chain folder holds what the tests boot; otherwise why not.
std::string bootchainMissing();
double secondsSince(std::chrono::steady_clock::time_point t);

// The user's boot menu, what the job changes in it, and the job's menu
// (inline: other files' constants are made from them).
inline const std::string kSavedMenu =
    "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n"
    "[operating systems]\r\nmulti(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Microsoft Windows XP Professional\" "
    "/fastdetect\r\n";
inline const job::MenuPlan kPlan = job::planRedirect(kSavedMenu);
inline const std::string kRedirectedMenu = kPlan.redirected;

// The files a job on the route writes, by their names in the record; the
// loader among them or not.
std::vector<Text> wroteFiles(bool loader = true, job::BootRoute route = job::BootRoute::BootIni);

// The image with the job's token written over the placeholder, as the job does.
std::string withToken(std::string image, const std::string& token);

// What the Ghost stand-in logs for runs of these command lines (one line
// each: its command tail) where the DOS side found the partition to back up
// or restore as `target` and the image's as `image` ("1:1", "2:1").
std::string ghostLog(const std::vector<std::string>& lines, const std::string& target, const std::string& image);

// The payloads of a build whose supplied folder holds the boot chain:
// GRUB4DOS's loader, our Ghost stand-in as Ghost, the DOS boot image, and
// the store route's grldr.mbr as the build patched it.
struct Payloads {
    std::string loader, ghost, image, loaderMbr;
};
// Built once (in kWork); throws with what failed.
const Payloads& builtPayloads();

}  // namespace trivex::test
