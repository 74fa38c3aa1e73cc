#include "job/checks.h"

#include "job/files.h"
#include "platform/files.h"
#include "platform/text.h"

namespace trivex::job {

namespace {

constexpr unsigned kMbOkCancel = 1;

// "X:\...\name": a drive, the root and a name after the last backslash.
bool isFullFilePath(const Text& path) {
    return path.size() > 3 && path[1] == ':' && path[2] == '\\' && path.back() != '\\';
}

bool folderExists(Platform& p, const Text& filePath) {
    const int64_t cut = text::findBackwards(filePath, "\\");
    if (cut < 1) return false;
    const int64_t a = p.fileAttributes(text::left(filePath, cut));
    return a >= 0 && (a & kAttrDirectory);
}

bool equalIgnoringCase(const Text& a, const Text& b) { return a.size() == b.size() && text::find(a, b, 1, true) == 1; }

// The image and the partitions, for a job whose ghost.bat runs a command line.
Text imageRefusal(Platform& p, const JobDescription& job, const CommandValues& v) {
    const Text& path = job.imagePath;
    if (v.systemPartition == 0) return "所选分区无法对应到 Ghost 的分区号（只支持 C 到 G 盘），请重新选择分区。";
    if (v.imagePartition == 0 || !isFullFilePath(path))
        return "映像文件路径无效，或不在 C 到 G 盘上，请重新选择映像文件。";
    if (v.imagePartition == v.systemPartition) return "映像文件不能放在要备份或还原的分区上，请换一个分区存放映像。";
    if (job.kind() == JobKind::Restore && !isFile(p, path)) return "映像文件不存在，请重新选择映像文件。";
    if (job.kind() == JobKind::Backup) {
        if (!folderExists(p, path)) return "保存映像的文件夹不存在，请重新选择保存位置。";
        if (p.fileAttributes(path) >= 0 && !isFile(p, path)) return "映像文件路径是一个文件夹，请重新选择保存位置。";
    }
    return {};
}

}  // namespace

std::optional<Text> customGhostPath(const JobDescription& job) {
    if (!job.customGhost || text::find(job.customGhostPath, "ghost.exe", 1, true) < 1) return std::nullopt;
    return job.customGhostPath;
}

bool isJobGhostExe(Platform& p, const Text& path) {
    const Text full = p.fullPath(path);
    if (!full.empty() && equalIgnoringCase(full, p.fullPath(kGhostExe))) return true;
    return p.sameFile(path, kGhostExe);
}

Text jobRefusal(Platform& p, const JobDescription& job, const CommandValues& values) {
    const JobKind kind = job.kind();
    if (kind == JobKind::Restore || kind == JobKind::Backup) {
        const Text why = imageRefusal(p, job, values);
        if (!why.empty()) return why;
    }
    if (const std::optional<Text> own = customGhostPath(job); own && isJobGhostExe(p, *own))
        return "自定义的 Ghost 不能是 C:\\ghost.exe 本身，请把它放到别的文件夹后再选择。";
    return {};
}

bool demoBuildGoesOn(Platform& p) {
    const int answer = p.messageBox(
        "此版本带的是演示用的引导文件，重启后不会真正备份或还原。\r\n"
        "选择“确定”继续（之后可以撤销），选择“取消”返回。",
        kMbOkCancel, "信息：");
    return answer == kBtnOk;
}

}  // namespace trivex::job
