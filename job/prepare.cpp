#include "job/prepare.h"

#include <vector>

#include "job/boot_menu.h"
#include "job/boot_store.h"
#include "job/checks.h"
#include "job/files.h"
#include "job/job_files.h"
#include "job/partitions.h"
#include "job/record.h"
#include "job/route.h"
#include "job/undo.h"
#include "payloads/store.h"
#include "platform/files.h"

namespace trivex::job {

namespace {

using payloads::Payload;

// The job's record, as it will be once every file is in place.
JobRecord recordOf(Machine& p, const JobRequest& job, BootRoute route, const JobFilesFound& found,
                   bool ghostBat) {
    JobRecord r;
    r.token = newToken(p);
    r.kind = job.kind();
    r.route = route;
    r.prepared = recordTime(p.localTime());
    if (r.kind != JobKind::Manual) r.image = job.imagePath;
    for (const JobFile& f : kJobFiles) {
        if (!writtenOn(f, route) || (f.id == JobFileId::GhostBat && !ghostBat)) continue;
        r.wrote.push_back(f.name);
        if (found[f.id].present && !found[f.id].ours && f.setAsideAs) r.aside.push_back(f.name);
    }
    return r;
}

// Each file of the table with this job's content, written whole; `bat` is
// the job's ghost.bat, none when no mode was chosen.
Text writeFiles(Machine& p, const JobRequest& job, const std::optional<Text>& bat, const JobRecord& record,
                const JobFilesFound& found, JobTrail& trail) {
    const std::optional<Text> own = customGhostPath(job);
    const auto payload = [&p](const char* path, Payload what) {
        return std::function<SysResult()>([&p, path, what] { return payloads::writePayloadWhole(p, path, what); });
    };
    for (const JobFile& f : kJobFiles) {
        if (!writtenOn(f, record.route)) continue;
        std::function<SysResult()> write;
        Text failure = Text("写入 ") + f.path + " 失败";
        switch (f.id) {
            case JobFileId::Loader: write = payload(f.path, Payload::Loader); break;
            case JobFileId::LoaderMbr: write = payload(f.path, Payload::LoaderMbr); break;
            case JobFileId::GhostBat:
                if (!bat) continue;  // no mode chosen: no command to run
                write = [&] { return p.writeFileWhole(f.path, {bytesOf(*bat)}); };
                break;
            case JobFileId::GhostExe:
                if (own) {
                    write = [&] {
                        const std::optional<Text> bytes = readWholeFile(p, *own);
                        return bytes ? p.writeFileWhole(f.path, {bytesOf(*bytes)}) : SysResult::failed(0);
                    };
                    failure = "复制自定义的 Ghost（" + *own + "）到 C:\\ghost.exe 失败";
                } else {
                    write = payload(f.path, Payload::GhostDos);
                }
                break;
            case JobFileId::BootImage:
                write = [&] { return payloads::writeDosImage(p, f.path, record.token); };
                break;
        }
        if (Text why = placeJobFile(p, f, found, trail, write, failure); !why.empty()) return why;
    }
    return {};
}

// The boot side of a job on either route: it is pointed at the loader last,
// once everything it starts is whole on the disk.
struct BootSwitch {
    BootRoute route;
    BootMenu menu;
    bool pointed = false;  // on() has begun

    BootSwitch(Machine& p, BootRoute r) : route(r), menu(p) {}

    Text check(Machine& p) { return route == BootRoute::BootIni ? menu.check() : storeRefusal(p); }

    // An earlier job of ours that has not run: boot.ini redirected, or
    // entries of ours in the store. Empty unless the store cannot be read.
    Text earlierJob(Machine& p, bool& found) {
        if (route == BootRoute::BootIni) {
            found = menu.isRedirected();
            return {};
        }
        std::vector<Text> entries;
        Text failure;
        if (!bcd::findEntries(p, entries, failure)) return failure;
        found = !entries.empty();
        return {};
    }

    // Points the boot away from an earlier job's loader, nothing else: on
    // failure that job is as it was.
    Text off(Machine& p) {
        if (route == BootRoute::BootIni) return menu.restore();
        int removed = 0;
        Text failure;
        return bcd::removeOurEntries(p, removed, failure) ? Text() : failure;
    }

    Text on(Machine& p) {
        pointed = true;
        if (route == BootRoute::BootIni) return menu.redirect();
        // addEntry takes its own entry back when any of its calls fails.
        Text failure, identifier;
        if (!bcd::addEntry(p, identifier, failure)) return failure;
        return {};
    }

    // Points the boot away from the loader again; `stillStarts` says whether
    // it still starts the loader afterwards.
    Text takeBack(Machine&, bool& stillStarts) {
        stillStarts = false;
        if (!pointed || route == BootRoute::BootStore) return {};
        const Text problems = menu.takeBack();
        stillStarts = menu.isRedirected();
        return problems;
    }
};

// The job failed at `failure`: everything goes back in the reverse order,
// the boot first, the files after, the record last, and the message says
// what failed and whether going back worked.
Text takeBack(Machine& p, BootSwitch& boot, const JobTrail& trail, const Text& failure, bool earlierUndone) {
    bool stillStarts = false;
    Text problems = boot.takeBack(p, stillStarts);
    addFailure(problems, takeBackJobFiles(p, trail, false));
    // While the boot still starts the loader, the loader stays: the machine must boot.
    if (!stillStarts) addFailure(problems, takeBackJobFiles(p, trail, true));
    if (!stillStarts) addFailure(problems, removeRecords(p, findJobFiles(p)));

    Text message = failure + "，本次操作已撤回";
    if (earlierUndone) message += "，之前准备好的任务也已撤销";
    if (problems.empty()) return message + "。";
    return message + "，但撤回时出错：" + problems + "。请在重启前检查启动菜单 C:\\boot.ini 和 C 盘根目录！";
}

Prepared refused(const Text& why) { return {false, why, {}, {}}; }

}  // namespace

void writeBackupPlaceholder(Machine& p, const Text& path) {
    if (path.empty() || p.fileAttributes(path) >= 0) return;
    (void)p.writeFile(path, {bytesOf(path)});
}

namespace {

Prepared prepareWith(Machine& p, Questions& questions, const JobRequest& job, Agreed& agreed,
                     const PartitionCheck& partitions, const GhostPlan& plan) {
    const BootRoute route = bootRouteOf(p);
    BootSwitch boot(p, route);
    const JobKind kind = job.kind();
    const Text outcomePath = kind == JobKind::Manual ? Text() : outcomeRecordPath(job.imagePath);
    Text why = routeRefusal(p);
    if (why.empty()) why = boot.check(p);
    if (why.empty()) why = partitions.refusal;
    if (why.empty()) why = jobRefusal(p, job, plan);
    JobFilesFound found = findJobFiles(p);
    if (why.empty()) why = jobFilesRefusal(p, found, route, outcomePath);
    if (!why.empty()) return refused(why);
    // Asked at every job: the numbers are this job's.
    if (!partitions.question.empty() && !questions.agree(partitions.question)) return {};
    if (!backupGoesOn(p, questions, job)) return {};
    if (payloads::isDemoBuild(route == BootRoute::BootStore) && !demoBuildGoesOn(questions, agreed)) return {};

    // An earlier job of ours that has not run gives way first, whole, the
    // way undo takes it back: this job is prepared on a machine that starts
    // Windows, and only its own files are on the disk.
    bool earlier = false;
    if (Text failure = boot.earlierJob(p, earlier); !failure.empty()) return refused(failure);
    if (earlier) {
        if (Text failure = boot.off(p); !failure.empty())
            return refused("之前准备好的任务无法撤销（" + failure + "），它保持原样，本次任务没有准备。");
        const Undone u = undoJob(p);
        if (!u.failures.empty() || !u.loaderKept.empty())
            return refused("之前准备好的任务没能完全撤销（" + undoMessage(u) + "），本次任务没有准备。");
        found = findJobFiles(p);
        if (Text again = jobFilesRefusal(p, found, route, outcomePath); !again.empty())
            return refused("之前准备好的任务已撤销。" + again);
    }

    // The record first, then every file, then the outcome copy, each whole;
    // the boot is pointed at the loader last.
    JobTrail trail;
    const std::optional<Text> bat = plan.batText();
    const JobRecord record = recordOf(p, job, route, found, bat.has_value());
    Text failure;
    if (!p.writeFileWhole(kJobRecord, {bytesOf(recordText(record))})) failure = Text("写入 ") + kJobRecord + " 失败";
    if (failure.empty()) failure = writeFiles(p, job, bat, record, found, trail);
    if (failure.empty() && !outcomePath.empty()) {
        JobRecord outcome = record;
        outcome.outcomeCopy = true;
        // An outcome of an earlier job there was shown before this job began.
        (void)setProtection(p, outcomePath, 0);
        if (!p.writeFileWhole(outcomePath, {bytesOf(recordText(outcome))}))
            failure = "写入任务结果记录 " + outcomePath + " 失败";
    }
    if (failure.empty()) failure = boot.on(p);
    if (failure.empty()) return {true, {}, boot.menu.notice(), {}};
    return refused(takeBack(p, boot, trail, failure, earlier));
}

}  // namespace

Prepared prepareJob(Machine& p, Questions& questions, const JobRequest& job, Agreed& agreed) {
    const PartitionCheck partitions = checkPartitions(p, job);
    const GhostPlan plan = planGhost(job, partitions.targetPartition, partitions.imagePartition);
    Prepared result = prepareWith(p, questions, job, agreed, partitions, plan);
    result.plan = plan;
    return result;
}

}  // namespace trivex::job
