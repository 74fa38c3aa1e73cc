// The job's record, TRIVEX.JOB: the one account of a job, written before
// anything else of the job and removed after everything else. It says what
// the job writes in C:\, which files of the user's it sets aside, which way
// the machine is pointed at the loader, and carries the job's token, the
// same that the job's DOS image holds: the DOS side runs only the job whose
// record and image share a token.
//
// Two copies, one format: the job copy C:\TRIVEX.JOB, which the DOS side
// deletes with the job's other files before Ghost runs; and, for backups
// and restores, the outcome copy TRIVEX.OUT in the root of the image's
// drive (never the partition that a restore writes), to which the DOS side
// appends what happened and which the next start of the program shows and
// removes. The two names differ, so that an image on C: keeps both.
//
// A record is this machine's only when job/ownership.h proves it (a token
// the program kept here, the computer's own parts, or the job armed on C:):
// readOurRecord. Any other record (another computer's, another
// installation's, a malformed one, one whose computer cannot be told) is
// never acted on.
//
// Text, GBK, every line ended by CR LF, "key=value":
//   Trivex job record
//   token=0123456789ABCDEF      16 upper-case hex digits
//   copy=job                    job | outcome
//   kind=restore                restore | backup | manual
//   route=boot.ini              boot.ini | store
//   prepared=2026-12-07 18:43:30
//   machine=1A2B3C4D5E6F7081 ...  the marks of the computer it was prepared on (job/ownership.h)
//   image=E:\Ghost\G_WinXP.gho  (none for manual Ghost)
//   wrote=grldr                 one line per file of the job in C:\ (8.3 names, lower case)
//   aside=grldr                 a file of the user's at that name waits as <name>.bak
//   menu-line=timeout=2         the boot menu's lines the job wrote (boot.ini route),
//   menu-was=timeout=30         each with the user's line it replaced (job/menu_lines.h)
//   menu-saved=1A2B3C4D         the checksum of the job's C:\boot.bak
//   target=C                    the partition to back up or restore (restore and backup jobs):
//   target-serial=8C3A-12F0       its volume serial (none when Windows gave none),
//   target-fs=NTFS                file system,
//   target-bytes=42944186368      size,
//   target-number=1:1             and the number Windows expects (job/ghost_plan.h)
//   image-serial=... image-fs=... image-bytes=... image-number=+:1   the same of the image's partition
//   entry={...}                 store route: an entry the job made in the boot configuration store
//   sequence={...}              store route: the one-time boot the user had set before the job
//   boot=pointed                store route: the job's entry was made the one-time boot
// and what the DOS side appends, in the order things happen:
//   dos=found | dos=no-menu | dos=no-ram | dos=unrecorded | dos=skipped
//   volumes=found T I | volumes=none N | volumes=differ T I | volumes=same T I
//   ghost=check-failed N | ghost=started | ghost=exit N
//   image-check=N               after a backup Ghost finished: its check of the new image
// (dos=unrecorded: the outcome copy is on a volume of the DOS NTFS driver,
// which goes before Ghost runs; nothing more can be written to it.)
// A reader ignores lines it does not know. Keys and values: payloads/handoff.h.
#pragma once

#include <optional>
#include <vector>

#include "payloads/handoff.h"
#include "job/menu_lines.h"
#include "job/request.h"
#include "job/route.h"
#include "platform/machine.h"

namespace trivex::job {

using handoff::kOutcomeName;
using handoff::kRecordName;
inline constexpr const char* kJobRecord = handoff::kRecordPath.text;

// What the DOS side says last in the outcome copy.
enum class Outcome {
    None,         // nothing: the DOS side never took the job
    Found,        // it took the job and got no further
    Unrecorded,   // it handed the job to Ghost, and could not record more
    NoMenu,       // the boot menu could not be put back: nothing ran
    NoRam,        // no RAM drive, or the copies to it failed: nothing ran
    Skipped,      // the user pressed a key during the last countdown: nothing ran
    CheckFailed,  // the image check failed (code): nothing was restored
    Started,      // Ghost's backup or restore started and did not come back with an error
    Exited,       // Ghost came back to DOS (code)
};

// What the DOS side found of the job's partitions just before Ghost was to run.
enum class VolumesFound {
    None,     // nothing noted: the search did not run (or an earlier version's job)
    Found,    // the numbers Ghost ran with
    Refused,  // no numbers: VOLSCAN.COM's reason (volumesCode), -1 when it did not run
    Differ,   // numbers other than the expected ones: Ghost did not run
    Same,     // both volumes found on one partition: Ghost did not run
};

// A partition of the job as the record names it: what Windows gave of its
// volume and the number it expects (texts as they stand in the record).
struct RecordedVolume {
    Text serial;      // "8C3A-12F0"; empty: Windows gave none
    Text fileSystem;  // "NTFS"
    Text bytes;       // "42944186368"
    Text number;      // "1:1", "+:1", "?:?"
    bool operator==(const RecordedVolume&) const = default;
};

struct JobRecord {
    Text token;
    bool outcomeCopy = false;
    JobKind kind = JobKind::None;
    BootRoute route = BootRoute::BootIni;
    Text prepared;              // "2026-12-07 18:43:30", local time
    std::vector<Text> machine;  // the marks of the computer it was prepared on; none: not known
    Text image;                 // empty for manual Ghost
    std::vector<Text> wrote;    // "grldr", "ghost.bat"...
    std::vector<Text> aside;    // "grldr", "grldr.mbr"
    MenuMemo menu;              // what the job changed in boot.ini (none on the store route)
    char targetDrive = 0;       // restore and backup jobs: the partition to back up or restore
    RecordedVolume target;      // its volume
    RecordedVolume imageVolume; // the volume of the image's partition
    std::vector<Text> entries;  // identifiers of the store entries the job made
    std::vector<Text> sequence; // the user's one-time boot sequence before the job
    bool pointed = false;       // the job's entry was made the one-time boot
    // Read from the outcome copy only.
    Outcome outcome = Outcome::None;
    int exitCode = -1;          // with CheckFailed and Exited
    VolumesFound volumes = VolumesFound::None;
    int volumesCode = -1;       // with Refused: VOLSCAN.COM's errorlevel (1-12)
    Text foundTarget, foundImage;  // with Found, Differ and Same: Ghost's numbers found, "1:1", "2:1"
    int imageCheck = -1;        // after a backup: Ghost's check of the new image (0 passed)

    bool wroteFile(const Text& name) const;
    bool setAside(const Text& name) const;
};

// The record's text, without the DOS side's lines.
Text recordText(const JobRecord& r);
// nullopt when the text is not a record of this program's.
std::optional<JobRecord> parseRecord(const Text& text);
std::optional<JobRecord> readRecord(Machine& p, const Text& path);
// The record at `path` when it is one of this machine's: read as a record
// and proven this machine's (job/ownership.h).
std::optional<JobRecord> readOurRecord(Machine& p, const Text& path);

// The outcome copy's place: the root of the image's drive ("E:\TRIVEX.OUT"
// for "E:\Ghost\G_WinXP.gho"); empty when the path names no drive.
Text outcomeRecordPath(const Text& imagePath);
// Where an earlier version of the program put the outcome copy on the
// drive `letter`: its root, under the job copy's name ("E:\TRIVEX.JOB").
Text earlierOutcomePath(char letter);

// A token no other job has: 16 upper-case hex digits mixed from the time,
// the tick count and this process.
Text newToken(Machine& p);

// "2026-12-07 18:43:30" of a date value, and back (kNoDate when it is not one).
Text recordTime(double date);
double recordDate(const Text& time);

}  // namespace trivex::job
