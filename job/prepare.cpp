#include "job/prepare.h"

#include "job/boot_menu.h"
#include "job/checks.h"
#include "job/files.h"
#include "job/job_files.h"
#include "job/partitions.h"
#include "payloads/store.h"

namespace trivex::job {

namespace {

using payloads::Payload;

// The content of each file of the table for this job.
Text writeFiles(Platform& p, const JobDescription& job, const CommandValues& values, const JobFilesFound& found,
                JobTrail& trail) {
    const std::optional<Text> bat = ghostBatText(values, job.kind());
    const std::optional<Text> own = customGhostPath(job);
    for (const JobFile& f : kJobFiles) {
        std::function<bool()> write;
        Text failure = Text("写入 ") + f.path + " 失败";
        switch (f.id) {
            case JobFileId::Loader: write = [&] { return payloads::writePayload(p, f.path, Payload::Loader); }; break;
            case JobFileId::GhostBat:
                if (!bat) continue;  // no mode chosen: no command to run
                write = [&] { return p.writeFile(f.path, {bytesOf(*bat)}); };
                break;
            case JobFileId::GhostExe:
                if (own) {
                    write = [&] { return p.copyFile(*own, f.path); };
                    failure = "复制自定义的 Ghost（" + *own + "）到 C:\\ghost.exe 失败";
                } else {
                    write = [&] { return payloads::writePayload(p, f.path, Payload::GhostDos); };
                }
                break;
            case JobFileId::BootImage:
                write = [&] { return payloads::writePayload(p, f.path, Payload::DosImage); };
                break;
        }
        if (Text why = placeJobFile(p, f, found, trail, write, failure); !why.empty()) return why;
    }
    return {};
}

// The job failed at `failure`: everything goes back, and the message says
// what failed and whether going back worked. `before` is what the job found
// at its names; `earlierJob` says that boot.ini was redirected already.
Text takeBack(Platform& p, BootMenu& menu, const JobTrail& trail, const JobFilesFound& before, bool earlierJob,
              const Text& failure) {
    // Files of an earlier job that this one overwrote are this job's now:
    // none of that job may run either, so it is undone with this one.
    const bool undoEarlier = earlierJob && trail.earlierJobTouched;
    // The files that only the DOS side needs go first: they free the room
    // that putting the menu back may need.
    Text problems = takeBackJobFiles(p, trail, true);
    addFailure(problems, undoEarlier ? menu.restore() : menu.takeBack());
    // While boot.ini still starts the loader, the loader stays: the machine must boot.
    const bool keepLoader = menu.isRedirected();
    addFailure(problems, takeBackJobFiles(p, trail, keepLoader));
    if (undoEarlier) addFailure(problems, removeJobFiles(p, before, keepLoader));

    Text message = failure + "，本次操作已撤回";
    if (undoEarlier) message += "，之前准备好的任务也已撤销";
    if (problems.empty()) return message + "。";
    return message + "，但撤回时出错：" + problems + "。请在重启前检查启动菜单 C:\\boot.ini 和 C 盘根目录！";
}

}  // namespace

void writeBackupPlaceholder(Platform& p, const Text& path) {
    if (path.empty() || p.fileAttributes(path) >= 0) return;
    p.writeFile(path, {bytesOf(path)});
}

Prepared prepareJob(Platform& p, const JobDescription& job, CommandValues& values, Agreed& agreed) {
    buildCommandTexts(values, job);
    BootMenu menu(p);
    Text why = menu.check();
    if (why.empty()) why = jobRefusal(p, job, values);
    const JobFilesFound found = findJobFiles(p);
    if (why.empty()) why = jobFilesRefusal(p, found);
    if (!why.empty()) return {false, why};
    const JobKind kind = job.kind();
    if (kind == JobKind::Restore || kind == JobKind::Backup) {
        const PartitionCheck partitions =
            checkPartitions(p, job.systemDrive, values.systemPartition, job.imagePath.substr(0, 1), values.imagePartition);
        if (!partitions.refusal.empty()) return {false, partitions.refusal};
        if (!partitions.question.empty() && !userAgreesOnce(p, agreed, partitions.question)) return {};
    }
    if (!backupGoesOn(p, job)) return {};
    if (payloads::isDemoBuild() && !demoBuildGoesOn(p, agreed)) return {};

    const bool earlierJob = menu.isRedirected();
    JobTrail trail;
    Text failure = menu.redirect();
    if (failure.empty()) failure = writeFiles(p, job, values, found, trail);
    if (failure.empty()) return {true, {}};
    return {false, takeBack(p, menu, trail, found, earlierJob, failure)};
}

}  // namespace trivex::job
