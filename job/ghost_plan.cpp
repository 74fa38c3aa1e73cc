#include "job/ghost_plan.h"

#include <cstring>
#include <vector>

#include "payloads/handoff.h"
#include "platform/text.h"

namespace trivex::job {

namespace {
// Manual Ghost: ghost.bat runs the job's Ghost, which starts interactively.
constexpr const char* kManualGhostBat = handoff::kGhostExeName;
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

Text GhostPlan::backupLine() const {
    return "Ghost.exe -nousb -clone,mode=pdump,src=1:" + text::toText(int32_t{targetPartition}) + ",dst=1:" +
           text::toText(int32_t{imagePartition}) + imageTail + " -sure -fro -rb -z" + text::toText(int32_t{compressionLevel});
}

Text GhostPlan::restoreLine() const {
    return "Ghost.exe -nousb -clone,mode=pload,src=1:" + text::toText(int32_t{imagePartition}) + imageTail +
           ":1,dst=1:" + text::toText(int32_t{targetPartition}) + " " + (ignoreCrc ? "-crcignore" : "") + " -sure -rb";
}

Text GhostPlan::checkLine() const {
    return "Ghost.exe -nousb -chkimg,1:" + text::toText(int32_t{imagePartition}) + imageTail;
}

Text GhostPlan::commandLine() const {
    if (kind == JobKind::Backup) return backupLine();
    if (kind == JobKind::Restore) return restoreLine();
    return {};
}

GhostPlan planGhost(const JobRequest& request, int targetPartition, int imagePartition) {
    GhostPlan plan;
    plan.kind = request.kind();
    plan.targetPartition = targetPartition;
    plan.imagePartition = imagePartition;
    plan.imageTail = pathTail(request.imagePath);
    plan.compressionLevel = request.compressionLevel;
    plan.ignoreCrc = request.ignoreCrc;
    return plan;
}

namespace {

using handoff::join;
constexpr auto kRecordStartedLine = join("call ", handoff::kRecordScript.text, " ", handoff::kVerbStarted);
// RECORD.BAT notes Ghost's exit code and restarts the machine itself: the
// batch file is entered without CALL, which some DOS command interpreters
// (FreeCOM) enter with the errorlevel reset to 0. The restart after it
// still ends the job should the image lack RECORD.BAT.
constexpr auto kRecordExitLine = join(handoff::kRecordScript.text, " ", handoff::kVerbExit);
constexpr auto kRecordCheckLine = join(handoff::kRecordScript.text, " ", handoff::kVerbCheck);
constexpr const char* kRecordStarted = kRecordStartedLine.text;
constexpr const char* kRecordExit = kRecordExitLine.text;
constexpr const char* kRecordCheck = kRecordCheckLine.text;
constexpr const char* kRestart = handoff::kRestart;
constexpr char kCheckFailed[] = "if errorlevel 1 goto check";
constexpr char kCheckLabel[] = ":check";
constexpr char kCloneStart[] = "Ghost.exe -nousb -clone,mode=p";
constexpr char kCheckStart[] = "Ghost.exe -nousb -chkimg,";

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

std::optional<Text> GhostPlan::batText() const {
    switch (kind) {
        case JobKind::Manual: return Text(kManualGhostBat);
        case JobKind::Restore:
            if (ignoreCrc) return joined({kRecordStarted, restoreLine(), kRecordExit, kRestart});
            return joined({checkLine(), kCheckFailed, kRecordStarted, restoreLine(), kRecordExit, kRestart, kCheckLabel,
                           kRecordCheck, kRestart});
        case JobKind::Backup: return joined({kRecordStarted, backupLine(), kRecordExit, kRestart});
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
