// What the program has to tell the user that is not a plain "done": a
// refusal, a failure, a notice, a question. A problem is a value: a code,
// its arguments (which file, which step, a number, a date), the system's
// error number read right after the call that failed, and the problems told
// inside it (the failure a take-back follows, each failure of the take-back).
//
// A problem travels up unchanged and becomes a sentence only where it is
// shown, through the one catalogue of the program's texts (ui/catalogue.h).
// Nothing below ui/ builds a sentence.
//
// Operations that can fail answer with a `Result` (done, or a problem) or an
// `Expected<T>` (a value, or a problem); both must be looked at.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "platform/machine.h"

namespace trivex {

// Every refusal, failure, notice and question the program reports; each has
// its entry in the catalogue. %1... in a comment names the arguments,
// parts the problems told inside.
enum class Code : uint16_t {
    // ---- Lists and words, for the problems made of others -------------------
    Several,    // the parts, one after the other, "；" between them
    Lines,      // the parts, one line each
    InTurn,     // the parts, one after the other
    FileNames,  // the arguments (paths) in brackets, "、" between them
    Backup,     // the word for a backup, inside a sentence
    Restore,    // the word for a restore
    Disk,       // a disk as its owner knows it: %1 its number, %2 its bytes (0: unknown), %3 its model

    // ---- The job's request ---------------------------------------------------
    NoModeChosen,
    PathBrokenGbk,     // %1 the image path
    PathNotGbk,        // %1
    PathHasSpace,      // %1
    PathHasPercent,    // %1
    PathHasSeparator,  // %1, %2 the separator
    PathTooLong,       // %1, %2 its length on Ghost's command line
    TargetNotMapped,
    ImagePathInvalid,
    ImageOnTarget,
    ImageMissing,
    NotGhostImage,  // %1
    BackupFolderMissing,
    BackupPathIsFolder,
    CustomGhostIsJobFile,
    AskOverwriteImage,  // %1 the image, %2 its MB, %3 its date
    AskShortOfRoom,     // %1 the image's drive "E:", %2 its free MB, %3 the partition's letter, %4 its used MB
    AskDemoBuild,

    // ---- Ghost's partition numbers --------------------------------------------
    CNotOnBootDisk,        // parts: C:'s disk, the boot disk
    PartitionUnknowable,   // %1 the letter; part: why
    DiskIsGpt,
    DiskIsDynamic,
    PartitionNotListed,
    PartitionOrderDiffers,  // %1 its place in the table, %2 in another order Ghost may use

    // ---- The way the machine starts ---------------------------------------------
    XpBehindBootManager,
    BootIniOnDrive,            // %1 the letter
    BootIniOnHiddenPartition,  // %1 the disk's number
    StaleEntryStays,           // part: what failed

    // ---- The boot configuration store (bcdedit) ------------------------------------
    StoreNotOnThisWindows,  // %1 major, %2 minor version
    Uefi,
    FirmwareUnknown,
    NotAdministrator,
    NoBcdedit,
    BcdNotStarted,     // %1 the call ("bcdedit /create ...")
    BcdTimedOut,       // %1 the call, %2 seconds
    BcdFailed,         // %1 the call, %2 its exit code, %3 what it said
    BcdAddFailed,      // parts: the call's failure, the clean-up's (if any)
    BcdSetFailed,      // %1 the entry; parts: the call's failure, the entry left (if so)
    BcdEntryLeft,      // %1 the entry; part: why its removal failed
    BcdListFailed,     // part: the call's failure
    BcdNoBootManager,
    BcdEntryStays,  // %1 the entry; part: why

    // ---- The boot menu C:\boot.ini ---------------------------------------------------
    MenuNotText,
    MenuWithoutSystems,
    NoBootIni,
    MenuUnreadable,
    ReadMenuFailed,
    MenuStillRedirected,
    UnprotectFailed,  // %1 the file
    SaveMenuFailed,
    SavedMenuDiffers,
    SavedMenuAttributesFailed,
    BootBakInTheWay,
    BootBakSetAside,  // %1 the name it has now (a notice)
    RewriteMenuFailed,
    RestoreMenuFailed,
    RestoreMenuAttributesFailed,
    DeleteSavedMenuFailed,
    RenameBackFailed,  // %1 the name it waited under, %2 its own

    // ---- The job's files and its record ------------------------------------------------
    DeleteFailed,  // %1 the file
    RecordNotOurs,         // %1
    OutcomeRecordNotOurs,  // %1
    FileNotOurs,           // %1
    LoaderNoRoomAside,     // %1 the loader, %2 where it would wait
    SetAsideFailed,        // %1, %2

    // ---- Preparing a job, and taking it back -----------------------------------------------
    WriteFailed,            // %1 the file
    CopyCustomGhostFailed,  // %1 the user's Ghost
    WriteOutcomeFailed,     // %1 the outcome record
    TakenBack,                      // part: what failed
    TakenBackEarlierToo,            // part: what failed
    TakenBackWithErrors,            // parts: what failed, what the take-back could not do (Several)
    TakenBackEarlierTooWithErrors,  // parts: the same
    EarlierJobStays,         // part: why it could not be undone
    EarlierJobPartlyUndone,  // part: the undo's account
    EarlierJobUndoneThen,    // part: why this job is refused

    // ---- Undo ----------------------------------------------------------------------------------
    UndoErrors,  // part: what failed (Several)
    LoaderKeptForMenu,
    LoaderKeptForStore,

    // ---- A job cut short, at the next start --------------------------------------------------------
    MenuCutRepaired,
    DosMenuCut,            // part: what was done
    DosMenuCutWithErrors,  // parts: what was done, what failed (Several)
    DosMenuCutFailed,      // part: what failed (Several)
    JobCutMenu,
    JobCutStore,
    JobCutFiles,
    Also,            // part: one more thing that was found and done
    JobCutRepaired,  // part: what was found
    JobCutPartly,    // parts: what was found, what stayed
    TakeBackErrors,  // part: what failed (Several)

    // ---- What the last job did -----------------------------------------------------------------------
    LastJobFailed,  // %1 when it was prepared; parts: Backup or Restore, why
    DosNoMenu,        // part: Backup or Restore
    DosNoRam,         // part: Backup or Restore
    DosStoppedEarly,  // part: Backup or Restore
    ImageCheckFailed,  // %1 the image, %2 Ghost's code
    GhostFailedBackup,   // part: Ghost's code
    GhostFailedRestore,  // part: Ghost's code
    GhostCodeSuccess,     // %1 the code
    GhostCodeCancelled,   // %1
    GhostCodeUnfinished,  // %1
    GhostSilentBut,  // part: what is wrong with the image
    BackupImageGone,       // %1 the image
    BackupImageNotGhost,   // %1
    BackupImageOld,        // %1
    FullStop,  // part: a clause that ends here
    BackupMade,               // %1 when, %2 the image, %3 its MB
    RestoreDone,              // %1 when, %2 the image
    NoOutcomeRecord,        // part: Backup or Restore
    NoOutcomeRecordBackup,  // part: what is wrong with the image
    CFilesTakenBack,
    CFilesTakeBackTrouble,  // part: the undo's account

    // ---- Ghost32 ----------------------------------------------------------------------------------------
    Ghost32NotOurs,
    Ghost32WriteFailed,
    Ghost32StartFailed,

    // ---- The restart prompt's Yes, refused by the system ------------------------------------------------
    RestartRefused,

    // ---- The boot menu's own lines: a job owns the lines it wrote ------------------------------------
    MenuWithoutLoaderSection,
    MenuUnusual,           // %1 the line that makes the job's lines ambiguous (quoted)
    MenuChangedMeanwhile,  // boot.ini changed between the check and the redirection
    MenuLeftAlone,         // part: why the job's lines cannot be told (one of the four below)
    MenuJobUnrecorded,
    MenuNowNotText,
    MenuLinesTwice,
    MenuEntryGone,
    MenuGoneWhileJob,

    // ---- Only this machine's jobs: tokens, records of other computers, set-aside files -------------------
    KeepTokenFailed,     // keeping the job's token on this machine failed (the system's error)
    ForeignOutcomeLeft,  // %1... the outcome records of other computers, left where they are
    OutcomeOwnerUnknown,  // %1... outcome records whose computer cannot be told, left where they are
    OutcomeRecordUnknown,  // %1 an outcome record where the job's goes, whose computer cannot be told
    AsideUnproven,       // %1 where a file waits, %2 its own name

    // ---- The volumes that find Ghost's numbers at the restart, and the outcome confirmed ----
    TargetOnUsb,     // %1 the letter
    ImageOnUsb,      // %1 the letter
    TargetUnmarked,  // %1 the letter
    LastJobUnconfirmed,  // %1 when it was prepared; parts: Backup or Restore, why, what to check
    GhostNoReturn,       // part: Backup or Restore
    OutcomeNotWritable,  // part: Backup or Restore
    NewImageUnchecked,
    NewImageCheckFailed,  // %1 the image, %2 Ghost's code
    CheckBackupImage,     // %1 the image
    CheckRestoredSystem,
    VolumesRefused,  // parts: why (one of the seven below, or VolumesNotSearched), Backup or Restore
    VolumeOnNoPartition,
    VolumeOnTwoPartitions,
    DiskUnreadableAtRestart,
    TableBrokenAtRestart,
    DiskNotNumberedAtRestart,
    TableOrderAtRestart,
    VolumeWithoutSerial,
    VolumesNotSearched,  // VOLSCAN.COM did not run, or could not answer
    VolumesDiffer,  // %1 %2 found numbers of the target and the image, %3 %4 the expected ones; part: Backup or Restore

    // ---- Encrypted volumes, a job that waits, the store's entries by identifier ----------------------
    SystemVolumeEncrypted,
    TargetVolumeEncrypted,  // %1 the letter
    ImageVolumeEncrypted,   // %1 the letter
    WaitingRestore,  // %1 the image, %2 when it was prepared
    WaitingBackup,   // %1 the image, %2 when it was prepared
    WaitingManual,   // %1 when it was prepared
    UserSequenceKept,     // %1 the entries of the user's one-time boot
    SequenceNotPutBack,   // %1 the entries; part: why
    LoaderKeptAfterTakeBack,
    EntriesLookLikeOurs,  // %1 their identifiers
    EntryUsedUp,          // part: what the outcome record says
    OutcomeSaysNothing,   // %1 the outcome record
    OutcomeRecordMissing, // %1 the outcome record
    NoOutcomeForManual,
    DosSkipped,           // %1 when it was prepared; part: Backup or Restore

    // ---- What the DOS side will find, foreseen in Windows ----------------------------------
    DosWouldRefuse,          // part: why (one of the five below)
    DiskSectorUnreadable,    // %1 the sector; part: the Disk
    DiskTableBroken,         // part: the Disk
    DiskDynamicForDos,       // part: the Disk
    DiskSectorSize,          // %1 its bytes per sector; part: the Disk
    SerialTwice,             // %1 the letter, %2 the serial, %3 %4 the two partitions' places; parts: their Disks
    SerialNowhere,           // %1 the letter, %2 the serial
    EmptySlotBefore,         // (PartitionUnknowable's why)
    ForeignPartitionBefore,  // %1 the place of that partition
    SectorNot512,            // %1 its bytes per sector
    NotForeseen,             // parts: what could not be checked (the two below)
    DiskNotReadHere,         // part: the Disk; the system's error
    EncryptionNotChecked,    // %1 the letter
    EmptySlotAtRestart,
    ForeignPartitionAtRestart,
    SectorSizeAtRestart,
    VolumesSame,  // %1 the number found for both; part: Backup or Restore

    Count  // not a code: how many there are
};

// One argument of a problem: a text (a path, a drive letter, a number in
// digits, a command line), a date value, or a tool's own answer, which is
// quoted on one line.
struct Arg {
    enum class Kind : uint8_t { Plain, Date, Quote };
    Kind kind = Kind::Plain;
    Text text;
    double date = kNoDate;

    Arg(Text t);
    Arg(const char* t);
    // Out of line, as are the problem's and the result's: a problem is made
    // and dropped at every step that can fail, and the program stays small.
    Arg(const Arg&);
    Arg(Arg&&) noexcept;
    Arg& operator=(const Arg&);
    Arg& operator=(Arg&&) noexcept;
    ~Arg();
    static Arg number(int64_t n);
    static Arg letter(char c) { return Text(1, c); }
    static Arg when(double d);
    static Arg quote(Text answer);
    bool operator==(const Arg&) const = default;
};

struct Problem {
    Code code = Code::Several;
    std::vector<Arg> args;
    uint32_t error = 0;          // the system's error number; 0: it gave none
    std::vector<Problem> parts;  // the problems told inside this one

    Problem();
    Problem(Code c, std::vector<Arg> a = {}, uint32_t e = 0, std::vector<Problem> p = {});
    Problem(const Problem&);
    Problem(Problem&&) noexcept;
    Problem& operator=(const Problem&);
    Problem& operator=(Problem&&) noexcept;
    ~Problem();
    bool operator==(const Problem&) const = default;
};

// Done, or the problem that kept it from being done. Must be looked at.
class [[nodiscard]] Result {
public:
    Result();  // done
    Result(Problem p);
    Result(const Result&);
    Result(Result&&) noexcept;
    Result& operator=(const Result&);
    Result& operator=(Result&&) noexcept;
    ~Result();
    // Done when `failures` is empty, else all of them (Code::Several).
    static Result allOf(std::vector<Problem> failures);

    explicit operator bool() const { return !problem_.has_value(); }
    const Problem& problem() const { return *problem_; }

private:
    std::optional<Problem> problem_;
};

// A value, or the problem that kept it from being made. Must be looked at.
template <class T>
class [[nodiscard]] Expected {
public:
    Expected(T value) : value_(std::move(value)) {}
    Expected(Problem p) : problem_(std::move(p)) {}

    explicit operator bool() const { return value_.has_value(); }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }
    const Problem& problem() const { return *problem_; }
    Result result() const { return value_ ? Result() : Result(*problem_); }

private:
    std::optional<T> value_;
    std::optional<Problem> problem_;
};

// The problem of a step whose machine operation failed: its code and
// arguments, and the system's error number from the operation's result.
Problem stepFailed(Code code, std::vector<Arg> args, SysResult r);
// A problem that tells `parts` inside it.
Problem around(Code code, std::vector<Problem> parts, std::vector<Arg> args = {});

}  // namespace trivex
