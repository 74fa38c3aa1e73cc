#include "job/repair.h"

#include <algorithm>
#include <vector>

#include "job/boot_menu.h"
#include "job/boot_store.h"
#include "job/files.h"
#include "job/job_files.h"
#include "job/record.h"
#include "job/undo.h"
#include "platform/files.h"

namespace trivex::job {

namespace {

// Whether the boot starts the loader at the next start: boot.ini redirected,
// or an entry the job's record names is the store's one-time boot. False
// with `known` false when the store cannot be asked.
bool bootPointsAtLoader(Machine& p, BootRoute route, const std::optional<JobRecord>& record, bool& known) {
    known = true;
    if (route == BootRoute::BootIni) return BootMenu(p).isRedirected();
    const Expected<bcd::StoreState> state = bcd::ready(p) ? bcd::readStore(p) : Expected<bcd::StoreState>(Problem{});
    if (!state) {
        known = false;
        return false;
    }
    return record && std::any_of(record->entries.begin(), record->entries.end(),
                                 [&](const Text& id) { return state->starts(id); });
}

// What the outcome copy of a job whose entry a restart used up says: nothing
// from the DOS side (had it said something, the last job's account would have
// taken the job back), or it is not there.
Problem outcomeSays(Machine& p, const JobRecord& r) {
    if (r.image.empty()) return {Code::NoOutcomeForManual};
    const Text path = outcomeRecordPath(r.image);
    const std::optional<JobRecord> outcome = readRecord(p, path);
    if (outcome && outcome->outcomeCopy && outcome->token == r.token) return {Code::OutcomeSaysNothing, {path}};
    return {Code::OutcomeRecordMissing, {path}};
}

bool oursAndThere(const JobFilesFound& found, JobFileId id) { return found[id].present && found[id].ours; }

// A job of an earlier version of the program, which kept no record.
bool wholeWithoutRecord(const JobFilesFound& found, BootRoute route) {
    for (const JobFile& f : kJobFiles)
        if (writtenOn(f, route) && f.id != JobFileId::GhostExe && !oursAndThere(found, f.id)) return false;
    return found[JobFileId::GhostExe].present;
}

// The paths of the job's files of ours that are there, and its record.
Problem namesOfOurs(const JobFilesFound& found) {
    Problem names{Code::FileNames};
    for (const JobFile& f : kJobFiles)
        if (oursAndThere(found, f.id)) names.args.push_back(f.path);
    if (found.record) names.args.push_back(kJobRecord);
    return names;
}

// The DOS side writes boot.ini without the job's lines as bootini.new,
// renames boot.ini aside as bootini.job, gives bootini.new the name boot.ini
// and deletes bootini.job: cut between the renames, C: has no boot.ini. The
// menu without the job's lines takes the name (bootini.new when it is that
// menu, else written here with the attributes the job's menu had; without
// the job's memo, the job's menu itself, which the undo that follows reads),
// and the copies of ours go: the job's menu aside once boot.ini is there,
// and a bootini.new that is the job's menu without the job's lines. What
// was done, if anything; failures are added to `failures`.
std::optional<Problem> repairMenuAside(Machine& p, const std::optional<MenuMemo>& memo, Failures& failures) {
    std::optional<Text> aside;
    if (p.fileAttributes(kBootIniAside) >= 0) aside = readWholeFile(p, kBootIniAside);
    if (aside && !holdsJobEntry(*aside)) aside.reset();  // not ours
    const auto withoutOurs = [&memo](const Text& menu) -> std::optional<Text> {
        if (!memo) return std::nullopt;
        MenuTakeOut taken = takeOutLines(menu, *memo);
        if (taken.what != MenuTaken::Edited) return std::nullopt;
        return std::move(taken.menu);
    };
    std::optional<Problem> done;
    if (aside && p.fileAttributes(kBootIni) < 0) {
        const std::optional<Text> menu = withoutOurs(*aside), fresh = readWholeFile(p, kBootIniNew);
        SysResult r;
        Problem failed{Code::RenameBackFailed, {kBootIniAside, kBootIni}};
        if (menu && fresh && *fresh == *menu) {
            r = p.renameFile(kBootIniNew, kBootIni);
            failed.args = {kBootIniNew, kBootIni};
        } else if (menu) {
            r = p.writeFileWhole(kBootIni, {bytesOf(*menu)});
            const int64_t a = p.fileAttributes(kBootIniAside);
            if (r) r = setProtection(p, kBootIni, a < 0 ? 0u : static_cast<uint32_t>(a) & kProtection);
            failed = {Code::WriteFailed, {kBootIni}};
        } else {
            r = p.renameFile(kBootIniAside, kBootIni);
        }
        if (r) done = Problem{Code::MenuCutRepaired};
        else failures.push_back(stepFailed(failed.code, failed.args, r));
    }
    if (aside && p.fileAttributes(kBootIni) >= 0 && p.fileAttributes(kBootIniAside) >= 0)
        (void)removeFile(p, kBootIniAside, failures);
    if (p.fileAttributes(kBootIniNew) >= 0) {
        const std::optional<Text> fresh = readWholeFile(p, kBootIniNew), now = readWholeFile(p, kBootIni);
        const std::optional<Text> menu = now ? withoutOurs(*now) : std::nullopt;
        if (fresh && menu && *fresh == *menu) (void)removeFile(p, kBootIniNew, failures);
    }
    return done;
}

}  // namespace

std::optional<Problem> repairCutJob(Machine& p) {
    Failures failures;
    const JobFilesFound found = findJobFiles(p);
    const std::optional<MenuMemo> memo = found.record ? std::optional<MenuMemo>(found.record->menu) : std::nullopt;
    const std::optional<Problem> menuDone = repairMenuAside(p, memo, failures);
    const BootRoute route = found.record ? found.record->route : bootRouteOf(p);
    bool known = true;
    const bool pointed = bootPointsAtLoader(p, route, found.record, known);
    if (!known) return {};
    const bool temporary = !ourTemporaries(p, found).empty();
    bool asideLeft = false;
    if (found.record)
        for (const JobFile& f : kJobFiles)
            asideLeft = asideLeft || (found.record->setAside(f.name) && f.setAsideAs && p.fileAttributes(f.setAsideAs) >= 0);

    if (pointed && (found.record ? wholeAsRecorded(p, found) : wholeWithoutRecord(found, route))) return {};
    const bool anything = found.anyOurs() || temporary || asideLeft;
    // The store's entry of a job that ran, with nothing of the job left, is
    // no cut: removeStaleEntries removes it without a word.
    if (!anything && !pointed) {
        if (!menuDone && failures.empty()) return {};
        if (failures.empty()) return around(Code::DosMenuCut, {*menuDone});
        const Problem failed = around(Code::Several, failures);
        if (!menuDone) return around(Code::DosMenuCutFailed, {failed});
        return around(Code::DosMenuCutWithErrors, {*menuDone, failed});
    }

    // The job's entry was the one-time boot, and is no more: a restart used it
    // and the DOS side did not run the job. That is no cut: it is told as it is.
    if (!pointed && found.record && route == BootRoute::BootStore && found.record->pointed) {
        const Problem usedUp = around(Code::EntryUsedUp, {outcomeSays(p, *found.record)});
        const Undone u = undoJob(p);
        failures.insert(failures.end(), u.failures.begin(), u.failures.end());
        if (failures.empty() && !u.loaderKept) return usedUp;
        Problem told{Code::InTurn, {}, 0, {usedUp}};
        if (!failures.empty()) told.parts.push_back(around(Code::TakeBackErrors, {around(Code::Several, failures)}));
        if (u.loaderKept) told.parts.push_back(*u.loaderKept);
        return told;
    }

    Problem what{Code::InTurn};
    what.parts.push_back({!pointed ? Code::JobCutFiles : route == BootRoute::BootIni ? Code::JobCutMenu : Code::JobCutStore});
    if (const Problem names = namesOfOurs(found); !names.args.empty()) what.parts.push_back(names);
    if (menuDone) what.parts.push_back(around(Code::Also, {*menuDone}));

    // Undo removes the temporary files of ours with the record.
    const Undone u = undoJob(p);
    failures.insert(failures.end(), u.failures.begin(), u.failures.end());
    if (failures.empty() && !u.loaderKept) return around(Code::JobCutRepaired, {what});
    Problem stayed{Code::InTurn};
    if (!failures.empty()) stayed.parts.push_back(around(Code::TakeBackErrors, {around(Code::Several, failures)}));
    if (u.loaderKept) stayed.parts.push_back(*u.loaderKept);
    return around(Code::JobCutPartly, {what, stayed});
}

}  // namespace trivex::job
