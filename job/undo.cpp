#include "job/undo.h"

#include <vector>

#include "job/boot_menu.h"
#include "job/boot_store.h"
#include "job/job_files.h"
#include "job/record.h"
#include "job/route.h"

namespace trivex::job {

namespace {

// The store route's half: every entry of ours goes; the loader stays while
// one may be left.
void removeEntries(Machine& p, Undone& u) {
    int removed = 0;
    Result r = bcd::ready(p);
    if (r) r = bcd::removeOurEntries(p, removed);
    if (r) return;
    u.failures.push_back(r.problem());
    u.loaderKept = Problem{Code::LoaderKeptForStore};
}

}  // namespace

Result Undone::account() const {
    std::vector<Problem> told;
    if (!failures.empty()) told.push_back(around(Code::UndoErrors, {around(Code::Several, failures)}));
    if (loaderKept) told.push_back(*loaderKept);
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
        removeEntries(p, u);
    }
    removeJobFiles(p, found, u.loaderKept.has_value(), u.failures);
    // The record goes last, and stays while the loader does, or while the
    // job's lines are still in the menu: it still describes what is on the
    // disk, and which lines are the job's.
    if (!u.loaderKept && !menuStays) removeRecords(p, found, u.failures);
    return u;
}

}  // namespace trivex::job
