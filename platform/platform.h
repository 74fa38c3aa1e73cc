// The machine as the program's logic sees it.
//
// Every file, search, drive, process, window, dialog and restart operation
// of Trivex goes through `Platform`. Two implementations sit beside this
// header: `win32/` (the real thing, ANSI Win32, GBK code page) and `sim/`
// (an in-memory machine for tests). Nothing fails by exception: each
// operation reports failure through its result, as the comment says.
//
// Texts are GBK byte strings (`Text`). Lengths and positions count bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
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

// "No attribute mask" for find first / find next: every non-folder passes.
constexpr int kNoMask = -1;

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
    // What the disk says of itself, for messages: 0 and empty when it does not.
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

// The program's windows.
enum class WindowId { Main, RestartPrompt, UndoPrompt };

// Control properties that the logic reads and writes.
enum class Prop {
    Visible,       // 0/1
    Enabled,       // 0/1
    Text,          // caption or content
    Checked,       // 0/1 (check boxes, radio buttons)
    BackColor,     // 0xRRGGBB (edit boxes)
    CurrentIndex,  // combo box and list boxes; -1 none
    FileName,      // file dialogs: last confirmed choice
    InitialFolder, // file dialogs
    Interval,      // timers, ms
    Redraw,        // list boxes: 0 holds painting and the scroll bar while the
                   // entries change; 1 brings both up to date again
};

// Message box button codes.
enum : int { kBtnOk = 0, kBtnCancel = 1, kBtnAbort = 2, kBtnRetry = 3, kBtnIgnore = 4, kBtnYes = 5, kBtnNo = 6 };
enum : unsigned { kMbSystemModal = 0x1000, kMbTaskModal = 0x2000 };

// An open file of the line-oriented access: raw byte I/O at a position.
// The line reader, end-of-file test and file numbers are built on it once,
// in platform/lines.cpp, for every implementation.
class RawFile {
public:
    virtual ~RawFile() = default;
    // Reads up to n bytes at the current position; returns the count read, -1 on error.
    virtual int32_t read(void* buf, int32_t n) = 0;
    virtual int64_t position() = 0;
    virtual bool seek(int64_t pos) = 0;
    virtual int64_t size() = 0;
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

// Invoked for every bound control or window event: the command name from
// the layout table and the event's argument (the virtual-key code for key
// events, 0 otherwise).
using CommandSink = std::function<void(WindowId, const std::string& command, int arg)>;

class Platform {
public:
    virtual ~Platform() = default;

    // ---- Files and folders ------------------------------------------------
    // Create or truncate (no sharing), write the blocks in order, close.
    // True only when open, every write and close succeeded; empty path -> false.
    // The file is never left open.
    virtual bool writeFile(const Text& path, const std::vector<ByteView>& blocks) = 0;
    virtual bool deleteFile(const Text& path) = 0;
    // Overwrites an existing target.
    virtual bool copyFile(const Text& from, const Text& to) = 0;
    // Fails when the new path exists.
    virtual bool renameFile(const Text& from, const Text& to) = 0;
    // Moves `from` onto `to` in one step, replacing an existing `to`
    // (MoveFileExA, replace existing). A read-only target is refused. The
    // file keeps its own attributes; on failure both files stay as they were.
    virtual bool replaceFile(const Text& from, const Text& to) = 0;
    // Writes the blocks as `path` so that the name never shows a part of
    // them: first into the temporary file TRIVEX.TMP in the same folder (a
    // name of this program's own; one an earlier cut left there is replaced),
    // flushed to the disk, then moved onto `path` in one step, replacing an
    // existing file, write-through. The file gets normal attributes; a
    // read-only, hidden or system `path` is refused (clear its attributes
    // first). False on any failure: `path` is as it was and the temporary
    // file is gone.
    virtual bool writeFileWhole(const Text& path, const std::vector<ByteView>& blocks) = 0;
    // Sets the whole attribute word of a file (read-only, hidden, system,
    // archive); 0 means normal. False when the file is missing or refuses.
    virtual bool setFileAttributes(const Text& path, uint32_t attributes) = 0;
    // The full path Windows makes of `path` (GetFullPathNameA): "/" read as
    // "\", relative to the current folder, "." and ".." resolved, trailing
    // dots and spaces of the last name dropped. Empty when it cannot.
    virtual Text fullPath(const Text& path) = 0;
    // True when both paths exist and lead to the same file (the same volume
    // and file index), whatever names lead there (8.3 names, other spellings).
    virtual bool sameFile(const Text& a, const Text& b) = 0;
    // Creates the last level only; false when it exists.
    virtual bool createFolder(const Text& path) = 0;
    // Size of the first entry matching the path (a folder matches too), -1 when none.
    virtual int64_t fileSize(const Text& path) = 0;
    // Last-write time (local) of the first match, kNoDate when none.
    virtual double fileModTime(const Text& path) = 0;
    // Attributes of the path, -1 when it does not exist.
    virtual int64_t fileAttributes(const Text& path) = 0;
    // Folder holding the program's own file, ending with a backslash.
    virtual Text programFolder() = 0;

    // ---- Folder listing (raw; the attribute filter lives in search.h) -----
    // Opens a listing of `pattern` (folder + wildcard name). On success stores
    // a non-zero handle in `handle` and the first entry in `out`.
    virtual bool listFirst(const Text& pattern, uintptr_t& handle, DirEntry& out) = 0;
    // Next entry of an open listing; false at the end or on error.
    virtual bool listNext(uintptr_t handle, DirEntry& out) = 0;
    virtual void listClose(uintptr_t handle) = 0;

    // ---- Line-oriented file access (raw) ------------------------------------
    // mode 1-6 and sharing 1-4 as lines.h describes; nullptr on failure.
    virtual std::unique_ptr<RawFile> openRaw(const Text& path, int mode, int sharing) = 0;

    // ---- Drives -----------------------------------------------------------------
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

    // ---- Processes ----------------------------------------------------------------
    // True when the process was created. style 1-6 (clamped). With wait, waits
    // for the end without dispatching messages; without, at most 1000 ms for idle.
    virtual bool runCommandLine(const Text& commandLine, bool wait = false, int style = 2) = 0;
    // Everything the process writes to standard output and error, read
    // through a pipe while window messages are processed. After `timeoutMs`
    // the child is ended and what was read so far is the result.
    virtual Text runAndCapture(const Text& commandLine, uint32_t timeoutMs = 60000) = 0;
    virtual void openWebAddress(const Text& address) = 0;

    // ---- Windows and dialogs -------------------------------------------------------
    // style gets MB_TASKMODAL unless it holds MB_SYSTEMMODAL. Returns a button code.
    virtual int messageBox(const Text& message, unsigned style = 0, const Text& caption = "信息：") = 0;
    // Shows the file-dialog control; on confirm its FileName becomes the choice.
    virtual bool fileDialog(WindowId window, const char* control) = 0;
    // Creates the window from its layout and shows it; modal returns after it closed.
    virtual bool openWindow(WindowId window, bool modal) = 0;
    // Deferred close: the window closes when the posted request is dispatched.
    virtual void closeWindow(WindowId window) = 0;
    virtual bool windowExists(WindowId window) = 0;
    // Hides or shows an open window (it keeps running while hidden).
    virtual void showWindow(WindowId window, bool visible) = 0;
    // False for a hidden window and for one that is not open.
    virtual bool windowVisible(WindowId window) = 0;
    // Dispatches what is already queued, returns when the queue is empty.
    virtual void processPendingMessages() = 0;
    // Runs until no window of the program is left.
    virtual void runMessageLoop() = 0;

    virtual Text getText(WindowId w, const char* control) = 0;
    virtual void setText(WindowId w, const char* control, const Text& text) = 0;
    // Numeric properties (everything but Text/FileName/InitialFolder).
    virtual int64_t getProp(WindowId w, const char* control, Prop p) = 0;
    virtual void setProp(WindowId w, const char* control, Prop p, int64_t value) = 0;
    // File dialog texts (FileName, InitialFolder).
    virtual Text getTextProp(WindowId w, const char* control, Prop p) = 0;
    virtual void setTextProp(WindowId w, const char* control, Prop p, const Text& value) = 0;

    // An index outside the existing panels does nothing.
    virtual void setPanelText(WindowId w, const char* statusBar, int panel, const Text& text) = 0;
    virtual Text panelText(WindowId w, const char* statusBar, int panel) = 0;

    virtual int listCount(WindowId w, const char* list) = 0;
    virtual Text listItem(WindowId w, const char* list, int index) = 0;  // empty when out of range
    virtual int listAdd(WindowId w, const char* list, const Text& text, intptr_t data = 0) = 0;  // -1 on failure
    virtual void listClear(WindowId w, const char* list) = 0;

    // Every bound event ends up here.
    virtual void setCommandSink(CommandSink sink) = 0;

    // ---- Clock -------------------------------------------------------------------
    // Milliseconds since a fixed moment, wrapping at 2^32 (GetTickCount).
    virtual uint32_t tickCount() = 0;
    // The local date and time now, as a date value (GetLocalTime).
    virtual double localTime() = 0;

    // ---- Restart ----------------------------------------------------------------------
    // mode 1 shut down, 2 restart, 3 log off, 4 suspend, 5 hibernate; else false.
    // With force, programs are ended without being asked; without, each is
    // asked to close (and may refuse, keeping its unsaved work), and only one
    // that does not answer at all is ended.
    virtual bool shutDown(int mode, bool force) = 0;

    // ---- The system: version, firmware, rights, system tools ----------------
    // (win32/system.cpp; sim/sim_system.h)
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
    // `tool` is a bare file name ("bcdedit.exe") in the system folder
    // (System32). A 32-bit program on 64-bit Windows reaches the real System32,
    // not the 32-bit one the system would show it. A name with a folder, drive
    // or quote in it is refused.
    //
    // True when the system folder holds a file of that name.
    virtual bool systemToolExists(const Text& tool) = 0;
    // Runs the tool hidden with `arguments` on its command line and collects
    // its standard output and error through a pipe, processing window messages
    // meanwhile (handlers of other controls may run inside this call), until it
    // ends. A tool still running after `timeoutMs` is ended: started, not
    // finished, with what it wrote until then. A tool that cannot be started
    // (missing, a refused name) gives started false and nothing else.
    virtual ToolRun runSystemTool(const Text& tool, const Text& arguments, uint32_t timeoutMs = 30000) = 0;
};

}  // namespace trivex
