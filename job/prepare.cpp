#include "job/prepare.h"

#include <algorithm>
#include <vector>

#include "job/boot_menu.h"
#include "job/boot_store.h"
#include "job/checks.h"
#include "job/files.h"
#include "job/job_files.h"
#include "job/ownership.h"
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
    r.machine = machineMarks(p);
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
            case JobFileId::Loader:
            case JobFileId::StoreLoader: write = payload(f.path, Payload::Loader); break;
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
    // The store route: the job's entry, whether it may still start the loader
    // after a failed take-back, and the one-time boot the user had set.
    Text entry;
    bool entryMayStart = false;
    std::vector<Text> userSequence;

    BootSwitch(Machine& p, BootRoute r) : route(r), menu(p) {}

    Result check(Machine& p) { return route == BootRoute::BootIni ? menu.check() : bcd::ready(p); }

    // An earlier job of ours that has not run: a job's entry in boot.ini, or
    // a record of a job that changed boot.ini (its entry may be gone while
    // other lines of it stay), or an entry that the job's record names in the
    // store. A problem only when the store cannot be read.
    Result earlierJob(Machine& p, const JobFilesFound& found, bool& earlier) {
        if (route == BootRoute::BootIni) {
            earlier = menu.isRedirected() || (found.record && !found.record->menu.changes.empty());
            return {};
        }
        const Expected<bcd::StoreState> state = bcd::readStore(p);
        if (!state) return state.result();
        earlier = found.record && std::any_of(found.record->entries.begin(), found.record->entries.end(),
                                              [&](const Text& id) { return state->holds(id); });
        userSequence = state->sequence;
        return {};
    }

    // Points the boot away from an earlier job's loader, nothing else: on
    // failure that job is as it was. `earlier` is that job's record (always
    // there on the store route, where only a record names an entry).
    Result off(Machine& p, const std::optional<JobRecord>& earlier) {
        if (route == BootRoute::BootIni)
            return BootMenu(p).takeOut(earlier ? std::optional<MenuMemo>(earlier->menu) : std::nullopt);
        if (!earlier) return {};
        int removed = 0;
        if (Result r = bcd::removeEntries(p, earlier->entries, removed); !r) return r;
        return bcd::restoreSequence(p, earlier->sequence);
    }

    // The store after an earlier job gave way: the one-time boot the user has.
    Result readUserSequence(Machine& p) {
        if (route == BootRoute::BootIni) return {};
        const Expected<bcd::StoreState> state = bcd::readStore(p);
        if (!state) return state.result();
        userSequence = state->sequence;
        return {};
    }

    Result on(Machine& p) {
        pointed = true;
        if (route == BootRoute::BootIni) return menu.redirect();
        // addEntry takes its own entry back when any of its calls fails.
        return bcd::addEntry(p, entry, entryMayStart);
    }

    // Points the boot away from the loader again; `stillStarts` says whether
    // it may still start the loader afterwards: on the boot.ini route, a
    // line of the menu names it, unless the job's lines are out and a loader
    // of the user's comes back to its name.
    void takeBack(Machine& p, bool& stillStarts, Failures& failures, bool usersLoaderBack) {
        stillStarts = false;
        if (!pointed) return;
        if (route == BootRoute::BootStore) {
            // The entry replaced the user's one-time boot: it comes back.
            if (Result r = bcd::restoreSequence(p, userSequence); !r)
                failures.push_back(around(Code::SequenceNotPutBack, {r.problem()}, {identifiers(userSequence)}));
            stillStarts = entryMayStart;
            return;
        }
        if (Result r = menu.takeBack(); !r) failures.push_back(r.problem());
        stillStarts = menu.namesLoader() && (menu.isRedirected() || !usersLoaderBack);
    }

    // What the user should know of a job prepared: a boot.bak of the user's
    // set aside, a one-time boot of the user's that the job's entry replaced.
    std::optional<Problem> notice() const {
        std::vector<Problem> told;
        if (menu.notice()) told.push_back(*menu.notice());
        if (!userSequence.empty()) told.push_back({Code::UserSequenceKept, {identifiers(userSequence)}});
        if (told.empty()) return {};
        if (told.size() == 1) return told[0];
        return around(Code::Lines, std::move(told));
    }

    static Text identifiers(const std::vector<Text>& ids) {
        Text all;
        for (const Text& id : ids) all += (all.empty() ? "" : " ") + id;
        return all;
    }
};

// The job failed: everything goes back in the reverse order, the boot
// first, the files after, the record last, and the problem tells what
// failed and whether going back worked. Only the files of this job go: the
// boot image and the records when they carry its token.
Problem takeBack(Machine& p, BootSwitch& boot, const JobTrail& trail, const Text& token, const Problem& failure,
                 bool earlierUndone) {
    bool stillStarts = false;
    Failures problems;
    bool usersLoaderBack = false;
    for (const JobFile* f : trail.setAside) usersLoaderBack = usersLoaderBack || f->id == JobFileId::Loader;
    boot.takeBack(p, stillStarts, problems, usersLoaderBack);
    takeBackJobFiles(p, trail, false, token, problems);
    // While the boot may still start the loader, the loader and the record
    // stay, as undo keeps them: the machine must boot, and undo finds the job.
    if (!stillStarts) takeBackJobFiles(p, trail, true, token, problems);
    if (!stillStarts) {
        JobFilesFound found = findJobFiles(p);
        if (found.record && found.record->token != token) found.record.reset();
        removeRecords(p, found, problems);
    }

    Problem told = problems.empty()
                       ? around(earlierUndone ? Code::TakenBackEarlierToo : Code::TakenBack, {failure})
                       : around(earlierUndone ? Code::TakenBackEarlierTooWithErrors : Code::TakenBackWithErrors,
                                {failure, around(Code::Several, std::move(problems))});
    if (stillStarts && boot.route == BootRoute::BootStore) return around(Code::InTurn, {told, {Code::LoaderKeptAfterTakeBack}});
    return told;
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
    if (why) why = partitions.encryption;
    if (why) why = partitions.dosRefusal;
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
        if (Result r = boot.readUserSequence(p); !r) return refused(r.problem());
        found = findJobFiles(p);
        Result again = jobFilesRefusal(p, found, route, outcomePath);
        if (again) again = boot.check(p);  // the menu without the earlier job's lines
        if (!again) return refused(around(Code::EarlierJobUndoneThen, {again.problem()}));
    }
    // What the job changes in boot.ini is in its record before the menu changes.
    if (route == BootRoute::BootIni && !boot.menu.memo()) return refused(Problem{Code::MenuStillRedirected});

    // The token is kept on this machine first: from then on a record with it
    // is this machine's. Then the record, every file, the outcome copy, each
    // whole; the boot is pointed at the loader last. On the store route the
    // record names the entry before it is made, and the one-time boot it
    // replaces.
    JobTrail trail;
    const std::optional<Text> bat = plan.batText();
    JobRecord record = recordOf(p, job, plan, route, found, bat.has_value(), boot.menu.memo());
    if (route == BootRoute::BootStore) {
        boot.entry = bcd::newIdentifier(p);
        record.entries = {boot.entry};
        record.sequence = boot.userSequence;
    }
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
    if (!done) return refused(takeBack(p, boot, trail, record.token, done.problem(), earlier));
    if (route == BootRoute::BootStore) {
        // From now on an entry that is not the one-time boot was used up by a
        // restart (the next start tells that from a job cut short). The job is
        // whole without this line: a failure to add it changes nothing else.
        record.pointed = true;
        (void)p.writeFileWhole(kJobRecord, {bytesOf(recordText(record))});
    }
    // What could not be checked in Windows comes with what else the user should know.
    std::optional<Problem> notice = boot.notice();
    if (partitions.note) notice = notice ? around(Code::Lines, {*notice, *partitions.note}) : *partitions.note;
    return {true, {}, notice, {}};
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
