#include "job/job_files.h"

#include "job/ghost_plan.h"
#include "job/files.h"
#include "payloads/store.h"
#include "platform/files.h"

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

bool removeFile(Machine& p, const char* path, Text& failures) {
    // The job's files carry no protection, but the user may have given some.
    (void)setProtection(p, path, 0);  // the delete tells whether it mattered
    if (p.deleteFile(path)) return true;
    addFailure(failures, Text("删除 ") + path + " 失败");
    return false;
}

// A set-aside file gets its name back once the name is free again.
void putBack(Machine& p, const JobFile& f, Text& failures) {
    if (!f.setAsideAs || p.fileAttributes(f.path) >= 0 || p.fileAttributes(f.setAsideAs) < 0) return;
    if (!p.renameFile(f.setAsideAs, f.path))
        addFailure(failures, Text("把 ") + f.setAsideAs + " 改回 " + f.path + " 失败");
}

}  // namespace

const JobFile& jobFile(JobFileId id) { return kJobFiles[static_cast<size_t>(id)]; }

bool writtenOn(const JobFile& f, BootRoute route) { return !f.storeOnly || route == BootRoute::BootStore; }

void addFailure(Text& all, const Text& one) {
    if (one.empty()) return;
    if (!all.empty()) all += "；";
    all += one;
}

bool JobFilesFound::imageCarries(const Text& token) const {
    // An image built without the placeholder carries no token at all.
    return imageToken && (imageToken->empty() || *imageToken == token);
}

bool JobFilesFound::anyOurs() const {
    for (const FileFound& f : files)
        if (f.ours) return true;
    return record.has_value();
}

bool jobWaits(Machine& p) { return payloads::dosImageToken(p, kVemoImg).has_value(); }

JobFilesFound findJobFiles(Machine& p) {
    JobFilesFound found;
    auto at = [&](JobFileId id) -> FileFound& { return found.files[static_cast<size_t>(id)]; };
    for (const JobFile& f : kJobFiles) at(f.id).present = p.fileAttributes(f.path) >= 0;
    found.recordPresent = p.fileAttributes(kJobRecord) >= 0;
    found.record = readRecord(p, kJobRecord);
    if (found.record && found.record->outcomeCopy) found.record.reset();
    found.imageToken = payloads::dosImageToken(p, kVemoImg);
    at(JobFileId::Loader).ours = holdsPayload(p, kGrldr, Payload::Loader);
    at(JobFileId::LoaderMbr).ours = holdsPayload(p, kGrldrMbr, Payload::LoaderMbr);
    at(JobFileId::GhostBat).ours = holdsGhostBat(p);
    at(JobFileId::BootImage).ours = found.imageToken.has_value();
    // A user's own Ghost that a job copied is known by the job around it:
    // the record that lists it and the image that carries the record's token,
    // or (a job of an earlier version, without a record) ghost.bat and the image.
    const FileFound& exe = at(JobFileId::GhostExe);
    const bool recorded = found.record && found.record->wroteFile(handoff::kGhostExeName) && found.imageCarries(found.record->token);
    const bool earlierVersion = !found.record && at(JobFileId::GhostBat).ours && at(JobFileId::BootImage).ours;
    at(JobFileId::GhostExe).ours =
        holdsPayload(p, kGhostExe, Payload::GhostDos) || (exe.present && (recorded || earlierVersion));
    return found;
}

Text jobFilesRefusal(Machine& p, const JobFilesFound& found, BootRoute route, const Text& outcomePath) {
    const Text moveIt = "请先把它移到别的文件夹，再准备任务。";
    if (found.recordPresent && !found.record)
        return Text(kJobRecord) + " 已存在，但不是本程序的任务记录；任务会覆盖它，DOS 下也会删除它。" + moveIt;
    if (!outcomePath.empty() && p.fileAttributes(outcomePath) >= 0) {
        const std::optional<JobRecord> there = readRecord(p, outcomePath);
        if (!there || !there->outcomeCopy)
            return outcomePath + " 已存在，但不是本程序的任务结果记录；任务会覆盖它。" + moveIt;
    }
    for (const JobFile& f : kJobFiles) {
        const FileFound& here = found[f.id];
        if (!writtenOn(f, route) || !here.present || here.ours) continue;
        if (!f.setAsideAs)
            return Text(f.path) + " 已存在，但不是本程序写入的文件；任务会覆盖它，DOS 下也会删除它。" + moveIt;
        if (p.fileAttributes(f.setAsideAs) >= 0)
            return Text(f.path) + " 不是本程序的引导程序，而 " + f.setAsideAs +
                   " 也已存在，无法把它安全地移开。请先处理这两个文件中的一个。";
    }
    return {};
}

Text placeJobFile(Machine& p, const JobFile& f, const JobFilesFound& found, JobTrail& trail,
                  const std::function<SysResult()>& write, const Text& failure) {
    const FileFound& here = found[f.id];
    if (here.present && !here.ours) {
        if (!f.setAsideAs || !p.renameFile(f.path, f.setAsideAs))
            return Text("把您自己的 ") + f.path + " 改名为 " + (f.setAsideAs ? f.setAsideAs : "") + " 失败";
        trail.setAside.push_back(&f);
    }
    // From here on whatever is at the name is ours: absent, an earlier job's, or this job's.
    trail.written.push_back(&f);
    return write() ? Text() : failure;
}

Text takeBackJobFiles(Machine& p, const JobTrail& trail, bool loaderFiles) {
    Text failures;
    for (auto it = trail.written.rbegin(); it != trail.written.rend(); ++it)
        if ((*it)->loader == loaderFiles && p.fileAttributes((*it)->path) >= 0) removeFile(p, (*it)->path, failures);
    for (auto it = trail.setAside.rbegin(); it != trail.setAside.rend(); ++it)
        if ((*it)->loader == loaderFiles) putBack(p, **it, failures);
    return failures;
}

Text removeJobFiles(Machine& p, const JobFilesFound& found, bool keepLoader) {
    Text failures;
    for (const JobFile& f : kJobFiles) {
        if (keepLoader && f.loader) continue;
        if (found[f.id].ours && p.fileAttributes(f.path) >= 0 && !removeFile(p, f.path, failures)) continue;
        if (found.record && found.record->setAside(f.name)) putBack(p, f, failures);
    }
    return failures;
}

Text removeRecords(Machine& p, const JobFilesFound& found) {
    Text failures;
    if (found.record) {
        const Text outcome = outcomeRecordPath(found.record->image);
        const std::optional<JobRecord> there = outcome.empty() ? std::nullopt : readRecord(p, outcome);
        if (there && there->outcomeCopy && there->token == found.record->token && there->outcome == Outcome::None)
            removeFile(p, outcome.c_str(), failures);
        if (!outcome.empty() && p.fileAttributes(temporaryBeside(outcome)) >= 0)
            removeFile(p, temporaryBeside(outcome).c_str(), failures);
    }
    if (p.fileAttributes(temporaryBeside(kJobRecord)) >= 0) removeFile(p, temporaryBeside(kJobRecord).c_str(), failures);
    if (found.record && p.fileAttributes(kJobRecord) >= 0) removeFile(p, kJobRecord, failures);
    return failures;
}

}  // namespace trivex::job
