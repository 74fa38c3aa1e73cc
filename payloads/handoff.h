// The hand-off between the program and the DOS side, in one place: the
// job's record (its file, keys and values, what the DOS side appends), the
// job's files in C:\ and where a user's own file waits, the boot menu's
// names, the token's form and its placeholder line in the boot image, and
// what ghost.bat says to the image's RECORD.BAT.
//
// The program takes every one of these texts from here. The DOS side's
// sources (payloads/dos/) name them by placeholders, {record} or
// {key.token}, that the build fills in from this header when it makes the
// boot image and the loader (the image builder's placeholder filler); a placeholder
// that names nothing here stops the build. So the two sides agree by
// construction.
//
// It lives with the payloads, below the job room: the payload store writes
// the token into the image and the DOS side is built from it. Header only,
// compile-time constants: the build-time tools include it too.
#pragma once

#include <array>
#include <cstddef>

namespace trivex::handoff {

// ---- Texts put together at compile time --------------------------------------

// A text made of others: its characters and a final zero, so that `text`
// serves wherever a C string is wanted.
template <std::size_t N>
struct Joined {
    char text[N + 1] = {};
    static constexpr std::size_t length = N;
};

namespace detail {
template <std::size_t N, std::size_t M>
constexpr void append(Joined<N>& out, std::size_t& at, const char (&part)[M]) {
    for (std::size_t i = 0; i + 1 < M; ++i) out.text[at++] = part[i];
}
}  // namespace detail

// The texts one after the other: join("C:\\", "grldr") is "C:\grldr".
template <std::size_t... M>
constexpr Joined<((M - 1) + ...)> join(const char (&... parts)[M]) {
    Joined<((M - 1) + ...)> out;
    std::size_t at = 0;
    (detail::append(out, at, parts), ...);
    return out;
}

// The text with its ASCII capitals in lower case ("Vemo.img" -> "vemo.img").
template <std::size_t M>
constexpr Joined<M - 1> lowerCase(const char (&s)[M]) {
    Joined<M - 1> out;
    for (std::size_t i = 0; i + 1 < M; ++i) out.text[i] = s[i] >= 'A' && s[i] <= 'Z' ? char(s[i] - 'A' + 'a') : s[i];
    return out;
}

// `c` N times.
template <std::size_t N>
constexpr Joined<N> repeated(char c) {
    Joined<N> out;
    for (std::size_t i = 0; i < N; ++i) out.text[i] = c;
    return out;
}

// ---- The job's files in C:\ ----------------------------------------------------
//
// Each file has its name as the program writes it in C:\ and, in the record
// and on the DOS side, the same name in lower case.

inline constexpr char kSystemRoot[] = "C:\\";

inline constexpr char kLoaderName[] = "grldr";
inline constexpr char kLoaderMbrName[] = "grldr.mbr";
// On the store route the loader has a name of ours: grldr.mbr searches the
// partitions in BIOS order for the file it names and starts the first one it
// finds. The build writes this name into the supplied grldr.mbr in place of
// GRLDR (tools/payload/loader_patch.h), so that a GRLDR of another system or
// tool on a partition before C: is never the one that starts. Upper case in
// the boot sector file, as its NTFS search compares names in capitals.
inline constexpr char kStoreLoaderName[] = "tvxldr";
inline constexpr char kGhostBatName[] = "ghost.bat";
inline constexpr char kGhostExeName[] = "ghost.exe";
// The loader's command list finds the boot image by this name.
inline constexpr char kBootImageFileName[] = "Vemo.img";
inline constexpr auto kBootImageName = lowerCase(kBootImageFileName);

inline constexpr auto kLoaderPath = join(kSystemRoot, kLoaderName);
inline constexpr auto kLoaderMbrPath = join(kSystemRoot, kLoaderMbrName);
inline constexpr auto kStoreLoaderPath = join(kSystemRoot, kStoreLoaderName);
inline constexpr auto kGhostBatPath = join(kSystemRoot, kGhostBatName);
inline constexpr auto kGhostExePath = join(kSystemRoot, kGhostExeName);
inline constexpr auto kBootImagePath = join(kSystemRoot, kBootImageFileName);

// A file of the user's at a loader's name waits under the name with this
// added ("grldr.bak") while the job is prepared; the DOS side and undo give
// it its name back.
inline constexpr char kAsideSuffix[] = ".bak";
inline constexpr auto kLoaderAsidePath = join(kSystemRoot, kLoaderName, kAsideSuffix);
inline constexpr auto kLoaderMbrAsidePath = join(kSystemRoot, kLoaderMbrName, kAsideSuffix);
inline constexpr auto kStoreLoaderAsidePath = join(kSystemRoot, kStoreLoaderName, kAsideSuffix);

enum class JobFileId { Loader, LoaderMbr, GhostBat, GhostExe, BootImage, StoreLoader };

struct JobFile {
    JobFileId id;
    const char* path;
    const char* name;        // in the job's record and for the DOS side: "grldr"
    const char* setAsideAs;  // where a user's own file waits; nullptr: it refuses the job
    bool storeOnly;          // written only by jobs through the boot configuration store
    bool loader;             // part of the loader: stays while the boot still starts it
    bool bootIniOnly = false;  // written only by jobs through the NT boot menu
};

// In the order a job writes them (the table's order is the ids' order).
inline constexpr std::array<JobFile, 6> kJobFiles = {{
    {JobFileId::Loader, kLoaderPath.text, kLoaderName, kLoaderAsidePath.text, false, true, true},
    {JobFileId::LoaderMbr, kLoaderMbrPath.text, kLoaderMbrName, kLoaderMbrAsidePath.text, true, true},
    {JobFileId::GhostBat, kGhostBatPath.text, kGhostBatName, nullptr, false, false},
    {JobFileId::GhostExe, kGhostExePath.text, kGhostExeName, nullptr, false, false},
    {JobFileId::BootImage, kBootImagePath.text, kBootImageName.text, nullptr, false, false},
    {JobFileId::StoreLoader, kStoreLoaderPath.text, kStoreLoaderName, kStoreLoaderAsidePath.text, true, true},
}};

// ---- The NT boot menu --------------------------------------------------------------
//
// A job keeps the user's menu as boot.bak and changes a few lines of
// boot.ini, which its record lists (the menu keys below). The DOS side
// writes boot.ini without those lines as bootini.new, renames the job's
// boot.ini aside to bootini.job, gives bootini.new the name boot.ini, and
// then deletes bootini.job (and boot.bak, when it is the job's copy).

inline constexpr char kBootMenuName[] = "boot.ini";
inline constexpr char kBootMenuSavedName[] = "boot.bak";
inline constexpr char kBootMenuAsideName[] = "bootini.job";
inline constexpr char kBootMenuNewName[] = "bootini.new";
inline constexpr auto kBootMenuPath = join(kSystemRoot, kBootMenuName);
inline constexpr auto kBootMenuSavedPath = join(kSystemRoot, kBootMenuSavedName);
inline constexpr auto kBootMenuAsidePath = join(kSystemRoot, kBootMenuAsideName);
inline constexpr auto kBootMenuNewPath = join(kSystemRoot, kBootMenuNewName);

// ---- The job's record ----------------------------------------------------------------
//
// "key=value" lines under a heading, each ended by CR LF (job/record.h).

inline constexpr char kRecordName[] = "TRIVEX.JOB";
inline constexpr auto kRecordPath = join(kSystemRoot, kRecordName);
inline constexpr char kRecordHeading[] = "Trivex job record";

inline constexpr char kKeyToken[] = "token";
inline constexpr char kKeyCopy[] = "copy";
inline constexpr char kKeyKind[] = "kind";
inline constexpr char kKeyRoute[] = "route";
inline constexpr char kKeyPrepared[] = "prepared";
inline constexpr char kKeyImage[] = "image";
inline constexpr char kKeyWrote[] = "wrote";
inline constexpr char kKeyAside[] = "aside";
// The computer the job was prepared on, by its parts: one mark per part
// (a hash of what the part says of itself), space-separated.
inline constexpr char kKeyMachine[] = "machine";
// Appended by the DOS side to the outcome copy.
inline constexpr char kKeyDos[] = "dos";
inline constexpr char kKeyGhost[] = "ghost";

// The boot menu's lines a job wrote (boot.ini route): each line as the job
// wrote it, followed by the user's line it took the place of (empty: the
// job added it), the job's entry first; and the checksum of boot.bak as the
// job saved it (FNV-1a, 32 bits, 8 upper-case hex digits). jobtool's menu
// verb reads them: a line of the record holds at most 255 bytes.
//   menu-line=C:\grldr=Trivex Ghost
//   menu-was=
//   menu-line=timeout=2
//   menu-was=timeout=30
//   menu-line=default=C:\grldr
//   menu-was=default=multi(0)disk(0)rdisk(0)partition(1)\WINDOWS
//   menu-saved=1A2B3C4D
inline constexpr char kKeyMenuLine[] = "menu-line";
inline constexpr char kKeyMenuWas[] = "menu-was";
inline constexpr char kKeyMenuSaved[] = "menu-saved";

inline constexpr char kCopyJob[] = "job";
inline constexpr char kCopyOutcome[] = "outcome";
inline constexpr char kKindRestore[] = "restore";
inline constexpr char kKindBackup[] = "backup";
inline constexpr char kKindManual[] = "manual";
inline constexpr char kRouteBootIni[] = "boot.ini";
inline constexpr char kRouteStore[] = "store";
// dos=...
inline constexpr char kDosFound[] = "found";
inline constexpr char kDosNoMenu[] = "no-menu";
inline constexpr char kDosNoRam[] = "no-ram";
inline constexpr char kDosUnrecorded[] = "unrecorded";
// ghost=... ("exit" and "check-failed" are followed by a space and Ghost's code)
inline constexpr char kGhostStarted[] = "started";
inline constexpr char kGhostExit[] = "exit";
inline constexpr char kGhostCheckFailed[] = "check-failed";

// ---- The outcome copy's own name --------------------------------------------------------
//
// The outcome copy of the record, in the root of the image's drive, has a
// name of its own: with the image on C: it sits beside the job copy
// C:\TRIVEX.JOB instead of taking its place. An earlier version of the
// program wrote it as TRIVEX.JOB; the program still reads one of those
// (with copy=outcome) when its token is one of this machine's.

inline constexpr char kOutcomeName[] = "TRIVEX.OUT";

// ---- What a job keeps of the boot configuration store, and its last chance ----
//
// The record names the partition a restore overwrites by its letter in
// Windows ("target=C", below), for the DOS side to show before it starts. On
// the store route the record keeps the identifier of every entry the job made ("entry={...}",
// the only entries the program ever deletes), the one-time boot sequence the
// user had before the job ("sequence={...}", one line each, put back on undo,
// take-back and after the job ran), and, once the boot points at the loader,
// "boot=pointed": an entry that is then no longer the one-time boot was used
// up by a restart.
inline constexpr char kKeyEntry[] = "entry";
inline constexpr char kKeySequence[] = "sequence";
inline constexpr char kKeyBoot[] = "boot";
inline constexpr char kBootPointed[] = "pointed";
// dos=skipped: a key pressed while the DOS side counted down before a
// restore; nothing ran, the boot menu is back, the job's files stay.
inline constexpr char kDosSkipped[] = "skipped";
// How long the DOS side shows what a restore is about to overwrite.
inline constexpr char kLastChanceSeconds[] = "10";

// ---- The token -------------------------------------------------------------------------
//
// A job's token is 16 upper-case hex digits. The boot image holds the
// placeholder line "set token=" and 16 "?" exactly once (its TOKEN.BAT); the
// job writes its token over the question marks, and the DOS side finds the
// token in the environment variable the line sets.

inline constexpr std::size_t kTokenDigits = 16;
inline constexpr char kTokenVariable[] = "token";
inline constexpr auto kTokenUnfilled = repeated<kTokenDigits>('?');
inline constexpr auto kTokenPlaceholder = join("set ", kTokenVariable, "=", kTokenUnfilled.text);

// ---- What ghost.bat says to the image --------------------------------------------
//
// ghost.bat notes Ghost's start and end in the outcome copy through the
// image's RECORD.BAT on A:, and ends with the image's restart command.

inline constexpr char kImageDrive[] = "a:\\";
inline constexpr char kRecordScriptName[] = "record.bat";
inline constexpr auto kRecordScript = join(kImageDrive, kRecordScriptName);
// RECORD.BAT's verbs: started, exit and check note ghost=started, ghost=exit N
// and ghost=check-failed N; dos WORD notes dos=WORD. exit and check restart
// the machine.
inline constexpr char kVerbStarted[] = "started";
inline constexpr char kVerbExit[] = "exit";
inline constexpr char kVerbCheck[] = "check";
inline constexpr char kVerbDos[] = "dos";
inline constexpr char kRestart[] = "restart";

// ---- Ghost's numbers, found by the volumes just before Ghost runs --------------------
//
// The job's record names the volume of the partition to back up or restore
// (target-...) and of the image's partition (image-...) as Windows saw them:
// the volume serial (none when Windows gives none), file system and size,
// and the numbers Windows expects for them, "D:P" with D "1" (the boot disk),
// "+" (a disk after it) or "?" (not known), P a partition or "?".
inline constexpr char kKeyTargetDrive[] = "target";
inline constexpr char kKeyTargetSerial[] = "target-serial";
inline constexpr char kKeyTargetFileSystem[] = "target-fs";
inline constexpr char kKeyTargetBytes[] = "target-bytes";
inline constexpr char kKeyTargetNumber[] = "target-number";
inline constexpr char kKeyImageSerial[] = "image-serial";
inline constexpr char kKeyImageFileSystem[] = "image-fs";
inline constexpr char kKeyImageBytes[] = "image-bytes";
inline constexpr char kKeyImageNumber[] = "image-number";
inline constexpr char kBootDisk[] = "1";
inline constexpr char kLaterDisk[] = "+";
inline constexpr char kNotKnown[] = "?";

// ghost.bat calls the image's VOLUMES.BAT first:
//   call a:\volumes.bat TARGET IMAGE TD TP ID IP
// TARGET and IMAGE are volume serials ("8C3A-12F0"), or the copy of the
// record whose drive holds the volume where Windows gave no serial
// (kCopyJob: the drive of the job's record is C:, kCopyOutcome: the drive of
// the outcome copy is the image's); TD TP, ID IP the expected numbers. It
// sets these two variables to Ghost's disk:partition numbers ("2:1") and
// returns, or notes why not, says so and restarts the machine: Ghost runs
// only with the numbers it found.
inline constexpr char kVolumesScriptName[] = "volumes.bat";
inline constexpr auto kVolumesScript = join(kImageDrive, kVolumesScriptName);
// Where VOLUMES.BAT hands over when it has no sure numbers: it notes why,
// says so and restarts the machine. (The numbers' way through VOLUMES.BAT
// holds no jump: a DOS batch file reads every line before a jump's label.)
inline constexpr char kVolumesStopScriptName[] = "volstop.bat";
inline constexpr auto kVolumesStopScript = join(kImageDrive, kVolumesStopScriptName);
inline constexpr char kTargetNumberVariable[] = "tgt";
inline constexpr char kImageNumberVariable[] = "img";

// What the DOS side appends:
//   volumes=found T I      the numbers Ghost runs with
//   volumes=none N         VOLSCAN.COM gave none (N its errorlevel, 1-12; none when it did not run)
//   volumes=differ T I     the numbers found are not the expected ones
//   volumes=same T I       both volumes were found on one partition (T and I are the same)
//   image-check=N          after a backup: Ghost's check of the new image (0: passed)
inline constexpr char kKeyVolumes[] = "volumes";
inline constexpr char kVolumesFound[] = "found";
inline constexpr char kVolumesNone[] = "none";
inline constexpr char kVolumesDiffer[] = "differ";
inline constexpr char kVolumesSame[] = "same";
inline constexpr char kKeyImageCheck[] = "image-check";
// RECORD.BAT's verbs for them: volumes WORD [A B] notes volumes=WORD A B;
// done notes ghost=exit 0 and comes back; verified notes image-check=N
// (the errorlevel) and restarts the machine.
inline constexpr char kVerbVolumes[] = "volumes";
inline constexpr char kVerbDone[] = "done";
inline constexpr char kVerbVerified[] = "verified";

}  // namespace trivex::handoff
