#include "job/prepare.h"

#include <vector>

#include "job/boot_menu.h"
#include "job/boot_store.h"
#include "job/checks.h"
#include "job/files.h"
#include "job/job_files.h"
#include "job/partitions.h"
#include "job/route.h"
#include "payloads/store.h"

namespace trivex::job {

namespace {

using payloads::Payload;

// The content of each file of the table for this job.
Text writeFiles(Platform& p, const JobDescription& job, const CommandValues& values, BootRoute route,
                const JobFilesFound& found, JobTrail& trail) {
    const std::optional<Text> bat = ghostBatText(values, job.kind());
    const std::optional<Text> own = customGhostPath(job);
    const auto payload = [&p](const char* path, Payload what) {
        return std::function<bool()>([&p, path, what] { return payloads::writePayload(p, path, what); });
    };
    for (const JobFile& f : kJobFiles) {
        std::function<bool()> write;
        Text failure = Text("写入 ") + f.path + " 失败";
        switch (f.id) {
            case JobFileId::Loader: write = payload(f.path, Payload::Loader); break;
            case JobFileId::LoaderMbr:
                if (route == BootRoute::BootStore) write = payload(f.path, Payload::LoaderMbr);
                break;
            case JobFileId::GhostBat:
                if (!bat) continue;  // no mode chosen: no command to run
                write = [&] { return p.writeFile(f.path, {bytesOf(*bat)}); };
                break;
            case JobFileId::GhostExe:
                if (own) {
                    write = [&] { return p.copyFile(*own, f.path); };
                    failure = "复制自定义的 Ghost（" + *own + "）到 C:\\ghost.exe 失败";
                } else {
                    write = payload(f.path, Payload::GhostDos);
                }
                break;
            case JobFileId::BootImage: write = payload(f.path, Payload::DosImage); break;
        }
        if (Text why = placeJobFile(p, f, found, trail, write, failure); !why.empty()) return why;
    }
    return {};
}

// The boot side of a job and its take-back, on either route.
struct BootSwitch {
    BootRoute route;
    BootMenu menu;
    std::vector<Text> earlierEntries;  // store route: entries of an earlier job of ours
    bool earlierJob = false;           // an earlier job was prepared and not undone

    BootSwitch(Platform& p, BootRoute r) : route(r), menu(p) {}

    Text check(Platform& p) { return route == BootRoute::BootIni ? menu.check() : storeRefusal(p); }

    // Finds an earlier job before anything changes; empty unless the store cannot be read.
    Text look(Platform& p) {
        if (route == BootRoute::BootIni) {
            earlierJob = menu.isRedirected();
            return {};
        }
        Text failure;
        if (!bcd::findEntries(p, earlierEntries, failure)) return failure;
        earlierJob = !earlierEntries.empty();
        return {};
    }

    // boot.ini is redirected before the files are written, like the menu
    // the DOS side restores; the store's one-time entry comes after them, so
    // that it never points at a file that is not there yet. The entries of
    // an earlier job give way to this job's.
    Text before(Platform&) { return route == BootRoute::BootIni ? menu.redirect() : Text(); }
    Text after(Platform& p) {
        if (route == BootRoute::BootIni) return {};
        Text failure, identifier;
        int removed = 0;
        if (!bcd::removeEntries(p, earlierEntries, removed, failure)) return failure;
        if (!bcd::addEntry(p, identifier, failure)) return failure;
        return {};
    }

    // Puts the boot side back; with undoEarlier, the earlier job's too.
    // `stillStarts` says whether the boot still starts the loader afterwards.
    Text takeBack(Platform& p, bool undoEarlier, bool& stillStarts) {
        if (route == BootRoute::BootIni) {
            const Text problems = undoEarlier ? menu.restore() : menu.takeBack();
            stillStarts = menu.isRedirected();
            return problems;
        }
        // addEntry takes its own entry back; an earlier job's entries go
        // when that job is undone. The loader stays while any entry of ours
        // is left (or the store cannot be read).
        Text failure;
        if (undoEarlier) {
            int removed = 0;
            if (!bcd::removeOurEntries(p, removed, failure)) {
                stillStarts = true;
                return failure;
            }
        }
        std::vector<Text> left;
        stillStarts = !bcd::findEntries(p, left, failure) || !left.empty();
        return {};
    }
};

// The job failed at `failure`: everything goes back, and the message says
// what failed and whether going back worked. `before` is what the job found
// at its names.
Text takeBack(Platform& p, BootSwitch& boot, const JobTrail& trail, const JobFilesFound& before, const Text& failure) {
    // Files of an earlier job that this one overwrote are this job's now:
    // none of that job may run either, so it is undone with this one.
    const bool undoEarlier = boot.earlierJob && trail.earlierJobTouched;
    // The files that only the DOS side needs go first: they free the room
    // that putting the menu back may need.
    Text problems = takeBackJobFiles(p, trail, false);
    bool stillStarts = false;
    addFailure(problems, boot.takeBack(p, undoEarlier, stillStarts));
    // While the boot still starts the loader, the loader stays: the machine must boot.
    if (!stillStarts) addFailure(problems, takeBackJobFiles(p, trail, true));
    if (undoEarlier) addFailure(problems, removeJobFiles(p, before, stillStarts));

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
    const PartitionCheck partitions = checkPartitions(p, job);
    values.systemPartition = partitions.systemPartition;
    values.imagePartition = partitions.imagePartition;
    buildCommandTexts(values, job);
    const BootRoute route = bootRouteOf(p);
    BootSwitch boot(p, route);
    Text why = routeRefusal(p);
    if (why.empty()) why = boot.check(p);
    if (why.empty()) why = partitions.refusal;
    if (why.empty()) why = jobRefusal(p, job, values);
    const JobFilesFound found = findJobFiles(p);
    if (why.empty()) why = jobFilesRefusal(p, found);
    if (!why.empty()) return {false, why};
    // Asked at every job: the numbers are this job's.
    if (!partitions.question.empty() && !userAgrees(p, partitions.question)) return {};
    if (!backupGoesOn(p, job)) return {};
    if (payloads::isDemoBuild(route == BootRoute::BootStore) && !demoBuildGoesOn(p, agreed)) return {};
    if (Text failure = boot.look(p); !failure.empty()) return {false, failure};

    JobTrail trail;
    Text failure = boot.before(p);
    if (failure.empty()) failure = writeFiles(p, job, values, route, found, trail);
    if (failure.empty()) failure = boot.after(p);
    if (failure.empty()) return {true, {}};
    return {false, takeBack(p, boot, trail, found, failure)};
}

}  // namespace trivex::job
