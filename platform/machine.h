// The machine as the program's logic sees it: files and folders, drives,
// disks and volumes, processes and system tools, system facts, the clock
// and the restart. No window is part of it (the window toolkit is ui/).
//
// Two implementations: `win32/` (the real thing, ANSI Win32, GBK code
// page) and the simulated machine the tests keep (tests/support/). Nothing
// fails by exception. An operation that changes the machine answers with a
// `SysResult`, which carries the system's error number read right after the
// call that failed; the others say in their result that they could not
// answer, as their comment tells.
//
// Texts are GBK byte strings (`Text`). Lengths and positions count bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace trivex {

using Text = std::string;

// A counted run of read-only bytes (a payload, a text to write).
struct ByteView {
    const void* data = nullptr;
    uint32_t size = 0;
};
inline ByteView bytesOf(const Text& t) { return {t.data(), static_cast<uint32_t>(t.size())}; }

// Days since 1899-12-30 00:00 local time, time of day as the fraction.
constexpr double kNoDate = -657434.0;

// File attribute bits as the file system reports them.
enum : uint32_t {
    kAttrReadOnly = 0x01,
    kAttrHidden = 0x02,
    kAttrSystem = 0x04,
    kAttrVolume = 0x08,
    kAttrDirectory = 0x10,
    kAttrArchive = 0x20,
    kAttrNormal = 0x80,
    kAttrReparsePoint = 0x400,
};

// Error numbers of the system that the logic tells apart.
enum : uint32_t {
    kErrorFileNotFound = 2,
    kErrorAccessDenied = 5,
    kErrorNotReady = 21,
    kErrorDiskFull = 112,
    kErrorNoMedia = 1112,
};

// What an operation that changes the machine did: done, or not, with the
// system's error number when it gave one (0 when it gave none). It must be
// looked at.
struct [[nodiscard]] SysResult {
    bool done = true;
    uint32_t error = 0;

    static SysResult ok() { return {}; }
    static SysResult failed(uint32_t error) { return {false, error}; }
    explicit operator bool() const { return done; }
};

// One entry of a folder listing, as the file system reports it.
struct DirEntry {
    Text name;        // long name
    Text shortName;   // 8.3 name, empty when the file system keeps none
    uint32_t attributes = 0;
    int64_t size = 0;
    double modified = kNoDate;  // local time
};

// One partition of a disk's layout, as the system reports it.
struct DiskPartition {
    uint8_t type = 0;      // the partition table's type byte (0x07 NTFS, 0x27 hidden recovery...)
    uint64_t start = 0;    // bytes from the start of the disk
    uint64_t length = 0;   // bytes
    bool logical = false;  // a logical drive inside the extended partition
    int slot = 0;          // primary: its slot 0-3 in the partition table; logical: its place in the chain
};

// Where a drive letter lives: its disk and the layout of that disk.
struct DiskPlace {
    uint32_t disk = 0;    // the system's disk number (\\.\PhysicalDriveN)
    uint64_t start = 0;   // where the drive's partition starts on that disk, bytes
    bool mbr = true;      // false: another layout (GPT) that the DOS side cannot address
    // Every partition of the disk that holds a file system: primary ones in
    // table order, then logical drives in the order of their chain. Empty
    // slots and extended containers are left out.
    std::vector<DiskPartition> partitions;
    // The table slot 0-3 of the extended container; -1: none, or not known
    // (then it is taken to follow the primary partitions). A slot that holds
    // neither a partition above nor the container is empty.
    int extendedSlot = -1;
    // What the disk says of itself: 0 and empty when it does not.
    uint32_t sectorBytes = 0;  // its logical sector (512; 4096 on a 4Kn disk)
    uint64_t diskBytes = 0;
    Text diskModel;  // vendor and product, "WDC WD800JD-75MSA3"
};

// The partition the machine starts Windows from: the one whose boot sector
// loads the boot menu (Windows calls it the system partition; Windows itself
// may live on another one, its boot partition).
struct SystemPartition {
    DiskPlace place;           // its disk, where it starts, the disk's layout
    char letter = 0;           // its drive letter, 0 when it has none
    bool bootManager = false;  // its root holds bootmgr and Boot\BCD
    bool ntLoader = false;     // its root holds ntldr and boot.ini
};

// The Windows version as GetVersionExA reports it: 5.1 XP, 6.0 Vista, 6.1
// Windows 7; Windows 8 and later report 6.2 to a program whose manifest does
// not name them. {0, 0} when the system does not say.
struct WindowsVersion {
    int major = 0;
    int minor = 0;
};

// How the machine was started: BIOS (legacy boot, the boot sector chain that
// the loader and DOS need) or UEFI. Unknown when the system does not tell.
enum class Firmware { Unknown, Bios, Uefi };

// What identifies a drive's volume, as the system gives it.
struct VolumeIdentity {
    uint32_t serial = 0;  // the volume serial as the system shows it: "8C3A-12F0" is 0x8C3A12F0
    Text fileSystem;      // "NTFS", "FAT32", "FAT"; empty when the system does not name it
};

// The bus of the disk a drive lives on, as far as the program tells buses apart.
enum class DriveBus { Unknown, Usb, Other };

// The outcome of one run of a system tool.
struct ToolRun {
    bool started = false;   // the process was created
    bool finished = false;  // it ended by itself within the time limit
    uint32_t exitCode = 0;  // its exit code; meaningful only when finished
    Text output;            // everything it wrote to standard output and error, as written
};

// The tool names that the system-tool operations take: a bare file name,
// with no folder, drive or quote in it.
inline bool isBareToolName(const Text& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (char c : name)
        if (c == '\\' || c == '/' || c == ':' || c == '"' || static_cast<unsigned char>(c) < 0x20) return false;
    return true;
}

class Machine {
public:
    virtual ~Machine() = default;

    // ---- Files and folders ------------------------------------------------
    // Create or truncate (no sharing), write the blocks in order, close; the
    // file is never left open. An empty path fails.
    virtual SysResult writeFile(const Text& path, const std::vector<ByteView>& blocks) = 0;
    // Writes the blocks as `path` so that the name never shows a part of
    // them: first into a temporary file in the same folder, created
    // exclusively (CREATE_NEW) under a name of this program's form unique to
    // this write (platform/files.h: "TVX", five hex digits, ".TMP"; a name a
    // file has already is passed over, and that file is never written or
    // deleted), flushed to the disk, then moved onto `path` in one step,
    // replacing an existing file, write-through. The file gets normal
    // attributes; a read-only, hidden or system `path` is refused (clear its
    // attributes first). On any failure `path` is as it was and the
    // temporary file this write made is gone; only a cut (the program ended,
    // the power gone) leaves one.
    virtual SysResult writeFileWhole(const Text& path, const std::vector<ByteView>& blocks) = 0;
    // Files only; a folder is refused.
    virtual SysResult deleteFile(const Text& path) = 0;
    // Fails when the new path exists. The file keeps its attributes.
    virtual SysResult renameFile(const Text& from, const Text& to) = 0;
    // Moves `from` onto `to` in one step, replacing an existing `to`
    // (MoveFileExA, replace existing). A read-only target is refused. The
    // file keeps its own attributes; on failure both files stay as they were.
    virtual SysResult replaceFile(const Text& from, const Text& to) = 0;
    // Sets the whole attribute word of a file (read-only, hidden, system,
    // archive); 0 means normal. Fails when the file is missing or refuses.
    virtual SysResult setFileAttributes(const Text& path, uint32_t attributes) = 0;
    // Creates the last level only; fails when it exists.
    virtual SysResult createFolder(const Text& path) = 0;
    // Attributes of the path (a file or a folder), -1 when it does not exist.
    virtual int64_t fileAttributes(const Text& path) = 0;
    // Up to `count` bytes of the file from `offset` on, read with every
    // sharing allowed, into `out` (fewer at the end of the file; none past
    // it). Fails when the file cannot be opened or read.
    virtual SysResult readFile(const Text& path, uint64_t offset, uint32_t count, Text& out) = 0;
    // Every entry that `pattern` (a folder and a name that may hold the
    // wildcards * and ?, matched against long and short names, letter case
    // aside) matches, "." and ".." included where they match, in the file
    // system's order. False, with nothing in `out`, when nothing matches or
    // the folder cannot be read. A plain path lists the file or folder itself.
    virtual bool listFolder(const Text& pattern, std::vector<DirEntry>& out) = 0;
    // The full path Windows makes of `path` (GetFullPathNameA): "/" read as
    // "\", relative to the current folder, "." and ".." resolved, trailing
    // dots and spaces of the last name dropped. Empty when it cannot.
    virtual Text fullPath(const Text& path) = 0;
    // True when both paths exist and lead to the same file (the same volume
    // and file index), whatever names lead there (8.3 names, other spellings).
    virtual bool sameFile(const Text& a, const Text& b) = 0;
    // Folder holding the program's own file, ending with a backslash.
    virtual Text programFolder() = 0;

    // ---- Drives, disks and volumes ------------------------------------------
    // Total and free-to-caller bytes of the drive whose root is "<letter>:\"
    // (letter 0: the current drive). False when the drive does not answer.
    virtual bool diskSpace(char letter, uint64_t& totalBytes, uint64_t& freeBytes) = 0;
    // Where the drive lives on the machine's disks, as the system reports it
    // (the volume's disk and start, and that disk's partition layout). False
    // when the system cannot say: the drive is not one partition of a disk
    // (a folder, a network or RAM drive, a volume over several disks), or
    // the system does not answer the questions.
    virtual bool drivePlace(char letter, DiskPlace& out) = 0;
    // The system partition as Windows names it (HKLM\SYSTEM\Setup, value
    // SystemPartition: "\Device\HarddiskVolume1"), where it lives, its letter
    // if it has one and what its root holds, read even where it has no
    // letter. False when the system cannot say: no such value, a volume that
    // is not one partition of a disk, or a root that cannot be read.
    virtual bool systemPartition(SystemPartition& out) = 0;

    // ---- Volumes and buses ------------------------------------------------------------
    // The volume serial and file system of the drive whose root is
    // "<letter>:\" (GetVolumeInformationA). False when the system cannot
    // say: no such drive, no medium, or no serial (0; a drive that is a folder
    // of another system may give none).
    virtual bool volumeIdentity(char letter, VolumeIdentity& out) = 0;
    // The bus of the disk the drive's volume lives on, as the disk reports it
    // (IOCTL_STORAGE_QUERY_PROPERTY, BusType): Usb when any disk of the volume
    // is on USB. Unknown when the system does not say (a folder, network or
    // RAM drive, a disk that does not answer).
    virtual DriveBus driveBus(char letter) = 0;

    // ---- A disk's own sectors ---------------------------------------------------
    // `count` (1 to 64) sectors of the disk the system numbers `disk`
    // ("\\.\PhysicalDriveN", opened for reading with every sharing allowed),
    // from sector `first` on: the bytes the disk holds, as the BIOS reads
    // them after the restart (a partition table, an encrypted volume's
    // ciphertext, not what a volume's driver shows). A sector is the disk's
    // own (its geometry's bytes per sector; 512 where the system does not
    // say), so `out` holds count times that many bytes, which tells the
    // sector size. Fails, with nothing in `out` and the system's error: no
    // such disk (file not found), a drive without its medium (not ready, no
    // media: a card reader), a process without administrator rights (access
    // denied), a read the disk refuses or that passes its end.
    virtual SysResult readDiskSectors(uint32_t disk, uint64_t first, uint32_t count, Text& out) = 0;

    // ---- Processes and system tools -----------------------------------------
    // Starts a program with its window shown normally and returns once it is
    // ready for input (at most one second); it runs on by itself.
    virtual SysResult startProgram(const Text& commandLine) = 0;
    // Everything the process writes to standard output and error, read
    // through a pipe, each read counted up to its first zero byte; the wait
    // hook runs while it is read. After `timeoutMs` the child is ended and
    // what was read so far is the result.
    virtual Text runAndCapture(const Text& commandLine, uint32_t timeoutMs = 60000) = 0;
    // Hands a web address to the system's handler for it.
    virtual void openWebAddress(const Text& address) = 0;
    // `tool` is a bare file name ("bcdedit.exe") in the system folder
    // (System32). A 32-bit program on 64-bit Windows reaches the real System32,
    // not the 32-bit one the system would show it. A name with a folder, drive
    // or quote in it is refused.
    //
    // True when the system folder holds a file of that name.
    virtual bool systemToolExists(const Text& tool) = 0;
    // Runs the tool hidden with `arguments` on its command line and collects
    // its standard output and error through a pipe, running the wait hook
    // meanwhile, until it ends. A tool still running after `timeoutMs` is
    // ended: started, not finished, with what it wrote until then. A tool
    // that cannot be started (missing, a refused name) gives started false
    // and nothing else.
    virtual ToolRun runSystemTool(const Text& tool, const Text& arguments, uint32_t timeoutMs = 30000) = 0;
    // What runs, again and again, while the machine waits for a process it
    // runs (the program keeps its window painted). None at first.
    virtual void setWaitHook(std::function<void()> hook) = 0;

    // ---- What the program keeps on this machine -----------------------------------
    // Short texts the program keeps on the machine itself, where no disk that
    // a user takes to another computer carries them along: string values of
    // the key HKLM\SOFTWARE\Trivex (a 32-bit program's view of it on 64-bit
    // Windows). A name is a value name of the program's own ("Tokens"): a
    // bare name of printable ASCII.
    //
    // The text kept under `name`; false, with `out` empty, when there is
    // none or it cannot be read (no key, a value that is no string, a key
    // that refuses to be read).
    virtual bool readSetting(const Text& name, Text& out) = 0;
    // Keeps `value` (GBK, no zero byte) under `name`, making the key when it
    // is missing and replacing what was kept there before; what was kept
    // under other names stays. Changing HKLM needs administrator rights.
    virtual SysResult writeSetting(const Text& name, const Text& value) = 0;

    // ---- The computer itself -------------------------------------------------------
    // What identifies this computer's own parts, as they report themselves:
    // the serial number of the disk that holds C: ("disk:" and the serial as
    // the disk gives it, IOCTL_STORAGE_QUERY_PROPERTY) and the address of
    // each Ethernet and wireless network adapter ("net:" and 12 upper-case
    // hex digits, GetAdaptersInfo), leaving out the fixed addresses of
    // well-known virtual adapters, which every installation of their kind
    // shares. None of it lives on a partition: a restore of a partition
    // leaves it as it was, and a copy of the disks taken to another computer
    // does not carry it. Empty when nothing answers.
    virtual std::vector<Text> hardwareIdentity() = 0;

    // ---- The system ------------------------------------------------------------
    virtual WindowsVersion windowsVersion() = 0;
    // GetFirmwareType where the system has it (Windows 8 and later), else the
    // answer of GetFirmwareEnvironmentVariableA on a dummy variable (a BIOS
    // machine says "invalid function"); both looked up at run time.
    virtual Firmware firmware() = 0;
    // True when the process holds administrator rights: a member of the
    // Administrators group on XP; on Vista and later with User Account Control,
    // only when it runs elevated (the unelevated token of an administrator has
    // that group for deny only).
    virtual bool runsAsAdministrator() = 0;
    // The system's own words for one of its error numbers, in the user's
    // language ("磁盘满。" for 112), without a line end; empty when it has none.
    virtual Text errorText(uint32_t error) = 0;

    // ---- Clock --------------------------------------------------------------------
    // Milliseconds since a fixed moment, wrapping at 2^32 (GetTickCount).
    virtual uint32_t tickCount() = 0;
    // The local date and time now, as a date value (GetLocalTime).
    virtual double localTime() = 0;

    // ---- Restart ------------------------------------------------------------------
    // Asks the system to restart the machine. Not forced: every program is
    // asked to close and may refuse, keeping its unsaved work; only one that
    // does not answer at all is ended. Done means the system took the request
    // (a refusal by a program may still come later).
    virtual SysResult restart() = 0;
};

}  // namespace trivex
