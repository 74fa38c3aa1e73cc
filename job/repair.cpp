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
    Text refusal, failure;
    std::vector<Text> entries, started;
    if (!bcd::ready(p, refusal) || !bcd::findEntries(p, entries, failure, &started)) {
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
    const std::optional<JobRecord> outcome = readRecord(p, outcomeRecordPath(r.image));
    return outcome && outcome->outcomeCopy && outcome->token == r.token;
}

// A job of an earlier version of the program, which kept no record.
bool wholeWithoutRecord(const JobFilesFound& found, BootRoute route) {
    for (const JobFile& f : kJobFiles)
        if (writtenOn(f, route) && f.id != JobFileId::GhostExe && !oursAndThere(found, f.id)) return false;
    return found[JobFileId::GhostExe].present;
}

Text namesOfOurs(const JobFilesFound& found) {
    Text names;
    for (const JobFile& f : kJobFiles)
        if (oursAndThere(found, f.id)) names += (names.empty() ? "" : "、") + Text(f.path);
    if (found.record) names += (names.empty() ? "" : "、") + Text(kJobRecord);
    return names;
}

// The DOS side renames the redirected boot.ini aside as bootini.job before
// boot.bak takes the name boot.ini: cut between the two, C: has no boot.ini.
// The saved menu takes the name, and the aside copy (ours by its text) goes.
// Empty when there was nothing to do; else what was done, for the user.
Text repairMenuAside(Machine& p, Text& failures) {
    if (p.fileAttributes(kBootIniAside) < 0) return {};
    const std::optional<Text> aside = readWholeFile(p, kBootIniAside);
    if (!aside || !isRedirectedMenu(*aside)) return {};
    Text done;
    if (p.fileAttributes(kBootIni) < 0 && p.fileAttributes(kBootBak) >= 0) {
        if (p.renameFile(kBootBak, kBootIni)) done = "C:\\boot.ini 不见了，已把保存的启动菜单 C:\\boot.bak 改回 C:\\boot.ini";
        else addFailure(failures, "把 C:\\boot.bak 改回 C:\\boot.ini 失败");
    }
    if (p.fileAttributes(kBootIni) >= 0) {
        (void)setProtection(p, kBootIniAside, 0);  // the delete tells whether it mattered
        if (!p.deleteFile(kBootIniAside)) addFailure(failures, Text("删除 ") + kBootIniAside + " 失败");
    }
    return done;
}

}  // namespace

Text repairCutJob(Machine& p) {
    Text menuFailures;
    const Text menuDone = repairMenuAside(p, menuFailures);
    const JobFilesFound found = findJobFiles(p);
    const BootRoute route = found.record ? found.record->route : bootRouteOf(p);
    bool known = true;
    const bool pointed = bootPointsAtLoader(p, route, known);
    if (!known) return {};
    const bool temporary = p.fileAttributes(temporaryBeside(kJobRecord)) >= 0;
    bool asideLeft = false;
    if (found.record)
        for (const JobFile& f : kJobFiles)
            asideLeft = asideLeft || (found.record->setAside(f.name) && f.setAsideAs && p.fileAttributes(f.setAsideAs) >= 0);

    if (pointed && (found.record ? wholeAsRecorded(p, found) : wholeWithoutRecord(found, route))) return {};
    const bool anything = found.anyOurs() || temporary || asideLeft;
    // The store's entry of a job that ran, with nothing of the job left, is
    // no cut: removeStaleEntries removes it without a word.
    if (!anything && !pointed) {
        if (menuDone.empty() && menuFailures.empty()) return {};
        Text message = "Trivex 上次的任务在 DOS 下恢复启动菜单时被中断：" + menuDone + "。";
        if (!menuFailures.empty()) message += "出错：" + menuFailures + "。请检查 C:\\boot.ini。";
        return message;
    }

    Text what;
    if (pointed) {
        what = route == BootRoute::BootIni ? "启动菜单 C:\\boot.ini 仍指向 Ghost 任务，但任务的文件不完整"
                                           : "启动配置中仍有 Ghost 任务的启动项，但任务的文件不完整";
    } else {
        what = "任务的文件还在，但下次启动不会运行它们";
    }
    if (const Text names = namesOfOurs(found); !names.empty()) what += "（" + names + "）";

    const Undone u = undoJob(p);
    Text failures = menuFailures;
    addFailure(failures, u.failures);
    if (!menuDone.empty()) what += "；" + menuDone;
    if (u.loaderKept.empty() && p.fileAttributes(temporaryBeside(kJobRecord)) >= 0 &&
        !p.deleteFile(temporaryBeside(kJobRecord)))
        addFailure(failures, Text("删除 ") + temporaryBeside(kJobRecord) + " 失败");
    Text message = "Trivex 上次准备或撤销 Ghost 任务时被中断（程序被关闭或断电）：" + what + "。";
    if (failures.empty() && u.loaderKept.empty())
        return message + "已把这个不完整的任务撤回：启动菜单和您的文件都已恢复，计算机会正常启动 Windows。"
                         "如果还要备份或还原，请重新准备任务。";
    Text problems;
    if (!failures.empty()) problems = "撤回时出错：" + failures + "。";
    return message + problems + u.loaderKept;
}

}  // namespace trivex::job
