#include "job/outcome.h"

#include <algorithm>

#include "job/checks.h"
#include "job/record.h"
#include "job/ownership.h"
#include "job/undo.h"
#include "platform/files.h"

namespace trivex::job {

namespace {

// When the job was prepared, from the record's "2026-12-07 18:43:30" (as it
// stands when it is not a time).
Arg whenOf(const JobRecord& r) {
    const double date = recordDate(r.prepared);
    return date == kNoDate ? Arg(r.prepared) : Arg::when(date);
}

// What Ghost's exit code means.
Problem ghostCode(int code) {
    const Code meaning = code == 0 ? Code::GhostCodeSuccess : code == 1 ? Code::GhostCodeCancelled : Code::GhostCodeUnfinished;
    return {meaning, {Arg::number(code)}};
}

// A backup's image must be there, be a Ghost image and be newer than the job.
std::optional<Problem> backupImageProblem(Machine& p, const JobRecord& r) {
    if (p.fileAttributes(r.image) < 0) return Problem{Code::BackupImageGone, {r.image}};
    if (!isGhostImage(p, r.image)) return Problem{Code::BackupImageNotGhost, {r.image}};
    const double prepared = recordDate(r.prepared);
    if (prepared != kNoDate && fileModTime(p, r.image) <= prepared) return Problem{Code::BackupImageOld, {r.image}};
    return {};
}

LastOutcome told(Problem status) { return {std::move(status), {}}; }

// Why VOLSCAN.COM gave no number, by its errorlevel (-1: it did not run).
Problem volscanReason(int code) {
    switch (code) {
        case 1: return {Code::VolumeOnNoPartition};
        case 2: return {Code::VolumeOnTwoPartitions};
        case 3: return {Code::DiskUnreadableAtRestart};
        case 4: return {Code::TableBrokenAtRestart};
        case 5: return {Code::DiskNotNumberedAtRestart};
        case 6: return {Code::TableOrderAtRestart};
        case 7: return {Code::VolumeWithoutSerial};
        case 10: return {Code::EmptySlotAtRestart};
        case 11: return {Code::ForeignPartitionAtRestart};
        case 12: return {Code::SectorSizeAtRestart};
        default: return {Code::VolumesNotSearched};  // 8, 9: it could not write its answer, or was called wrongly
    }
}

// Only what the DOS side confirmed is told as done: a restore with Ghost's
// exit code 0, a backup with Ghost's exit code 0 and a passed check of the
// new image (and the image there, a Ghost image, newer than the job). Ghost
// started and nothing after it (the power cut, the machine hung or was
// switched off, Ghost waited for a key) is not confirmed, with what the user
// can check; so is a job whose outcome could not be written.
LastOutcome describe(Machine& p, const JobRecord& r) {
    const Arg when = whenOf(r);
    const bool backup = r.kind == JobKind::Backup;
    const Problem what{backup ? Code::Backup : Code::Restore};
    const auto failed = [&](Problem why) {
        const Problem text = around(Code::LastJobFailed, {what, std::move(why)}, {when});
        return LastOutcome{text, text};
    };
    // What the user can check where the outcome is not confirmed.
    const Problem checkIt = backup ? Problem{Code::CheckBackupImage, {r.image}} : Problem{Code::CheckRestoredSystem};
    const auto unconfirmed = [&](Problem why) {
        const Problem text = around(Code::LastJobUnconfirmed, {what, std::move(why), checkIt}, {when});
        return LastOutcome{text, text};
    };
    // Ghost did not run: the partitions could not be found for sure.
    if (r.volumes == VolumesFound::Refused) return failed(around(Code::VolumesRefused, {volscanReason(r.volumesCode), what}));
    if (r.volumes == VolumesFound::Same) return failed(around(Code::VolumesSame, {what}, {r.foundTarget}));
    if (r.volumes == VolumesFound::Differ)
        return failed(around(Code::VolumesDiffer, {what},
                             {r.foundTarget, r.foundImage, r.target.number, r.imageVolume.number}));
    switch (r.outcome) {
        case Outcome::NoMenu: return failed(around(Code::DosNoMenu, {what}));
        case Outcome::NoRam: return failed(around(Code::DosNoRam, {what}));
        case Outcome::Found: return failed(around(Code::DosStoppedEarly, {what}));
        // The user's own choice at the last countdown: no failure to report.
        case Outcome::Skipped: return told(around(Code::DosSkipped, {what}, {when}));
        case Outcome::Unrecorded: return unconfirmed(around(Code::OutcomeNotWritable, {what}));
        case Outcome::CheckFailed:
            return failed({Code::ImageCheckFailed, {r.image, Arg::number(r.exitCode)}});
        case Outcome::Started: return unconfirmed(around(Code::GhostNoReturn, {what}));
        case Outcome::Exited:
            if (r.exitCode != 0) return failed(around(backup ? Code::GhostFailedBackup : Code::GhostFailedRestore, {ghostCode(r.exitCode)}));
            if (!backup) return told({Code::RestoreDone, {when, r.image}});
            if (r.imageCheck < 0) return unconfirmed({Code::NewImageUnchecked});
            if (r.imageCheck != 0) return failed({Code::NewImageCheckFailed, {r.image, Arg::number(r.imageCheck)}});
            if (const std::optional<Problem> problem = backupImageProblem(p, r)) return failed(around(Code::GhostSilentBut, {*problem}));
            return told({Code::BackupMade, {when, r.image, imageMegabytes(p, r.image)}});
        case Outcome::None:
            break;
    }
    // The job's files are gone from C:, yet the DOS side left no word here.
    if (!backup) return failed(around(Code::NoOutcomeRecord, {what}));
    if (const std::optional<Problem> problem = backupImageProblem(p, r)) return failed(around(Code::NoOutcomeRecordBackup, {*problem}));
    return unconfirmed(around(Code::NoOutcomeRecord, {what}));
}

}  // namespace

std::vector<LastOutcome> takeOutcomes(Machine& p, std::vector<Text>& shown, LeftAlone* leftAlone) {
    const std::optional<JobRecord> waiting = readOurRecord(p, kJobRecord);
    Ownership ownership(p);
    struct Found {
        JobRecord record;
        Text path;
        bool onC;  // the job is still on C: (the DOS side did not run it)
    };
    std::vector<Found> found;
    for (char d = 'C'; d <= 'Z'; ++d) {
        for (const Text& path : {outcomeRecordPath(Text(1, d) + ":"), earlierOutcomePath(d)}) {
            if (p.fileAttributes(path) < 0) continue;
            const std::optional<JobRecord> r = readRecord(p, path);
            if (!r || !r->outcomeCopy) continue;
            if (const Whose whose = ownership.of(*r); whose != Whose::Ours) {
                if (leftAlone) (whose == Whose::Others ? leftAlone->others : leftAlone->unknown).push_back(path);
                continue;
            }
            if (r->kind == JobKind::Manual) continue;
            const bool onC = waiting && !waiting->outcomeCopy && waiting->token == r->token;
            if (onC && r->outcome == Outcome::None) continue;  // that job waits for its restart
            if (std::find(shown.begin(), shown.end(), r->token) != shown.end()) continue;
            found.push_back({*r, path, onC});
        }
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.record.prepared < b.record.prepared; });
    std::vector<LastOutcome> out;
    for (const auto& [record, path, onC] : found) {
        LastOutcome o = describe(p, record);
        // The DOS side took the job and did not run it: what is left of it on
        // C: goes the way undo takes a job back.
        if (onC) {
            const Result left = undoJob(p).account();
            const Problem said = left ? Problem{Code::CFilesTakenBack} : around(Code::CFilesTakeBackTrouble, {left.problem()});
            o.status = around(Code::InTurn, {o.status, said});
            if (o.failure) o.failure = around(Code::Lines, {*o.failure, said});
        }
        out.push_back(o);
        shown.push_back(record.token);
        (void)setProtection(p, path, 0);
        (void)p.deleteFile(path);
    }
    return out;
}

}  // namespace trivex::job
