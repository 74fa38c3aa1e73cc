#include "job/ghost_plan.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "payloads/handoff.h"
#include "platform/text.h"

namespace trivex::job {

namespace {

using handoff::join;

// Manual Ghost: ghost.bat runs the job's Ghost, which starts interactively.
constexpr const char* kManualGhostBat = handoff::kGhostExeName;

// The variables the DOS side sets to Ghost's numbers, as a batch line names them.
constexpr auto kTarget = join("%", handoff::kTargetNumberVariable, "%");
constexpr auto kImage = join("%", handoff::kImageNumberVariable, "%");

Text number(int n) { return text::toText(int32_t{n}); }

}  // namespace

Text GhostVolume::expected() const {
    const char* d = disk == Disk::Boot ? handoff::kBootDisk : disk == Disk::Later ? handoff::kLaterDisk : handoff::kNotKnown;
    return Text(d) + ":" + (partition > 0 ? number(partition) : Text(handoff::kNotKnown));
}

Text GhostVolume::serialText() const {
    if (!serial) return {};
    char s[10];
    std::snprintf(s, sizeof s, "%04X-%04X", static_cast<unsigned>(*serial >> 16), static_cast<unsigned>(*serial & 0xFFFF));
    return s;
}

Text pathTail(const Text& imagePath) {
    // The count is worked out as length - 2.0 and cut toward zero.
    const double count = static_cast<double>(text::length(imagePath)) - 2.0;
    return text::right(imagePath, static_cast<int64_t>(count));
}

Text GhostPlan::backupLine() const {
    return Text("Ghost.exe -nousb -clone,mode=pdump,src=") + kTarget.text + ",dst=" + kImage.text + imageTail +
           " -sure -fro -fx -z" + number(compressionLevel);
}

Text GhostPlan::restoreLine() const {
    return Text("Ghost.exe -nousb -clone,mode=pload,src=") + kImage.text + imageTail + ":1,dst=" + kTarget.text + " " +
           (ignoreCrc ? "-crcignore" : "") + " -sure -fx";
}

Text GhostPlan::checkLine() const { return Text("Ghost.exe -nousb -chkimg,") + kImage.text + imageTail; }

Text GhostPlan::commandLine() const {
    if (kind == JobKind::Backup) return backupLine();
    if (kind == JobKind::Restore) return restoreLine();
    return {};
}

namespace {

// What names a volume to VOLUMES.BAT: its serial, or the copy of the job's
// record on its drive. The job's record marks C:, the outcome copy the
// image's drive; any other drive without a serial has no mark (empty), and
// the job's checks refuse it.
Text markOf(const GhostVolume& v, bool isImage) {
    if (v.serial) return v.serialText();
    if (isImage) return handoff::kCopyOutcome;
    if (v.letter == 'C') return handoff::kCopyJob;
    return {};
}

// The expected number as VOLUMES.BAT takes it: disk and partition, two words.
Text expectedWords(const GhostVolume& v) {
    const Text e = v.expected();
    const size_t colon = e.find(':');
    return e.substr(0, colon) + " " + e.substr(colon + 1);
}

}  // namespace

Text GhostPlan::volumesLine() const {
    return Text("call ") + handoff::kVolumesScript.text + " " + markOf(target, false) + " " + markOf(image, true) + " " +
           expectedWords(target) + " " + expectedWords(image);
}

GhostPlan planGhost(const JobRequest& request, const GhostVolume& target, const GhostVolume& image) {
    GhostPlan plan;
    plan.kind = request.kind();
    plan.target = target;
    plan.image = image;
    plan.imageTail = pathTail(request.imagePath);
    plan.compressionLevel = request.compressionLevel;
    plan.ignoreCrc = request.ignoreCrc;
    return plan;
}

namespace {

// RECORD.BAT notes Ghost's exit code and restarts the machine itself: the
// lines that need the errorlevel enter it without CALL, which some DOS
// command interpreters (FreeCOM) enter with the errorlevel reset to 0. The
// restart after them still ends the job should the image lack RECORD.BAT.
constexpr auto kRecordStarted = join("call ", handoff::kRecordScript.text, " ", handoff::kVerbStarted);
constexpr auto kRecordExit = join(handoff::kRecordScript.text, " ", handoff::kVerbExit);
constexpr auto kRecordCheck = join(handoff::kRecordScript.text, " ", handoff::kVerbCheck);
constexpr auto kRecordDone = join("call ", handoff::kRecordScript.text, " ", handoff::kVerbDone);
constexpr auto kRecordVerified = join(handoff::kRecordScript.text, " ", handoff::kVerbVerified);
constexpr auto kCheckFails = join("if errorlevel 1 ", kRecordCheck.text);
constexpr auto kCloneFails = join("if errorlevel 1 ", kRecordExit.text);
// VOLUMES.BAT comes back only with both numbers; without them (an image
// that lacks it) nothing runs.
constexpr auto kNoTarget = join("if \"", kTarget.text, "\"==\"\" ", handoff::kRestart);
constexpr auto kNoImage = join("if \"", kImage.text, "\"==\"\" ", handoff::kRestart);
constexpr const char* kRestart = handoff::kRestart;
constexpr auto kVolumesStart = join("call ", handoff::kVolumesScript.text, " ");
constexpr char kCloneStart[] = "Ghost.exe -nousb -clone,mode=p";
constexpr char kCheckStart[] = "Ghost.exe -nousb -chkimg,";
// Earlier versions' ghost.bat: Ghost restarted the machine itself (-rb).
constexpr char kOldCheckFailed[] = "if errorlevel 1 goto check";
constexpr char kOldCheckLabel[] = ":check";

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

// One line of a ghost.bat's form: the line itself, or (with `prefix`) any
// one line that starts with it and goes on.
struct LineForm {
    const char* text;
    bool prefix = false;
    bool matches(const Text& line) const {
        const size_t n = std::strlen(text);
        if (!prefix) return line == text;
        return line.size() > n && line.compare(0, n, text) == 0 && line.find_first_of("\r\n") == Text::npos;
    }
};

bool hasForm(const std::vector<Text>& lines, std::initializer_list<LineForm> form) {
    if (lines.size() != form.size()) return false;
    size_t i = 0;
    for (const LineForm& f : form)
        if (!f.matches(lines[i++])) return false;
    return true;
}

}  // namespace

std::optional<Text> GhostPlan::batText() const {
    const std::vector<Text> found = {volumesLine(), kNoTarget.text, kNoImage.text};
    std::vector<Text> lines = found;
    switch (kind) {
        case JobKind::Manual: return Text(kManualGhostBat);
        case JobKind::Restore:
            if (!ignoreCrc) lines.insert(lines.end(), {checkLine(), kCheckFails.text});
            lines.insert(lines.end(), {kRecordStarted.text, restoreLine(), kRecordExit.text, kRestart});
            return joined(lines);
        case JobKind::Backup:
            lines.insert(lines.end(), {kRecordStarted.text, backupLine(), kCloneFails.text, kRecordDone.text, checkLine(),
                                       kRecordVerified.text, kRestart});
            return joined(lines);
        case JobKind::None: break;
    }
    return std::nullopt;
}

bool isGhostBatText(const Text& content) {
    if (content == kManualGhostBat) return true;
    const std::vector<Text> l = linesOf(content);
    const LineForm volumes{kVolumesStart.text, true}, noTarget{kNoTarget.text}, noImage{kNoImage.text},
        clone{kCloneStart, true}, check{kCheckStart, true}, started{kRecordStarted.text}, exit{kRecordExit.text},
        restart{kRestart};
    return hasForm(l, {volumes, noTarget, noImage, started, clone, exit, restart}) ||
           hasForm(l, {volumes, noTarget, noImage, check, {kCheckFails.text}, started, clone, exit, restart}) ||
           hasForm(l, {volumes, noTarget, noImage, started, clone, {kCloneFails.text}, {kRecordDone.text}, check,
                       {kRecordVerified.text}, restart}) ||
           // Earlier versions': the command line and its restart, then with
           // the record's lines around it, then with the image check first.
           hasForm(l, {clone, restart}) || hasForm(l, {started, clone, exit, restart}) ||
           hasForm(l, {check, {kOldCheckFailed}, started, clone, exit, restart, {kOldCheckLabel},
                       {kRecordCheck.text}, restart});
}

}  // namespace trivex::job
