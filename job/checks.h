// What keeps a job from being prepared, found before anything is written.
#pragma once

#include <optional>
#include <vector>

#include "job/ghost_plan.h"
#include "job/request.h"
#include "job/questions.h"

namespace trivex::job {

// Why the job cannot run; done when it can. Reads the Ghost plan made for
// this job (the partition numbers, its command line) and the request.
Result jobRefusal(Machine& p, const JobRequest& job, const GhostPlan& plan);

// The user's own Ghost: the path in the description when the custom Ghost
// box is checked and the path holds "ghost.exe" anywhere (letter case
// ignored, two-byte characters skipped whole).
std::optional<Text> customGhostPath(const JobRequest& job);

// Whether `path` names the job's own C:\ghost.exe, however it is spelled
// ("C:/ghost.exe", "C:\.\ghost.exe", "ghost.exe" from C:\, an 8.3 name...):
// full paths are compared, and the files themselves where both exist.
bool isJobGhostExe(Machine& p, const Text& path);

// Why ghost.bat cannot carry the image path, done when it can: DOS and
// Ghost would read another path, or none. `firstLine` is the command line
// the job would write.
Result imagePathRefusal(const Text& path, const Text& firstLine);

// Whether a file is a Ghost image: at least 512 bytes, starting with the
// Ghost image signature FE EF.
bool isGhostImage(Machine& p, const Text& path);
// The same judgement from the file's size and its first bytes (as many as
// it has, up to kImageHeadBytes): what isGhostImage reads.
inline constexpr uint32_t kImageHeadBytes = 2;
bool isGhostImageHead(const Text& head, int64_t size);

// An image file's size in whole MB of 1,024,000 bytes, the MB in which the
// program tells image sizes.
Text imageMegabytes(Machine& p, const Text& path);

// The questions the user has answered OK in this run. A question that only
// informs (the demo build) is not asked again (the same code and
// arguments); one about losing data or about this job's partitions always is.
struct Agreed {
    std::vector<Question> questions;
};
bool userAgreesOnce(Questions& q, Agreed& agreed, const Question& question);

// Before a backup overwrites an image that is there already, or starts with
// less room on the image's drive than the partition holds: the user
// decides. True to go on.
bool backupGoesOn(Machine& p, Questions& q, const JobRequest& job);

// A build with stand-ins on the boot path says so before a job and lets the
// user go on (to try the flow and undo it) or stop. True to go on.
bool demoBuildGoesOn(Questions& q, Agreed& agreed);

}  // namespace trivex::job
