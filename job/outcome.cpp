#include "job/outcome.h"

#include <algorithm>

#include "job/checks.h"
#include "job/record.h"
#include "job/undo.h"
#include "platform/files.h"
#include "platform/text.h"

namespace trivex::job {

namespace {

// "2026年12月7日 18:43" of the record's "2026-12-07 18:43:30".
Text whenText(const Text& prepared) {
    const double date = recordDate(prepared);
    return date == kNoDate ? prepared : dateText(date);
}

Text codeText(int code) { return "代码 " + text::toText(static_cast<int32_t>(code)) + "：" + ghostCodeMeaning(code); }

// A backup's image must be there, be a Ghost image and be newer than the job.
Text backupImageProblem(Machine& p, const JobRecord& r) {
    if (p.fileAttributes(r.image) < 0) return "找不到映像文件 " + r.image;
    if (!isGhostImage(p, r.image)) return "映像文件 " + r.image + " 不是 Ghost 映像（没有 Ghost 映像的标志 FE EF）";
    const double prepared = recordDate(r.prepared);
    if (prepared != kNoDate && fileModTime(p, r.image) <= prepared)
        return "映像文件 " + r.image + " 在准备任务之后没有被写过";
    return {};
}

LastOutcome backupMade(Machine& p, const JobRecord& r, const Text& when) {
    return {"上次备份已完成" + when + "：" + r.image + "，" + imageMegabytes(p, r.image) + " MB。", {}};
}

LastOutcome describe(Machine& p, const JobRecord& r) {
    const Text when = "（" + whenText(r.prepared) + " 准备的任务）";
    const bool backup = r.kind == JobKind::Backup;
    const Text what = backup ? "备份" : "还原";
    const auto failed = [&](const Text& why) {
        const Text text = "上次" + what + "失败" + when + "：" + why;
        return LastOutcome{text, text};
    };
    switch (r.outcome) {
        case Outcome::NoMenu:
            return failed("DOS 下无法恢复启动菜单 C:\\boot.ini，Ghost 没有运行，什么也没有" + what + "。");
        case Outcome::NoRam:
            return failed("DOS 下无法建立内存盘 Z:，Ghost 没有运行，什么也没有" + what + "。");
        case Outcome::Found:
            return failed("DOS 下找到了任务，但在 Ghost 运行之前就停止了，什么也没有" + what + "。");
        case Outcome::Unrecorded:
            // The image's drive is NTFS: DOS could not write the outcome there.
            if (backup) {
                if (const Text problem = backupImageProblem(p, r); !problem.empty()) return failed(problem + "。");
                return backupMade(p, r, when);
            }
            return {"上次还原" + when + "已交给 Ghost 运行；映像所在的 NTFS 分区在 DOS 下无法记下结果，"
                    "请确认系统是否已还原。", {}};
        case Outcome::CheckFailed:
            return failed("映像文件 " + r.image + " 没有通过 Ghost 的完整性检查（Ghost 返回代码 " +
                          text::toText(static_cast<int32_t>(r.exitCode)) +
                          "），映像可能已损坏或无法读取。还原没有进行，系统分区没有被改动。");
        case Outcome::Exited:
            if (r.exitCode != 0) {
                if (backup)
                    return failed("Ghost 报告错误（" + codeText(r.exitCode) +
                                  "），没有生成可用的映像。常见原因：保存映像的盘空间不足或无法写入。");
                return failed("Ghost 报告错误（" + codeText(r.exitCode) +
                              "）。系统分区可能没有被完整还原；如果 Windows 运行不正常，请重新还原。"
                              "常见原因：映像文件损坏或无法读取，或分区无法写入。");
            }
            [[fallthrough]];
        case Outcome::Started:
            if (backup) {
                if (const Text problem = backupImageProblem(p, r); !problem.empty())
                    return failed("Ghost 没有报告错误，但" + problem + "。");
                return backupMade(p, r, when);
            }
            return {"上次还原已完成" + when + "：已用 " + r.image + " 还原系统分区，Ghost 没有报告错误。", {}};
        case Outcome::None:
            break;
    }
    // The job's files are gone from C:, yet the DOS side left no word here.
    if (backup && backupImageProblem(p, r).empty())
        return {"上次备份" + when + "没有留下结果记录，但映像文件 " + r.image + " 已写好（" + imageMegabytes(p, r.image) +
                    " MB）。",
                {}};
    return failed("DOS 下没有留下任何结果记录，无法确认" + what + "是否完成" +
                  (backup ? "；" + backupImageProblem(p, r) : Text()) + "。");
}

}  // namespace

Text ghostCodeMeaning(int code) {
    switch (code) {
        case 0: return "成功";
        case 1: return "操作被取消或中止";
        default: break;
    }
    return "Ghost 没有完成操作";
}

std::vector<LastOutcome> takeOutcomes(Machine& p, std::vector<Text>& shown) {
    const std::optional<JobRecord> waiting = readRecord(p, kJobRecord);
    struct Found {
        JobRecord record;
        Text path;
        bool onC;  // the job is still on C: (the DOS side did not run it)
    };
    std::vector<Found> found;
    for (char d = 'C'; d <= 'Z'; ++d) {
        const Text path = Text(1, d) + ":\\" + kRecordName;
        if (p.fileAttributes(path) < 0) continue;
        const std::optional<JobRecord> r = readRecord(p, path);
        if (!r || !r->outcomeCopy || r->kind == JobKind::Manual) continue;
        const bool onC = waiting && !waiting->outcomeCopy && waiting->token == r->token;
        if (onC && r->outcome == Outcome::None) continue;  // that job waits for its restart
        if (std::find(shown.begin(), shown.end(), r->token) != shown.end()) continue;
        found.push_back({*r, path, onC});
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.record.prepared < b.record.prepared; });
    std::vector<LastOutcome> out;
    for (const auto& [record, path, onC] : found) {
        LastOutcome o = describe(p, record);
        // The DOS side took the job and did not run it: what is left of it on
        // C: goes the way undo takes a job back.
        if (onC) {
            const Undone u = undoJob(p);
            const Text left = undoMessage(u);
            const Text said = left.empty() ? Text("任务留在 C 盘上的文件已撤回。") : "撤回任务留在 C 盘上的文件时：" + left;
            o.status += said;
            if (!o.failure.empty()) o.failure += "\r\n" + said;
        }
        out.push_back(o);
        shown.push_back(record.token);
        (void)setProtection(p, path, 0);
        (void)p.deleteFile(path);
    }
    return out;
}

}  // namespace trivex::job
