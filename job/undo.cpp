#include "job/undo.h"

#include <algorithm>
#include <vector>

#include "job/boot_menu.h"
#include "job/boot_store.h"
#include "job/job_files.h"
#include "job/record.h"
#include "job/route.h"

namespace trivex::job {

namespace {

Text listed(const std::vector<Text>& ids) {
    Text all;
    for (const Text& id : ids) all += (all.empty() ? "" : " ") + id;
    return all;
}

// The store route's half: the entries the job's record names go, and the
// one-time boot they replaced comes back; the loader stays while one of
// them may be left. Entries merely described like ours stay, and are told.
void undoEntries(Machine& p, const std::optional<JobRecord>& record, Undone& u) {
    Result r = bcd::ready(p);
    Expected<bcd::StoreState> state = r ? bcd::readStore(p) : Expected<bcd::StoreState>(r.problem());
    if (!state) {
        u.failures.push_back(state.problem());
        u.loaderKept = Problem{Code::LoaderKeptForStore};
        return;
    }
    std::vector<Text> ours, others;
    for (const Text& id : state->described) {
        const bool recorded = record && std::any_of(record->entries.begin(), record->entries.end(),
                                                    [&](const Text& e) { return bcd::sameIdentifier(e, id); });
        (recorded ? ours : others).push_back(id);
    }
    // A recorded entry need not be described as ours any more to be ours.
    if (record)
        for (const Text& id : record->entries)
            if (state->holds(id) && std::find(ours.begin(), ours.end(), id) == ours.end()) ours.push_back(id);
    int removed = 0;
    if (Result gone = bcd::removeEntries(p, ours, removed); !gone) {
        u.failures.push_back(gone.problem());
        u.loaderKept = Problem{Code::LoaderKeptForStore};
    }
    if (record)
        if (Result back = bcd::restoreSequence(p, record->sequence); !back)
            u.failures.push_back(around(Code::SequenceNotPutBack, {back.problem()}, {listed(record->sequence)}));
    if (!others.empty()) u.notice = Problem{Code::EntriesLookLikeOurs, {listed(others)}};
}

}  // namespace

Result Undone::account() const {
    std::vector<Problem> told;
    if (!failures.empty()) told.push_back(around(Code::UndoErrors, {around(Code::Several, failures)}));
    if (loaderKept) told.push_back(*loaderKept);
    if (notice) told.push_back(*notice);
    if (told.empty()) return {};
    return around(Code::InTurn, std::move(told));
}

Undone undoJob(Machine& p) {
    // What is ours is decided before anything changes: a Ghost of the user's
    // own is known by the job around it.
    const JobFilesFound found = findJobFiles(p);
    Undone u;
    const BootRoute route = found.record ? found.record->route : bootRouteOf(p);
    bool menuStays = false;
    if (route == BootRoute::BootIni) {
        // The job's lines go, as the record lists them; the user's stay.
        BootMenu menu(p);
        const std::optional<MenuMemo> memo = found.record ? std::optional<MenuMemo>(found.record->menu) : std::nullopt;
        if (Result r = menu.takeOut(memo); !r) u.failures.push_back(r.problem());
        menuStays = menu.isRedirected();
        // The loader stays while a line of the menu names it, unless the
        // job's lines are out and the user's own loader, set aside by the
        // job, takes its name again (a line of the user's named it before).
        const bool usersLoaderBack = found.record && found.record->setAside(handoff::kLoaderName) &&
                                     p.fileAttributes(jobFile(JobFileId::Loader).setAsideAs) >= 0;
        if (found[JobFileId::Loader].ours && menu.namesLoader() && (menuStays || !usersLoaderBack))
            u.loaderKept = Problem{Code::LoaderKeptForMenu};
    } else {
        undoEntries(p, found.record, u);
    }
    removeJobFiles(p, found, u.loaderKept.has_value(), u.failures);
    // The record goes last, and stays while the loader does, or while the
    // job's lines are still in the menu: it still describes what is on the
    // disk, and which lines are the job's.
    if (!u.loaderKept && !menuStays) removeRecords(p, found, u.failures);
    return u;
}

}  // namespace trivex::job
