#include "job/command_line.h"

#include <cstring>
#include <vector>

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

Text checkCommandText(int imagePartition, const Text& tail) {
    return "Ghost.exe -nousb -chkimg,1:" + text::toText(int32_t{imagePartition}) + tail;
}

void buildCommandTexts(CommandValues& v, const JobDescription& job) {
    if (job.compressionIndex >= 0 && job.compressionIndex <= 2)
        v.compressionLevel = static_cast<int>(job.compressionIndex) + 1;
    v.crcOption = job.ignoreCrc ? "-crcignore" : "";
    v.imagePathLength = static_cast<int>(text::length(job.imagePath));
    v.backupCommand = backupCommandText(v.systemPartition, v.imagePartition, pathTail(job.imagePath), v.compressionLevel);
    v.restoreCommand = restoreCommandText(v.systemPartition, v.imagePartition, pathTail(job.imagePath), v.crcOption);
    v.checkCommand = checkCommandText(v.imagePartition, pathTail(job.imagePath));
}

namespace {

constexpr char kRecordStarted[] = "call a:\\record.bat started";
// RECORD.BAT notes Ghost's exit code and restarts the machine itself: the
// batch file is entered without CALL, which some DOS command interpreters
// (FreeCOM) enter with the errorlevel reset to 0. The restart after it
// still ends the job should the image lack RECORD.BAT.
constexpr char kRecordExit[] = "a:\\record.bat exit";
constexpr char kRecordCheck[] = "a:\\record.bat check";
constexpr char kRestart[] = "restart";
constexpr char kCheckFailed[] = "if errorlevel 1 goto check";
constexpr char kCheckLabel[] = ":check";
constexpr char kCloneStart[] = "Ghost.exe -nousb -clone,mode=p";
constexpr char kCheckStart[] = "Ghost.exe -nousb -chkimg,";

// The command texts end with "\r\nrestart"; the command line is what comes before.
Text commandLineOf(const Text& commandText) {
    const size_t end = commandText.find("\r\n");
    return end == Text::npos ? commandText : commandText.substr(0, end);
}

Text joined(const std::vector<Text>& lines) {
    Text all;
    for (size_t i = 0; i < lines.size(); ++i) all += (i ? "\r\n" : "") + lines[i];
    return all;
}

std::vector<Text> linesOf(const Text& content) {
    std::vector<Text> lines;
    size_t at = 0;
    for (;;) {
        const size_t end = content.find("\r\n", at);
        lines.push_back(content.substr(at, end == Text::npos ? Text::npos : end - at));
        if (end == Text::npos) break;
        at = end + 2;
    }
    return lines;
}

bool isOneLine(const Text& line, const char* start) {
    return line.size() > std::strlen(start) && line.compare(0, std::strlen(start), start) == 0 &&
           line.find_first_of("\r\n") == Text::npos;
}

}  // namespace

std::optional<Text> ghostBatText(const CommandValues& v, JobKind kind, bool ignoreCrc) {
    switch (kind) {
        case JobKind::Manual: return Text(kManualGhostBat);
        case JobKind::Restore:
            if (ignoreCrc)
                return joined({kRecordStarted, commandLineOf(v.restoreCommand), kRecordExit, kRestart});
            return joined({v.checkCommand, kCheckFailed, kRecordStarted, commandLineOf(v.restoreCommand), kRecordExit,
                           kRestart, kCheckLabel, kRecordCheck, kRestart});
        case JobKind::Backup: return joined({kRecordStarted, commandLineOf(v.backupCommand), kRecordExit, kRestart});
        case JobKind::None: break;
    }
    return std::nullopt;
}

bool isGhostBatText(const Text& content) {
    if (content == kManualGhostBat) return true;
    const std::vector<Text> l = linesOf(content);
    // An earlier version's: the command line and its restart.
    if (l.size() == 2) return isOneLine(l[0], kCloneStart) && l[1] == kRestart;
    if (l.size() == 4)
        return l[0] == kRecordStarted && isOneLine(l[1], kCloneStart) && l[2] == kRecordExit && l[3] == kRestart;
    if (l.size() == 9)
        return isOneLine(l[0], kCheckStart) && l[1] == kCheckFailed && l[2] == kRecordStarted &&
               isOneLine(l[3], kCloneStart) && l[4] == kRecordExit && l[5] == kRestart && l[6] == kCheckLabel &&
               l[7] == kRecordCheck && l[8] == kRestart;
    return false;
}

}  // namespace trivex::job
