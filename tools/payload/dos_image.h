// The DOS boot image (Vemo.img): the program's own start-up scripts and
// restart command, plus the DOS system files, drivers and tools that the
// builder supplies in a folder, on a 2.88 MB FAT12 floppy image.
#pragma once

#include <string>
#include <vector>

#include "bytes.h"

namespace trivex::tools {

struct DosImageInputs {
    std::string scriptDir;      // the image's own scripts (payloads/dos/): CONFIG.SYS, AUTOEXEC.BAT, MENU.BAT, ...
    std::string restartCom;     // RESTART.COM, assembled from the project's source
    std::string jobtoolCom;     // JOBTOOL.COM, assembled from the project's source
    std::string volscanCom;     // VOLSCAN.COM, assembled from the project's source
    std::string ownBootSector;  // the boot sector used when none is supplied
    std::string suppliedDos;    // the builder's folder of DOS files; need not exist
};

struct DosImageResult {
    Bytes image;
    bool suppliedBootSector = false;
    std::vector<std::string> missingChainFiles;  // start-up chain files nobody supplied
    std::vector<std::string> notes;              // supplied files left out, and why
    // An image that can really start DOS and hand the job to Ghost.
    bool complete() const { return suppliedBootSector && missingChainFiles.empty(); }
};

// The files the start-up chain runs, as named in the image.
const std::vector<std::string>& dosChainFiles();

// Our scripts are read with the hand-off's values filled in (handoff_text.h).
// False, with a message in `err`, when a script names a placeholder the
// hand-off does not define, one of our scripts lost its exact bytes (line
// ends), TOKEN.BAT is not the token line, a supplied name is no DOS 8.3
// name, the supplied boot sector is not a FAT12 boot sector, the files do
// not fit, or the finished image does not hold the token text
// (handoff::kTokenPlaceholder) exactly once.
bool buildDosImage(const DosImageInputs& in, DosImageResult& out, std::string& err);

}  // namespace trivex::tools
