#include "job/repair.h"

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
// or an entry of ours in the store. False with `known` false when the store
// cannot be asked.
bool bootPointsAtLoader(Machine& p, BootRoute route, bool& known) {
    known = true;
    if (route == BootRoute::BootIni) return BootMenu(p).isRedirected();
    std::vector<Text> entries, started;
    if (!bcd::ready(p) || !bcd::findEntries(p, entries, &started)) {
        known = false;
        return false;
    }
    return !started.empty();
}

bool oursAndThere(const JobFilesFound& found, JobFileId id) { return found[id].present && found[id].ours; }

// Everything the job's record lists is there and ours, with the record's token.
bool wholeAsRecorded(Machine& p, const JobFilesFound& found) {
    const JobRecord& r = *found.record;
    for (const JobFile& f : kJobFiles)
        if (r.wroteFile(f.name) && !oursAndThere(found, f.id)) return false;
    if (!found.imageCarries(r.token)) return false;
    if (r.image.empty()) return true;
    const std::optional<JobRecord> outcome = readOurRecord(p, outcomeRecordPath(r.image));
    return outcome && outcome->outcomeCopy && outcome->token == r.token;
}

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

// The DOS side renames the redirected boot.ini aside as bootini.job before
// boot.bak takes the name boot.ini: cut between the two, C: has no boot.ini.
// The saved menu takes the name, and the aside copy (ours by its text) goes.
// What was done, if anything; failures are added to `failures`.
std::optional<Problem> repairMenuAside(Machine& p, Failures& failures) {
    if (p.fileAttributes(kBootIniAside) < 0) return {};
    const std::optional<Text> aside = readWholeFile(p, kBootIniAside);
    if (!aside || !isRedirectedMenu(*aside)) return {};
    std::optional<Problem> done;
    if (p.fileAttributes(kBootIni) < 0 && p.fileAttributes(kBootBak) >= 0) {
        if (const SysResult r = p.renameFile(kBootBak, kBootIni); r) done = Problem{Code::MenuCutRepaired};
        else failures.push_back(stepFailed(Code::RenameBackFailed, {kBootBak, kBootIni}, r));
    }
    if (p.fileAttributes(kBootIni) >= 0) (void)removeFile(p, kBootIniAside, failures);
    return done;
}

}  // namespace

std::optional<Problem> repairCutJob(Machine& p) {
    Failures failures;
    const std::optional<Problem> menuDone = repairMenuAside(p, failures);
    const JobFilesFound found = findJobFiles(p);
    const BootRoute route = found.record ? found.record->route : bootRouteOf(p);
    bool known = true;
    const bool pointed = bootPointsAtLoader(p, route, known);
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
