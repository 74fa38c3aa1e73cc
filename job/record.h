// The job's record, TRIVEX.JOB: the one account of a job, written before
// anything else of the job and removed after everything else. It says what
// the job writes in C:\, which files of the user's it sets aside, which way
// the machine is pointed at the loader, and carries the job's token, the
// same that the job's DOS image holds: the DOS side runs only the job whose
// record and image share a token.
//
// Two copies, one format: the job copy C:\TRIVEX.JOB, which the DOS side
// deletes with the job's other files before Ghost runs; and, for backups
// and restores, the outcome copy in the root of the image's drive (never
// the partition that a restore writes), to which the DOS side appends what
// happened and which the next start of the program shows and removes.
//
// Text, GBK, every line ended by CR LF, "key=value":
//   Trivex job record
//   token=0123456789ABCDEF      16 upper-case hex digits
//   copy=job                    job | outcome
//   kind=restore                restore | backup | manual
//   route=boot.ini              boot.ini | store
//   prepared=2026-12-07 18:43:30
//   image=E:\Ghost\G_WinXP.gho  (none for manual Ghost)
//   wrote=grldr                 one line per file of the job in C:\ (8.3 names, lower case)
//   aside=grldr                 a file of the user's at that name waits as <name>.bak
//   target=C:                   the partition Ghost writes (a restore) or reads, as Windows names it
//   entry={...}                 store route: an entry the job made in the boot configuration store
//   sequence={...}              store route: the one-time boot the user had set before the job
//   boot=pointed                store route: the job's entry was made the one-time boot
// and what the DOS side appends, in the order things happen:
//   dos=found | dos=no-menu | dos=no-ram | dos=unrecorded | dos=skipped
//   ghost=check-failed N | ghost=started | ghost=exit N
// (dos=unrecorded: the outcome copy is on a volume of the DOS NTFS driver,
// which goes before Ghost runs; nothing more can be written to it.)
// A reader ignores lines it does not know. Keys and values: payloads/handoff.h.
#pragma once

#include <optional>
#include <vector>

#include "payloads/handoff.h"
#include "job/request.h"
#include "job/route.h"
#include "platform/machine.h"

namespace trivex::job {

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

struct JobRecord {
    Text token;
    bool outcomeCopy = false;
    JobKind kind = JobKind::None;
    BootRoute route = BootRoute::BootIni;
    Text prepared;              // "2026-12-07 18:43:30", local time
    Text image;                 // empty for manual Ghost
    std::vector<Text> wrote;    // "grldr", "ghost.bat"...
    std::vector<Text> aside;    // "grldr", "grldr.mbr"
    Text target;                // "C:"; empty when the record does not say
    std::vector<Text> entries;  // identifiers of the store entries the job made
    std::vector<Text> sequence; // the user's one-time boot sequence before the job
    bool pointed = false;       // the job's entry was made the one-time boot
    // Read from the outcome copy only.
    Outcome outcome = Outcome::None;
    int exitCode = -1;          // with CheckFailed and Exited

    bool wroteFile(const Text& name) const;
    bool setAside(const Text& name) const;
};

// The record's text, without the DOS side's lines.
Text recordText(const JobRecord& r);
// nullopt when the text is not a record of this program's.
std::optional<JobRecord> parseRecord(const Text& text);
std::optional<JobRecord> readRecord(Machine& p, const Text& path);

// The outcome copy's place: the root of the image's drive ("E:\TRIVEX.JOB"
// for "E:\Ghost\G_WinXP.gho"); empty when the path names no drive.
Text outcomeRecordPath(const Text& imagePath);

// A token no other job has: 16 upper-case hex digits mixed from the time,
// the tick count and this process.
Text newToken(Machine& p);

// "2026-12-07 18:43:30" of a date value, and back (kNoDate when it is not one).
Text recordTime(double date);
double recordDate(const Text& time);

}  // namespace trivex::job
