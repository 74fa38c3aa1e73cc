#include "job/checks.h"

#include "job/files.h"
#include "platform/files.h"
#include "platform/text.h"

namespace trivex::job {

namespace {

// "X:\...\name": a drive, the root and a name after the last backslash.
bool isFullFilePath(const Text& path) {
    return path.size() > 3 && path[1] == ':' && path[2] == '\\' && path.back() != '\\';
}

bool folderExists(Machine& p, const Text& filePath) {
    const int64_t cut = text::findBackwards(filePath, "\\");
    if (cut < 1) return false;
    const int64_t a = p.fileAttributes(text::left(filePath, cut));
    return a >= 0 && (a & kAttrDirectory);
}

// The first bytes of every Ghost image file, and the least an image can hold.
constexpr unsigned char kImageSignature[2] = {0xFE, 0xEF};
constexpr int64_t kSmallestImage = 512;
// DOS hands a program at most 126 characters after its name.
constexpr size_t kDosCommandTail = 126;
constexpr double kBytesPerImageMB = 1024000.0;
constexpr uint64_t kBytesPerMB = 1024 * 1024;

Text megabytes(double bytes) { return text::toText(static_cast<int64_t>(bytes)); }

// The image and the partitions, for a job whose ghost.bat runs a command line.
Text imageRefusal(Machine& p, const JobRequest& job, const GhostPlan& v) {
    const Text& path = job.imagePath;
    if (v.targetPartition == 0) return "所选分区无法对应到 Ghost 的分区号（只支持 C 到 G 盘），请重新选择分区。";
    if (v.imagePartition == 0 || !isFullFilePath(path))
        return "映像文件路径无效，或不在 C 到 G 盘上，请重新选择映像文件。";
    if (v.imagePartition == v.targetPartition) return "映像文件不能放在要备份或还原的分区上，请换一个分区存放映像。";
    if (job.kind() == JobKind::Restore && !isFile(p, path)) return "映像文件不存在，请重新选择映像文件。";
    if (job.kind() == JobKind::Restore && !isGhostImage(p, path))
        return "映像文件 " + path + " 不是 Ghost 映像（文件太小，或开头没有 Ghost 映像的标志），不能用它还原。请重新选择映像文件。";
    if (job.kind() == JobKind::Backup) {
        if (!folderExists(p, path)) return "保存映像的文件夹不存在，请重新选择保存位置。";
        if (p.fileAttributes(path) >= 0 && !isFile(p, path)) return "映像文件路径是一个文件夹，请重新选择保存位置。";
    }
    return {};
}

}  // namespace

bool isGhostImage(Machine& p, const Text& path) {
    if (fileSize(p, path) < kSmallestImage || !isFile(p, path)) return false;
    Text head;
    return p.readFile(path, 0, 2, head) && head.size() == 2 && static_cast<unsigned char>(head[0]) == kImageSignature[0] &&
           static_cast<unsigned char>(head[1]) == kImageSignature[1];
}

std::optional<Text> customGhostPath(const JobRequest& job) {
    if (!job.customGhost || text::find(job.customGhostPath, "ghost.exe", 1, true) < 1) return std::nullopt;
    return job.customGhostPath;
}

bool isJobGhostExe(Machine& p, const Text& path) {
    const Text full = p.fullPath(path);
    if (!full.empty() && text::equalIgnoringCase(full, p.fullPath(kGhostExe))) return true;
    return p.sameFile(path, kGhostExe);
}

Text imagePathRefusal(const Text& path, const Text& firstLine) {
    const Text head = "映像文件路径 " + path + " ";
    for (size_t i = 0; i < path.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (c >= 0x81 && c <= 0xFE) {
            const unsigned char t = i + 1 < path.size() ? static_cast<unsigned char>(path[i + 1]) : 0;
            if (t < 0x40 || t == 0x7F || t == 0xFF) return head + "含有不完整的汉字编码，DOS 下无法读取。请换一个路径。";
            ++i;
            continue;
        }
        if (c >= 0x80 || c < 0x20 || c == '?' || c == '*')
            return head + "含有无法用 GBK 编码表示的字符，DOS 下无法读取。请换一个只含中英文字符的路径。";
        if (c == ' ') return head + "含有空格，DOS 下的 Ghost 会把它当成两个参数。请换一个不含空格的路径。";
        if (c == '%') return head + "含有 %，批处理会把它当成变量。请换一个不含 % 的路径。";
        if (c == ',' || c == ';' || c == '=')
            return head + "含有 “" + Text(1, static_cast<char>(c)) + "”，Ghost 的命令行用它分隔参数。请换一个路径。";
    }
    const size_t line = firstLine.find("\r\n");
    const size_t tail = (line == Text::npos ? firstLine.size() : line) - (sizeof "Ghost.exe" - 1);
    if (tail > kDosCommandTail)
        return head + "太长：DOS 下 Ghost 的命令行最多 126 个字符，现在是 " + text::toText(static_cast<int64_t>(tail)) +
               " 个。请把映像放到路径较短的文件夹中。";
    return {};
}

Text jobRefusal(Machine& p, const JobRequest& job, const GhostPlan& plan) {
    if (job.restoreChecked == job.backupChecked)
        return "请先选择“还原系统”或“备份系统”中的一项（现在两项都选中或都没有选中），再准备任务。";
    const JobKind kind = job.kind();
    if (kind == JobKind::Restore || kind == JobKind::Backup) {
        Text why = imagePathRefusal(job.imagePath, plan.commandLine());
        if (why.empty()) why = imageRefusal(p, job, plan);
        if (!why.empty()) return why;
    }
    if (const std::optional<Text> own = customGhostPath(job); own && isJobGhostExe(p, *own))
        return "自定义的 Ghost 不能是 C:\\ghost.exe 本身，请把它放到别的文件夹后再选择。";
    return {};
}

bool userAgreesOnce(Questions& q, Agreed& agreed, const Text& question) {
    for (const Text& q : agreed.questions)
        if (q == question) return true;
    if (!q.agree(question)) return false;
    agreed.questions.push_back(question);
    return true;
}

bool backupGoesOn(Machine& p, Questions& q, const JobRequest& job) {
    if (job.kind() != JobKind::Backup) return true;
    const Text& path = job.imagePath;
    // The placeholder of the image file button holds its own path: nothing to lose.
    const std::optional<Text> placeholder = fileSize(p, path) == static_cast<int64_t>(path.size())
                                                ? readWholeFile(p, path)
                                                : std::nullopt;
    if (isFile(p, path) && placeholder != path &&
        !q.agree("映像文件 " + path + " 已经存在（" + imageMegabytes(p, path) + " MB，修改于 " +
                           dateText(fileModTime(p, path)) + "）。\r\n备份会覆盖它，原来的映像将不复存在。是否继续？"))
        return false;
    uint64_t imageTotal = 0, imageFree = 0, systemTotal = 0, systemFree = 0;
    if (p.diskSpace(path[0], imageTotal, imageFree) && p.diskSpace(job.targetDrive[0], systemTotal, systemFree)) {
        const uint64_t used = systemTotal - systemFree;
        if (imageFree < used &&
            !q.agree(path.substr(0, 2) + " 盘只有 " + megabytes(static_cast<double>(imageFree / kBytesPerMB)) +
                               " MB 可用空间，而要备份的 " + job.targetDrive + ": 盘已用 " +
                               megabytes(static_cast<double>(used / kBytesPerMB)) +
                               " MB。映像压缩后通常会小一些，但空间可能不够，备份可能失败。是否继续？"))
            return false;
    }
    return true;
}

bool demoBuildGoesOn(Questions& q, Agreed& agreed) {
    return userAgreesOnce(q, agreed,
                      "此版本带的是演示用的引导文件，重启后不会真正备份或还原。\r\n"
                      "选择“确定”继续（之后可以撤销），选择“取消”返回。");
}

Text dateText(double date) {
    const text::DateParts d = text::partsOfDate(date);
    auto n = [](int v) { return text::toText(static_cast<int32_t>(v)); };
    return n(d.year) + "年" + n(d.month) + "月" + n(d.day) + "日 " + n(d.hour) + ":" + (d.minute < 10 ? "0" : "") + n(d.minute);
}

Text imageMegabytes(Machine& p, const Text& path) { return megabytes(fileSize(p, path) / kBytesPerImageMB); }

}  // namespace trivex::job
