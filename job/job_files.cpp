#include "job/job_files.h"

#include "job/command_line.h"
#include "job/files.h"
#include "payloads/store.h"
#include "platform/files.h"

namespace trivex::job {

using payloads::Payload;

const std::array<JobFile, 5> kJobFiles = {{
    {JobFileId::Loader, kGrldr, kGrldrBak, false, true},
    {JobFileId::LoaderMbr, kGrldrMbr, kGrldrMbrBak, true, true},
    {JobFileId::GhostBat, kGhostBat, nullptr, false, false},
    {JobFileId::GhostExe, kGhostExe, nullptr, false, false},
    {JobFileId::BootImage, kVemoImg, nullptr, false, false},
}};

namespace {

bool holdsPayload(Platform& p, const char* path, Payload payload) {
    return fileHolds(p, path, payloads::data(payload));
}

bool holdsGhostBat(Platform& p) {
    const std::optional<Text> bat = readWholeFile(p, kGhostBat);
    return bat && isGhostBatText(*bat);
}

bool removeFile(Platform& p, const char* path, Text& failures) {
    if (p.deleteFile(path)) return true;
    addFailure(failures, Text("删除 ") + path + " 失败");
    return false;
}

// A set-aside file gets its name back once the name is free again.
void putBack(Platform& p, const JobFile& f, Text& failures) {
    if (!f.setAsideAs || p.fileAttributes(f.path) >= 0 || p.fileAttributes(f.setAsideAs) < 0) return;
    if (!p.renameFile(f.setAsideAs, f.path))
        addFailure(failures, Text("把 ") + f.setAsideAs + " 改回 " + f.path + " 失败");
}

}  // namespace

void addFailure(Text& all, const Text& one) {
    if (one.empty()) return;
    if (!all.empty()) all += "；";
    all += one;
}

bool jobWaits(Platform& p) { return holdsPayload(p, kVemoImg, Payload::DosImage); }

JobFilesFound findJobFiles(Platform& p) {
    JobFilesFound found;
    auto at = [&](JobFileId id) -> FileFound& { return found.files[static_cast<size_t>(id)]; };
    for (const JobFile& f : kJobFiles) at(f.id).present = p.fileAttributes(f.path) >= 0;
    at(JobFileId::Loader).ours = holdsPayload(p, kGrldr, Payload::Loader);
    at(JobFileId::LoaderMbr).ours = holdsPayload(p, kGrldrMbr, Payload::LoaderMbr);
    at(JobFileId::GhostBat).ours = holdsGhostBat(p);
    at(JobFileId::BootImage).ours = jobWaits(p);
    // A user's own Ghost copied by an earlier job is known by the job around it.
    at(JobFileId::GhostExe).ours = holdsPayload(p, kGhostExe, Payload::GhostDos) ||
                                   (at(JobFileId::GhostExe).present && at(JobFileId::GhostBat).ours &&
                                    at(JobFileId::BootImage).ours);
    return found;
}

Text jobFilesRefusal(Platform& p, const JobFilesFound& found) {
    for (const JobFile& f : kJobFiles) {
        const FileFound& here = found[f.id];
        if (!here.present || here.ours) continue;
        if (!f.setAsideAs)
            return Text(f.path) + " 已存在，但不是本程序写入的文件；任务会覆盖它，DOS 下也会删除它。"
                                  "请先把它移到别的文件夹，再准备任务。";
        if (p.fileAttributes(f.setAsideAs) >= 0)
            return Text(f.path) + " 不是本程序的引导程序，而 " + f.setAsideAs +
                   " 也已存在，无法把它安全地移开。请先处理这两个文件中的一个。";
    }
    return {};
}

Text placeJobFile(Platform& p, const JobFile& f, const JobFilesFound& found, JobTrail& trail,
                  const std::function<bool()>& write, const Text& failure) {
    const FileFound& here = found[f.id];
    if (here.present && !here.ours) {
        if (!f.setAsideAs || !p.renameFile(f.path, f.setAsideAs))
            return Text("把您自己的 ") + f.path + " 改名为 " + (f.setAsideAs ? f.setAsideAs : "") + " 失败";
        trail.setAside.push_back(&f);
    }
    if (!write) return {};
    // From here on whatever is at the name is ours: absent, an earlier job's, or this job's.
    if (here.ours) trail.earlierJobTouched = true;
    trail.written.push_back(&f);
    return write() ? Text() : failure;
}

Text takeBackJobFiles(Platform& p, const JobTrail& trail, bool loaderFiles) {
    Text failures;
    for (auto it = trail.written.rbegin(); it != trail.written.rend(); ++it)
        if ((*it)->loader == loaderFiles && p.fileAttributes((*it)->path) >= 0) removeFile(p, (*it)->path, failures);
    for (auto it = trail.setAside.rbegin(); it != trail.setAside.rend(); ++it)
        if ((*it)->loader == loaderFiles) putBack(p, **it, failures);
    return failures;
}

Text removeJobFiles(Platform& p, const JobFilesFound& found, bool keepLoader) {
    Text failures;
    bool jobThere = false;
    for (const JobFile& f : kJobFiles) jobThere = jobThere || found[f.id].ours;
    for (const JobFile& f : kJobFiles) {
        if (keepLoader && f.loader) continue;
        if (found[f.id].ours && p.fileAttributes(f.path) >= 0 && !removeFile(p, f.path, failures)) continue;
        // A user's file set aside by the job gets its name back; without a
        // job of ours on the disk a stray .bak is not ours to touch.
        if (jobThere) putBack(p, f, failures);
    }
    return failures;
}

}  // namespace trivex::job
