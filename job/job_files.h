// The files a job writes in the root of C:, in one table that preparation,
// take-back and undo all use. A file there counts as this program's by its
// content, never by its name: the loader and the boot image are the
// embedded payloads byte for byte, ghost.bat is one of the texts this
// program writes, and ghost.exe is the embedded DOS Ghost or belongs to a
// complete job of ours. What is not ours is never overwritten or deleted: a
// loader of the user's own is set aside and put back, any other file of the
// user's at these names refuses the job before anything is written.
#pragma once

#include <array>
#include <functional>
#include <vector>

#include "platform/platform.h"

namespace trivex::job {

enum class JobFileId { Loader, LoaderMbr, GhostBat, GhostExe, BootImage };

struct JobFile {
    JobFileId id;
    const char* path;
    const char* setAsideAs;  // where a user's own file waits; nullptr: it refuses the job
    // Written only by jobs through the boot configuration store. Jobs through
    // boot.ini still set a user's own file aside: the DOS side deletes the
    // name on every job.
    bool storeOnly;
    // Part of the loader: stays while the boot still starts it.
    bool loader;
};

// In the order a job writes them.
extern const std::array<JobFile, 5> kJobFiles;

// What is in C:\ at the job's names.
struct FileFound {
    bool present = false;
    bool ours = false;
};
struct JobFilesFound {
    std::array<FileFound, 5> files;
    const FileFound& operator[](JobFileId id) const { return files[static_cast<size_t>(id)]; }
};
JobFilesFound findJobFiles(Platform& p);
// Whether a job of ours waits for its restart: its boot image, which the DOS
// side deletes when the job runs, is on C:.
bool jobWaits(Platform& p);

// Why the job's files cannot be placed without harm to the user's files;
// empty when they can.
Text jobFilesRefusal(Platform& p, const JobFilesFound& found);

// What a job did to the files, for taking it back.
struct JobTrail {
    std::vector<const JobFile*> setAside;  // a user's file renamed to its setAsideAs
    std::vector<const JobFile*> written;   // written, or begun: ours whatever they hold now
    bool earlierJobTouched = false;        // a file of an earlier job was overwritten
};

// Places one file: sets a user's own file aside first, then runs `write`
// (none: the file is only set aside). Empty on success, else `failure` (or
// what went wrong with setting aside).
Text placeJobFile(Platform& p, const JobFile& f, const JobFilesFound& found, JobTrail& trail,
                  const std::function<bool()>& write, const Text& failure);

// Removes what the job wrote and gives set-aside files their names back:
// the loader's files (loaderFiles), or all the others. The loader's go only
// once the boot no longer starts them. Empty when all went, else each failure.
Text takeBackJobFiles(Platform& p, const JobTrail& trail, bool loaderFiles);

// Undo: removes every file of ours that `found` lists (found before the
// menu was restored) and is still there, and gives set-aside files their
// names back. Empty when all went, else each failure.
Text removeJobFiles(Platform& p, const JobFilesFound& found, bool keepLoader);

// "a；b" for failures, skipping empty ones.
void addFailure(Text& all, const Text& one);

}  // namespace trivex::job
