// The payload store: every file the program writes out (or loads from
// memory) is embedded in the executable as a read-only payload record:
// u32 1, u32 length N, then the N bytes exactly as they are written.
//
// Which bytes each payload holds is decided when the program is built: the
// builder's supplied file, the project's own file, or a stand-in of ours
// where an outside product was not supplied (see the table the build prints).
#pragma once

#include <cstddef>
#include <optional>

#include "payloads/handoff.h"
#include "platform/machine.h"

namespace trivex::payloads {

enum class Payload {
    Loader,       // GRUB4DOS grldr with the built-in command list -> C:\grldr
    GhostDos,     // Ghost for DOS -> C:\ghost.exe
    DosImage,     // 2.88 MB DOS boot image -> C:\Vemo.img
    ProbeScript,  // partition-count probe script (GBK) -> C:\fqs.bat
    Skin,         // skin data, used from memory
    SkinLibrary,  // skin library DLL, loaded from memory
    Ghost32,      // Ghost32 for Windows -> E:\Ghost32.exe
    LoaderMbr,    // GRUB4DOS grldr.mbr, the loader's boot-sector file -> C:\grldr.mbr
};
constexpr size_t kPayloadCount = 8;

// The payload's bytes and length N. Constant for the life of the process.
ByteView data(Payload p);

// Writes the N bytes to `path`: created or truncated, no sharing, in one
// piece. Done only when the file was opened and every byte written; an
// empty path, a missing drive or folder, a read-only or locked file fail.
// No folder is created and no attribute changed on the way.
SysResult writePayload(Machine& machine, const Text& path, Payload p);

// The same, written whole (Machine::writeFileWhole): the file at `path`
// is the old one or the whole payload, never a part of it.
SysResult writePayloadWhole(Machine& machine, const Text& path, Payload p);

// Every job's DOS image carries that job's token, so that the DOS side runs
// the job this image was written for and no other. The image holds the
// placeholder "set token=" followed by 16 "?" once (its file TOKEN.BAT,
// handoff::kTokenPlaceholder); the job's copy has the token's 16
// upper-case hex digits in their place.
inline constexpr size_t kTokenLength = handoff::kTokenDigits;
// Whether `t` is a token: 16 upper-case hex digits.
inline bool isToken(const Text& t) {
    if (t.size() != kTokenLength) return false;
    for (const char c : t)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    return true;
}
// Where the token's digits go in `image`: the offset of the placeholder's
// first "?"; npos when the image does not hold the placeholder.
size_t tokenPlace(ByteView image);
// True when this build's image holds the placeholder.
bool dosImageTakesToken();
// Writes the DOS image whole with `token` (16 upper-case hex digits) in
// the placeholder's place.
SysResult writeDosImage(Machine& machine, const Text& path, const Text& token);
// The token in the DOS image file at `path` when the file is this build's
// image byte for byte apart from the token (the placeholder itself reads as
// 16 "?"); nullopt when it is not, or cannot be read.
std::optional<Text> dosImageToken(Machine& machine, const Text& path);

// The payload's name ("Loader") and its fixed target path ("C:\grldr");
// the target is empty for the payloads used from memory only.
const char* name(Payload p);
const char* targetPath(Payload p);

// True when this build carries a stand-in of ours (or an empty placeholder)
// instead of the outside product.
bool isStandIn(Payload p);

// True when a stand-in is on the boot path (the loader, Ghost for DOS, or a
// DOS boot image without the DOS system files): a job prepared by this
// build cannot really back up or restore. A job that starts the loader
// through the boot configuration store (Windows Vista and later) also needs
// the loader's boot-sector file: `throughBootStore` counts it in.
bool isDemoBuild(bool throughBootStore = false);

}  // namespace trivex::payloads
