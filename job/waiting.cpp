#include "job/waiting.h"

#include "job/job_files.h"
#include "job/record.h"

namespace trivex::job {

std::optional<WaitingJob> waitingJob(Machine& p) {
    const JobFilesFound found = findJobFiles(p);
    if (!found.record || !wholeAsRecorded(p, found)) return {};
    const JobRecord& r = *found.record;
    const double date = recordDate(r.prepared);
    const Arg when = date == kNoDate ? Arg(r.prepared) : Arg::when(date);
    switch (r.kind) {
        case JobKind::Restore: return WaitingJob{r.kind, {Code::WaitingRestore, {r.image, when}}};
        case JobKind::Backup: return WaitingJob{r.kind, {Code::WaitingBackup, {r.image, when}}};
        case JobKind::Manual:
        case JobKind::None: break;
    }
    return WaitingJob{r.kind, {Code::WaitingManual, {when}}};
}

}  // namespace trivex::job
