#include "job/command_line.h"

#include "platform/text.h"

namespace trivex::job {

namespace {
constexpr char kManualGhostBat[] = "ghost.exe";
}  // namespace

int partitionNumber(const Text& letter) {
    static const char* const kLetters[] = {"C", "D", "E", "F", "G"};
    for (int i = 0; i < 5; ++i)
        if (letter == kLetters[i]) return i + 1;
    return 0;
}

int imagePartitionOf(const Text& imagePath) {
    if (imagePath.size() < 2 || imagePath[1] != ':') return 0;
    return partitionNumber(imagePath.substr(0, 1));
}

Text pathTail(const Text& imagePath) {
    // The count is worked out as length - 2.0 and cut toward zero.
    const double count = static_cast<double>(text::length(imagePath)) - 2.0;
    return text::right(imagePath, static_cast<int64_t>(count));
}

Text backupCommandText(int systemPartition, int imagePartition, const Text& tail, int compressionLevel) {
    return "Ghost.exe -nousb -clone,mode=pdump,src=1:" + text::toText(int32_t{systemPartition}) + ",dst=1:" +
           text::toText(int32_t{imagePartition}) + tail + " -sure -fro -rb -z" +
           text::toText(int32_t{compressionLevel}) + "\r\nrestart";
}

Text restoreCommandText(int systemPartition, int imagePartition, const Text& tail, const Text& crcOption) {
    return "Ghost.exe -nousb -clone,mode=pload,src=1:" + text::toText(int32_t{imagePartition}) + tail +
           ":1,dst=1:" + text::toText(int32_t{systemPartition}) + " " + crcOption + " -sure -rb\r\nrestart";
}

void buildCommandTexts(CommandValues& v, const JobDescription& job) {
    if (job.compressionIndex >= 0 && job.compressionIndex <= 2)
        v.compressionLevel = static_cast<int>(job.compressionIndex) + 1;
    v.crcOption = job.ignoreCrc ? "-crcignore" : "";
    v.imagePathLength = static_cast<int>(text::length(job.imagePath));
    v.backupCommand = backupCommandText(v.systemPartition, v.imagePartition, pathTail(job.imagePath), v.compressionLevel);
    v.restoreCommand = restoreCommandText(v.systemPartition, v.imagePartition, pathTail(job.imagePath), v.crcOption);
}

std::optional<Text> ghostBatText(const CommandValues& v, JobKind kind) {
    switch (kind) {
        case JobKind::Manual: return Text(kManualGhostBat);
        case JobKind::Restore: return v.restoreCommand;
        case JobKind::Backup: return v.backupCommand;
        case JobKind::None: break;
    }
    return std::nullopt;
}

bool isGhostBatText(const Text& content) {
    if (content == kManualGhostBat) return true;
    static const Text kStart = "Ghost.exe -nousb -clone,mode=p";
    static const Text kEnd = "\r\nrestart";
    return content.size() > kStart.size() + kEnd.size() && content.compare(0, kStart.size(), kStart) == 0 &&
           content.compare(content.size() - kEnd.size(), kEnd.size(), kEnd) == 0 &&
           content.find('\n') == content.size() - kEnd.size() + 1;
}

}  // namespace trivex::job
