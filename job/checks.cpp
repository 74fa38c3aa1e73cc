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
Result imageRefusal(Machine& p, const JobRequest& job, const GhostPlan& v) {
    const Text& path = job.imagePath;
    if (v.target.letter == 0) return Problem{Code::TargetNotMapped};
    if (v.image.letter == 0 || !isFullFilePath(path)) return Problem{Code::ImagePathInvalid};
    if (v.image.letter == v.target.letter) return Problem{Code::ImageOnTarget};
    // After the restart a partition is found by its volume serial, or by the
    // job's own file on its drive: the record on C:, the outcome copy on the
    // image's drive. Another drive without a serial cannot be found.
    if (!v.target.serial && v.target.letter != 'C') return Problem{Code::TargetUnmarked, {Arg::letter(v.target.letter)}};
    if (job.kind() == JobKind::Restore && !isFile(p, path)) return Problem{Code::ImageMissing};
    if (job.kind() == JobKind::Restore && !isGhostImage(p, path)) return Problem{Code::NotGhostImage, {path}};
    if (job.kind() == JobKind::Backup) {
        if (!folderExists(p, path)) return Problem{Code::BackupFolderMissing};
        if (p.fileAttributes(path) >= 0 && !isFile(p, path)) return Problem{Code::BackupPathIsFolder};
    }
    return {};
}

}  // namespace

bool isGhostImageHead(const Text& head, int64_t size) {
    return size >= kSmallestImage && head.size() >= sizeof kImageSignature &&
           static_cast<unsigned char>(head[0]) == kImageSignature[0] &&
           static_cast<unsigned char>(head[1]) == kImageSignature[1];
}

bool isGhostImage(Machine& p, const Text& path) {
    const int64_t size = fileSize(p, path);
    if (size < kSmallestImage || !isFile(p, path)) return false;
    Text head;
    return p.readFile(path, 0, kImageHeadBytes, head) && isGhostImageHead(head, size);
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

Result imagePathRefusal(const Text& path, const Text& firstLine) {
    for (size_t i = 0; i < path.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (c >= 0x81 && c <= 0xFE) {
            const unsigned char t = i + 1 < path.size() ? static_cast<unsigned char>(path[i + 1]) : 0;
            if (t < 0x40 || t == 0x7F || t == 0xFF) return Problem{Code::PathBrokenGbk, {path}};
            ++i;
            continue;
        }
        if (c >= 0x80 || c < 0x20 || c == '?' || c == '*') return Problem{Code::PathNotGbk, {path}};
        if (c == ' ') return Problem{Code::PathHasSpace, {path}};
        if (c == '%') return Problem{Code::PathHasPercent, {path}};
        if (c == ',' || c == ';' || c == '=') return Problem{Code::PathHasSeparator, {path, Arg::letter(static_cast<char>(c))}};
    }
    const size_t line = firstLine.find("\r\n");
    const size_t tail = (line == Text::npos ? firstLine.size() : line) - (sizeof "Ghost.exe" - 1);
    if (tail > kDosCommandTail) return Problem{Code::PathTooLong, {path, Arg::number(static_cast<int64_t>(tail))}};
    return {};
}

Result jobRefusal(Machine& p, const JobRequest& job, const GhostPlan& plan) {
    if (job.restoreChecked == job.backupChecked) return Problem{Code::NoModeChosen};
    const JobKind kind = job.kind();
    if (kind == JobKind::Restore || kind == JobKind::Backup) {
        if (Result why = imagePathRefusal(job.imagePath, plan.commandLine()); !why) return why;
        if (Result why = imageRefusal(p, job, plan); !why) return why;
    }
    if (const std::optional<Text> own = customGhostPath(job); own && isJobGhostExe(p, *own))
        return Problem{Code::CustomGhostIsJobFile};
    return {};
}

bool userAgreesOnce(Questions& q, Agreed& agreed, const Question& question) {
    for (const Question& asked : agreed.questions)
        if (asked == question) return true;
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
        !q.agree({Code::AskOverwriteImage, {path, imageMegabytes(p, path), Arg::when(fileModTime(p, path))}}))
        return false;
    uint64_t imageTotal = 0, imageFree = 0, systemTotal = 0, systemFree = 0;
    if (p.diskSpace(path[0], imageTotal, imageFree) && p.diskSpace(job.targetDrive[0], systemTotal, systemFree)) {
        const uint64_t used = systemTotal - systemFree;
        if (imageFree < used &&
            !q.agree({Code::AskShortOfRoom,
                      {path.substr(0, 2), megabytes(static_cast<double>(imageFree / kBytesPerMB)), job.targetDrive,
                       megabytes(static_cast<double>(used / kBytesPerMB))}}))
            return false;
    }
    return true;
}

bool demoBuildGoesOn(Questions& q, Agreed& agreed) { return userAgreesOnce(q, agreed, {Code::AskDemoBuild}); }

Text imageMegabytes(Machine& p, const Text& path) { return megabytes(fileSize(p, path) / kBytesPerImageMB); }

}  // namespace trivex::job
