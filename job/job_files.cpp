#include "job/job_files.h"

#include "job/ghost_plan.h"
#include "job/files.h"
#include "job/ownership.h"
#include "payloads/store.h"
#include "platform/files.h"
#include "platform/text.h"

namespace trivex::job {

using payloads::Payload;

namespace {

bool holdsPayload(Machine& p, const char* path, Payload payload) {
    return fileHolds(p, path, payloads::data(payload));
}

bool holdsGhostBat(Machine& p) {
    const std::optional<Text> bat = readWholeFile(p, kGhostBat);
    return bat && isGhostBatText(*bat);
}

// A set-aside file gets its name back once the name is free again.
void putBack(Machine& p, const JobFile& f, Failures& failures) {
    if (!f.setAsideAs || p.fileAttributes(f.path) >= 0 || p.fileAttributes(f.setAsideAs) < 0) return;
    if (const SysResult r = p.renameFile(f.setAsideAs, f.path); !r)
        failures.push_back(stepFailed(Code::RenameBackFailed, {f.setAsideAs, f.path}, r));
}

// Whether the file holds the beginning of a record of this machine's: its
// heading and a token line with a token the program kept here.
bool startsOurRecord(Machine& p, const Text& path) {
    const Text start = Text(handoff::kRecordHeading) + "\r\n" + handoff::kKeyToken + "=";
    Text head;
    if (!p.readFile(path, 0, static_cast<uint32_t>(start.size() + handoff::kTokenDigits), head) ||
        head.compare(0, start.size(), start) != 0)
        return false;
    return Ownership(p).ours(head.substr(start.size()));
}

}  // namespace

const JobFile& jobFile(JobFileId id) { return kJobFiles[static_cast<size_t>(id)]; }

bool writtenOn(const JobFile& f, BootRoute route) {
    return route == BootRoute::BootStore ? !f.bootIniOnly : !f.storeOnly;
}

bool removeFile(Machine& p, const Text& path, Failures& failures) {
    // The job's files carry no protection, but the user may have given some.
    (void)setProtection(p, path, 0);  // the delete tells whether it mattered
    const SysResult r = p.deleteFile(path);
    if (!r) failures.push_back(stepFailed(Code::DeleteFailed, {path}, r));
    return static_cast<bool>(r);
}

bool JobFilesFound::imageCarries(const Text& token) const {
    // An image built without the placeholder carries no token at all.
    return imageToken && (imageToken->empty() || *imageToken == token);
}

bool JobFilesFound::asideProven() const { return record && imageToken && *imageToken == record->token; }

bool JobFilesFound::anyOurs() const {
    for (const FileFound& f : files)
        if (f.ours) return true;
    return record.has_value();
}

bool wholeAsRecorded(Machine& p, const JobFilesFound& found) {
    if (!found.record) return false;
    const JobRecord& r = *found.record;
    for (const JobFile& f : kJobFiles)
        if (r.wroteFile(f.name) && !(found[f.id].present && found[f.id].ours)) return false;
    if (!found.imageCarries(r.token)) return false;
    if (r.image.empty()) return true;
    // The outcome copy of a job proven this machine's is known by its token.
    const std::optional<JobRecord> outcome = readRecord(p, outcomeRecordPath(r.image));
    return outcome && outcome->outcomeCopy && outcome->token == r.token;
}

bool jobWaits(Machine& p) { return payloads::dosImageToken(p, kVemoImg).has_value(); }

JobFilesFound findJobFiles(Machine& p) {
    JobFilesFound found;
    auto at = [&](JobFileId id) -> FileFound& { return found.files[static_cast<size_t>(id)]; };
    for (const JobFile& f : kJobFiles) at(f.id).present = p.fileAttributes(f.path) >= 0;
    found.recordPresent = p.fileAttributes(kJobRecord) >= 0;
    found.record = readOurRecord(p, kJobRecord);
    if (found.record && found.record->outcomeCopy) found.record.reset();
    found.imageToken = payloads::dosImageToken(p, kVemoImg);
    at(JobFileId::Loader).ours = holdsPayload(p, kGrldr, Payload::Loader);
    at(JobFileId::LoaderMbr).ours = holdsPayload(p, kGrldrMbr, Payload::LoaderMbr);
    at(JobFileId::StoreLoader).ours = holdsPayload(p, kStoreLoader, Payload::Loader);
    at(JobFileId::GhostBat).ours = holdsGhostBat(p);
    at(JobFileId::BootImage).ours = found.imageToken.has_value();
    // A user's own Ghost that a job copied is known by the job around it:
    // the record that lists it and the image that carries the record's token,
    // or (a job of an earlier version, which kept no record) ghost.bat and
    // the image. A record that is not this machine's proves nothing.
    const FileFound& exe = at(JobFileId::GhostExe);
    const bool recorded = found.record && found.record->wroteFile(handoff::kGhostExeName) && found.imageCarries(found.record->token);
    const bool earlierVersion = !found.recordPresent && at(JobFileId::GhostBat).ours && at(JobFileId::BootImage).ours;
    at(JobFileId::GhostExe).ours =
        holdsPayload(p, kGhostExe, Payload::GhostDos) || (exe.present && (recorded || earlierVersion));
    return found;
}

Result jobFilesRefusal(Machine& p, const JobFilesFound& found, BootRoute route, const Text& outcomePath) {
    if (found.recordPresent && !found.record) return Problem{Code::RecordNotOurs, {kJobRecord}};
    if (!outcomePath.empty() && p.fileAttributes(outcomePath) >= 0) {
        const std::optional<JobRecord> there = readRecord(p, outcomePath);
        const Whose whose = there && there->outcomeCopy ? Ownership(p).of(*there) : Whose::Others;
        if (whose == Whose::Unknown) return Problem{Code::OutcomeRecordUnknown, {outcomePath}};
        if (whose == Whose::Others) return Problem{Code::OutcomeRecordNotOurs, {outcomePath}};
    }
    for (const JobFile& f : kJobFiles) {
        const FileFound& here = found[f.id];
        if (!writtenOn(f, route) || !here.present || here.ours) continue;
        if (!f.setAsideAs) return Problem{Code::FileNotOurs, {f.path}};
        if (p.fileAttributes(f.setAsideAs) >= 0) return Problem{Code::LoaderNoRoomAside, {f.path, f.setAsideAs}};
    }
    return {};
}

Result placeJobFile(Machine& p, const JobFile& f, const JobFilesFound& found, JobTrail& trail,
                    const std::function<SysResult()>& write, const Problem& failure) {
    const FileFound& here = found[f.id];
    if (here.present && !here.ours) {
        const SysResult moved = f.setAsideAs ? p.renameFile(f.path, f.setAsideAs) : SysResult::failed(0);
        if (!moved) return stepFailed(Code::SetAsideFailed, {f.path, f.setAsideAs ? f.setAsideAs : ""}, moved);
        trail.setAside.push_back(&f);
    }
    // From here on whatever is at the name is ours: absent, an earlier job's, or this job's.
    trail.written.push_back(&f);
    const SysResult written = write();
    if (written) return {};
    Problem why = failure;
    why.error = written.error;
    return why;
}

void takeBackJobFiles(Machine& p, const JobTrail& trail, bool loaderFiles, const Text& token, Failures& failures) {
    const auto image = [](const JobFile* f) { return f->id == JobFileId::BootImage; };
    for (auto it = trail.written.rbegin(); it != trail.written.rend(); ++it)
        if ((*it)->loader == loaderFiles && !image(*it) && p.fileAttributes((*it)->path) >= 0)
            (void)removeFile(p, (*it)->path, failures);
    for (auto it = trail.setAside.rbegin(); it != trail.setAside.rend(); ++it)
        if ((*it)->loader == loaderFiles) putBack(p, **it, failures);
    if (!loaderFiles) return;
    for (const JobFile* f : trail.written) {
        if (!image(f) || p.fileAttributes(f->path) < 0) continue;
        // Another job's image (or one not made whole) is not this job's to remove.
        const std::optional<Text> there = payloads::dosImageToken(p, f->path);
        if (there && !there->empty() && *there != token) continue;
        (void)removeFile(p, f->path, failures);
    }
}

void removeJobFiles(Machine& p, const JobFilesFound& found, bool keepLoader, Failures& failures) {
    const bool proven = found.asideProven();
    bool waitsBehindLoader = false;
    for (const JobFile& f : kJobFiles) {
        if (f.id == JobFileId::BootImage) continue;
        const bool aside = found.record && found.record->setAside(f.name) && f.setAsideAs &&
                           p.fileAttributes(f.setAsideAs) >= 0;
        if (keepLoader && f.loader) {
            waitsBehindLoader = waitsBehindLoader || aside;
            continue;
        }
        if (found[f.id].ours && p.fileAttributes(f.path) >= 0 && !removeFile(p, f.path, failures)) continue;
        if (!aside) continue;
        if (proven) putBack(p, f, failures);
        else if (p.fileAttributes(f.path) < 0) failures.push_back({Code::AsideUnproven, {f.setAsideAs, f.path}});
    }
    // The boot image goes last. While the loader stays with a file of the
    // user's aside behind it, the image stays too, as the record does: the
    // proof for giving that file its name back later.
    const JobFile& image = jobFile(JobFileId::BootImage);
    if (waitsBehindLoader && proven) return;
    if (found[image.id].ours && p.fileAttributes(image.path) >= 0) (void)removeFile(p, image.path, failures);
}

std::vector<Text> ourTemporaries(Machine& p, const JobFilesFound& found) {
    std::vector<Text> out;
    const Text system = handoff::kSystemRoot;
    for (const Text& t : temporariesIn(p, system))
        if (found.record || startsOurRecord(p, t)) out.push_back(t);
    if (found.record) {
        const Text outcome = outcomeRecordPath(found.record->image);
        const Text root = outcome.substr(0, 3);
        if (!outcome.empty() && !text::equalIgnoringCase(root, system))
            for (const Text& t : temporariesIn(p, root)) out.push_back(t);
    }
    return out;
}

void removeRecords(Machine& p, const JobFilesFound& found, Failures& failures) {
    if (found.record) {
        const Text outcome = outcomeRecordPath(found.record->image);
        const std::optional<JobRecord> there = outcome.empty() ? std::nullopt : readRecord(p, outcome);
        if (there && there->outcomeCopy && there->token == found.record->token && there->outcome == Outcome::None)
            (void)removeFile(p, outcome, failures);
    }
    for (const Text& t : ourTemporaries(p, found)) (void)removeFile(p, t, failures);
    if (found.record && p.fileAttributes(kJobRecord) >= 0) (void)removeFile(p, kJobRecord, failures);
}

}  // namespace trivex::job
