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
#include "job/tokens.h"
#include "job/undo.h"
#include "payloads/store.h"
#include "platform/files.h"
#include "platform/text.h"

namespace trivex::job {

namespace {

using payloads::Payload;

// The job's record, as it will be once every file is in place.
RecordedVolume recorded(const GhostVolume& v) {
    return {v.serialText(), v.fileSystem, v.bytes ? text::toText(static_cast<int64_t>(v.bytes)) : Text(), v.expected()};
}

JobRecord recordOf(Machine& p, const JobRequest& job, const GhostPlan& plan, BootRoute route,
                   const JobFilesFound& found, bool ghostBat, const std::optional<MenuMemo>& menu) {
    JobRecord r;
    if (menu) r.menu = *menu;
    r.token = newToken(p);
    r.kind = job.kind();
    r.route = route;
    r.prepared = recordTime(p.localTime());
    if (r.kind != JobKind::Manual) r.image = job.imagePath;
    if (r.kind == JobKind::Restore || r.kind == JobKind::Backup) {
        r.targetDrive = plan.target.letter;
        r.target = recorded(plan.target);
        r.imageVolume = recorded(plan.image);
    }
    for (const JobFile& f : kJobFiles) {
        if (!writtenOn(f, route) || (f.id == JobFileId::GhostBat && !ghostBat)) continue;
        r.wrote.push_back(f.name);
        if (found[f.id].present && !found[f.id].ours && f.setAsideAs) r.aside.push_back(f.name);
    }
    return r;
}

// The order the job writes its files in: the boot image, which carries the
// job's token, first, so that it proves the record before any file of the
// user's is set aside; then the table's order.
std::vector<const JobFile*> writingOrder() {
    std::vector<const JobFile*> order{&jobFile(JobFileId::BootImage)};
    for (const JobFile& f : kJobFiles)
        if (f.id != JobFileId::BootImage) order.push_back(&f);
    return order;
}

// Each file of the table with this job's content, written whole; `bat` is
// the job's ghost.bat, none when no mode was chosen.
Result writeFiles(Machine& p, const JobRequest& job, const std::optional<Text>& bat, const JobRecord& record,
                  const JobFilesFound& found, JobTrail& trail) {
    const std::optional<Text> own = customGhostPath(job);
    const auto payload = [&p](const char* path, Payload what) {
        return std::function<SysResult()>([&p, path, what] { return payloads::writePayloadWhole(p, path, what); });
    };
    for (const JobFile* each : writingOrder()) {
        const JobFile& f = *each;
        if (!writtenOn(f, record.route)) continue;
        std::function<SysResult()> write;
        Problem failure{Code::WriteFailed, {f.path}};
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
                    failure = {Code::CopyCustomGhostFailed, {*own}};
                } else {
                    write = payload(f.path, Payload::GhostDos);
                }
                break;
            case JobFileId::BootImage:
                write = [&] { return payloads::writeDosImage(p, f.path, record.token); };
                break;
        }
        if (Result r = placeJobFile(p, f, found, trail, write, failure); !r) return r;
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

    Result check(Machine& p) { return route == BootRoute::BootIni ? menu.check() : bcd::ready(p); }

    // An earlier job of ours that has not run: a job's entry in boot.ini, or
    // a record of a job that changed boot.ini (its entry may be gone while
    // other lines of it stay), or entries of ours in the store. A problem
    // only when the store cannot be read.
    Result earlierJob(Machine& p, const JobFilesFound& jobs, bool& found) {
        if (route == BootRoute::BootIni) {
            found = menu.isRedirected() || (jobs.record && !jobs.record->menu.changes.empty());
            return {};
        }
        std::vector<Text> entries;
        if (Result r = bcd::findEntries(p, entries); !r) return r;
        found = !entries.empty();
        return {};
    }

    // Points the boot away from an earlier job's loader, nothing else: on
    // failure that job is as it was. `earlier` is that job's record.
    Result off(Machine& p, const std::optional<JobRecord>& earlier) {
        if (route == BootRoute::BootIni)
            return BootMenu(p).takeOut(earlier ? std::optional<MenuMemo>(earlier->menu) : std::nullopt);
        int removed = 0;
        return bcd::removeOurEntries(p, removed);
    }

    Result on(Machine& p) {
        pointed = true;
        if (route == BootRoute::BootIni) return menu.redirect();
        // addEntry takes its own entry back when any of its calls fails.
        return bcd::addEntry(p).result();
    }

    // Points the boot away from the loader again; `stillStarts` says whether
    // it may still start the loader afterwards: a line of the menu names it,
    // and no loader of the user's comes back to its name.
    void takeBack(bool& stillStarts, Failures& failures, bool usersLoaderBack) {
        stillStarts = false;
        if (!pointed || route == BootRoute::BootStore) return;
        if (Result r = menu.takeBack(); !r) failures.push_back(r.problem());
        stillStarts = menu.namesLoader() && !usersLoaderBack;
    }
};

// The job failed: everything goes back in the reverse order, the boot
// first, the files after, the record last, and the problem tells what
// failed and whether going back worked.
Problem takeBack(Machine& p, BootSwitch& boot, const JobTrail& trail, const Problem& failure, bool earlierUndone) {
    bool stillStarts = false;
    Failures problems;
    bool usersLoaderBack = false;
    for (const JobFile* f : trail.setAside) usersLoaderBack = usersLoaderBack || f->id == JobFileId::Loader;
    boot.takeBack(stillStarts, problems, usersLoaderBack);
    takeBackJobFiles(p, trail, false, problems);
    // While the boot still starts the loader, the loader stays: the machine must boot.
    if (!stillStarts) takeBackJobFiles(p, trail, true, problems);
    if (!stillStarts) removeRecords(p, findJobFiles(p), problems);

    if (problems.empty()) return around(earlierUndone ? Code::TakenBackEarlierToo : Code::TakenBack, {failure});
    return around(earlierUndone ? Code::TakenBackEarlierTooWithErrors : Code::TakenBackWithErrors,
                  {failure, around(Code::Several, std::move(problems))});
}

Prepared refused(const Problem& why) { return {false, why, {}, {}}; }

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
    Result why = routeRefusal(p);
    if (why) why = boot.check(p);
    if (why) why = partitions.refusal;
    if (why) why = jobRefusal(p, job, plan);
    JobFilesFound found = findJobFiles(p);
    if (why) why = jobFilesRefusal(p, found, route, outcomePath);
    if (!why) return refused(why.problem());
    if (!backupGoesOn(p, questions, job)) return {};
    if (payloads::isDemoBuild(route == BootRoute::BootStore) && !demoBuildGoesOn(questions, agreed)) return {};

    // An earlier job of ours that has not run gives way first, whole, the
    // way undo takes it back: this job is prepared on a machine that starts
    // Windows, and only its own files are on the disk.
    bool earlier = false;
    if (Result r = boot.earlierJob(p, found, earlier); !r) return refused(r.problem());
    if (earlier) {
        if (Result r = boot.off(p, found.record); !r) return refused(around(Code::EarlierJobStays, {r.problem()}));
        if (Result u = undoJob(p).account(); !u) return refused(around(Code::EarlierJobPartlyUndone, {u.problem()}));
        found = findJobFiles(p);
        Result again = jobFilesRefusal(p, found, route, outcomePath);
        if (again) again = boot.check(p);  // the menu without the earlier job's lines
        if (!again) return refused(around(Code::EarlierJobUndoneThen, {again.problem()}));
    }
    // What the job changes in boot.ini is in its record before the menu changes.
    if (route == BootRoute::BootIni && !boot.menu.memo()) return refused(Problem{Code::MenuStillRedirected});

    // The token is kept on this machine first: from then on a record with it
    // is this machine's. Then the record, every file, the outcome copy, each
    // whole; the boot is pointed at the loader last.
    JobTrail trail;
    const std::optional<Text> bat = plan.batText();
    const JobRecord record = recordOf(p, job, plan, route, found, bat.has_value(), boot.menu.memo());
    if (Result r = keepToken(p, record.token); !r) return refused(r.problem());
    Result done;
    if (const SysResult r = p.writeFileWhole(kJobRecord, {bytesOf(recordText(record))}); !r)
        done = stepFailed(Code::WriteFailed, {kJobRecord}, r);
    if (done) done = writeFiles(p, job, bat, record, found, trail);
    if (done && !outcomePath.empty()) {
        JobRecord outcome = record;
        outcome.outcomeCopy = true;
        // An outcome of an earlier job there was shown before this job began.
        (void)setProtection(p, outcomePath, 0);
        if (const SysResult r = p.writeFileWhole(outcomePath, {bytesOf(recordText(outcome))}); !r)
            done = stepFailed(Code::WriteOutcomeFailed, {outcomePath}, r);
    }
    if (done) done = boot.on(p);
    if (done) return {true, {}, boot.menu.notice(), {}};
    return refused(takeBack(p, boot, trail, done.problem(), earlier));
}

}  // namespace

Prepared prepareJob(Machine& p, Questions& questions, const JobRequest& job, Agreed& agreed) {
    const PartitionCheck partitions = checkPartitions(p, job);
    const GhostPlan plan = planGhost(job, partitions.target, partitions.image);
    Prepared result = prepareWith(p, questions, job, agreed, partitions, plan);
    result.plan = plan;
    return result;
}

}  // namespace trivex::job
