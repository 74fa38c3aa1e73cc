// The files a job writes in the root of C:, in one table that preparation,
// take-back, undo and the repair at start-up all use. A file there counts
// as this program's by its content, never by its name: the loader and
// grldr.mbr are the embedded payloads byte for byte, the boot image is the
// embedded image with a job's token in it, ghost.bat is one of the texts
// this program writes, and ghost.exe is the embedded DOS Ghost or belongs to
// the job its record describes. What is not ours is never overwritten or
// deleted: a loader of the user's own is set aside and put back (the job's
// record says so), any other file of the user's at these names refuses the
// job before anything is written.
//
// Every file is written whole (a temporary file, flushed, moved into
// place), so that a cut leaves either the old file or the whole new one.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "payloads/handoff.h"
#include "job/record.h"
#include "job/route.h"
#include "platform/problem.h"

namespace trivex::job {

// The table itself is the hand-off's: the DOS side deletes and puts back
// files by the names it gives.
using handoff::JobFile;
using handoff::JobFileId;
using handoff::kJobFiles;
const JobFile& jobFile(JobFileId id);
// Whether a job on `route` writes the file.
bool writtenOn(const JobFile& f, BootRoute route);

// What is in C:\ at the job's names, and the job's record there.
struct FileFound {
    bool present = false;
    bool ours = false;
};
struct JobFilesFound {
    std::array<FileFound, kJobFiles.size()> files;
    // C:\TRIVEX.JOB when it is a job copy of this machine's (its token is
    // one the program kept here).
    std::optional<JobRecord> record;
    bool recordPresent = false;       // a file is at that name, ours or not
    std::optional<Text> imageToken;   // the token of C:\Vemo.img when it is ours
    const FileFound& operator[](JobFileId id) const { return files[static_cast<size_t>(id)]; }
    bool anyOurs() const;
    // C:\Vemo.img is ours and carries `token`.
    bool imageCarries(const Text& token) const;
    // What the record says it set aside may be given its name back: the
    // record is this machine's and C:\Vemo.img carries its very token.
    bool asideProven() const;
};
JobFilesFound findJobFiles(Machine& p);
// Whether the job of the record on C: is whole: everything the record lists
// is there and ours, the boot image carries the record's token and the
// outcome copy is in its place. False without a record.
bool wholeAsRecorded(Machine& p, const JobFilesFound& found);
// Whether a job of ours waits for its restart: its boot image, which the DOS
// side deletes when the job runs, is on C:.
bool jobWaits(Machine& p);

// Why the job's files cannot be placed on `route` without harm to the
// user's files; done when they can. `outcomePath` is the outcome copy's
// place (empty: none).
Result jobFilesRefusal(Machine& p, const JobFilesFound& found, BootRoute route, const Text& outcomePath);

// What a job did to the files, for taking it back.
struct JobTrail {
    std::vector<const JobFile*> setAside;  // a user's file renamed to its setAsideAs
    std::vector<const JobFile*> written;   // written, or begun: ours whatever they hold now
};

// Places one file: sets a user's own file aside first, then runs `write`.
// On failure, `failure` with the system's error of the write (or what went
// wrong with setting aside).
Result placeJobFile(Machine& p, const JobFile& f, const JobFilesFound& found, JobTrail& trail,
                    const std::function<SysResult()>& write, const Problem& failure);

// The steps that go on after each failure (taking back, undoing) add their
// failures here, in order.
using Failures = std::vector<Problem>;

// Removes what the job wrote and gives set-aside files their names back:
// the loader's files (loaderFiles), or all the others but the boot image.
// The boot image goes with the loader's files, after the user's files have
// their names back (until then it proves that they are the job's), and only
// while it carries the job's `token`.
void takeBackJobFiles(Machine& p, const JobTrail& trail, bool loaderFiles, const Text& token, Failures& failures);

// Undo and repair: removes every file of ours that `found` lists (found
// before the boot was pointed away) and is still there, and gives the files
// that the job's record says it set aside their names back, where that is
// proven (asideProven); the boot image goes last, so that it still proves
// it until then. Without a record, a stray .bak is not ours to touch.
void removeJobFiles(Machine& p, const JobFilesFound& found, bool keepLoader, Failures& failures);

// The temporary files of whole writes that a cut left (platform/files.h)
// and that are this program's: in the root of C: and of the outcome copy's
// drive while the job's record there is this machine's, and anywhere in
// C:\ the one that holds the beginning of a record of this machine's (cut
// while the record itself was written). A file of that form otherwise, or
// of any other name (a user's TRIVEX.TMP), is not ours.
std::vector<Text> ourTemporaries(Machine& p, const JobFilesFound& found);

// Removes the job's record, its outcome copy when the DOS side never wrote
// to it, and the temporary files of ours a cut left (ourTemporaries).
void removeRecords(Machine& p, const JobFilesFound& found, Failures& failures);

// Deletes a file of the job's (its protection cleared first: the user may
// have given it some); false, with the failure added, when it stays.
bool removeFile(Machine& p, const Text& path, Failures& failures);

}  // namespace trivex::job
