// The simulated machine: processes, message boxes, file dialogs, restart.
#include "platform/sim/sim.h"

#include <algorithm>

#include "platform/files.h"
#include "platform/sim/window_state.h"
#include "platform/text.h"

namespace trivex::sim {

SimMachine::SimMachine() = default;
SimMachine::~SimMachine() = default;

void SimMachine::onCommand(const Text& commandLine, const Text& output, std::function<void(SimMachine&)> effect) {
    scripts_[commandLine] = Script{output, std::move(effect)};
}

void SimMachine::queueFileDialog(const char* control, std::optional<Text> choice) {
    dialogChoices_.emplace_back(control ? control : "", std::move(choice));
}

bool SimMachine::runCommandLine(const Text& commandLine, bool wait, int style) {
    commands_.push_back({commandLine, false, wait, std::clamp(style, 1, 6)});
    const auto it = scripts_.find(commandLine);
    if (it == scripts_.end()) return false;
    if (it->second.effect) {
        const auto effect = it->second.effect;  // may script other commands meanwhile
        effect(*this);
    }
    return true;
}

// The output arrives in reads of at most 4095 bytes, each taken up to its
// first zero byte, with pending messages processed after every read and
// after the last (empty) one that reports the end of the pipe.
Text SimMachine::runAndCapture(const Text& commandLine, uint32_t /*timeoutMs*/) {
    commands_.push_back({commandLine, true, false, 1});
    const auto it = scripts_.find(commandLine);
    Text collected;
    if (it != scripts_.end()) {
        const Script script = it->second;
        if (script.effect) script.effect(*this);
        constexpr size_t kRead = 4095;
        for (size_t pos = 0; pos < script.output.size(); pos += kRead) {
            const size_t n = std::min(kRead, script.output.size() - pos);
            collected += text::fromBlock(script.output.data() + pos, n);
            processPendingMessages();
        }
    }
    processPendingMessages();
    return collected;
}

// The box runs its own message loop while it is shown: what is queued when
// it opens is dispatched before the answer comes back.
int SimMachine::messageBox(const Text& message, unsigned style, const Text& caption) {
    if ((style & kMbSystemModal) == 0) style |= kMbTaskModal;
    messages_.push_back({message, style, caption});
    processPendingMessages();
    if (answers_.empty()) return kBtnOk;
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

bool SimMachine::fileDialog(WindowId w, const char* name) {
    SimControl* c = control(w, name);
    if (!c || c->row->kind != ui::Kind::FileDialog) return false;
    dialogs_.push_back({w, name, c->initialFolder, c->fileName, false});
    const size_t record = dialogs_.size() - 1;
    processPendingMessages();  // the dialog's own loop

    std::optional<Text> choice;
    const auto queued = std::find_if(dialogChoices_.begin(), dialogChoices_.end(),
                                     [name](const auto& entry) { return entry.first == name; });
    if (queued != dialogChoices_.end()) {
        choice = queued->second;
        dialogChoices_.erase(queued);
    }
    if (!choice) return false;
    c = control(w, name);  // the window may have gone meanwhile
    if (!c) return false;
    c->fileName = *choice;
    dialogs_[record].confirmed = true;
    return true;
}

bool SimMachine::shutDown(int mode, bool force) {
    if (mode < 1 || mode > 5) return false;
    shutdowns_.push_back({mode, force});
    return !refuseShutdown_;
}

// ---- Power cuts and the steps of a change ----------------------------------------------

void SimMachine::cutPowerAfter(int steps) {
    stepsLeft_ = steps;
    cut_ = false;
    steps_.clear();
}

void SimMachine::restorePower() {
    stepsLeft_ = -1;
    cut_ = false;
}

SimMachine::Step SimMachine::step(const Text& what) {
    if (cut_) return Step::Dead;
    if (stepsLeft_ == 0) {
        cut_ = true;
        return Step::CutDuring;
    }
    if (stepsLeft_ > 0) --stepsLeft_;
    steps_.push_back(what);
    return Step::Happens;
}

namespace {
// The first half of the blocks' bytes: what a write cut short leaves.
Text firstHalf(const std::vector<ByteView>& blocks) {
    Text all;
    for (const ByteView& b : blocks)
        if (b.size && b.data) all.append(static_cast<const char*>(b.data), b.size);
    return all.substr(0, all.size() / 2);
}
}  // namespace

bool SimMachine::writeFile(const Text& path, const std::vector<ByteView>& blocks) {
    switch (step("write " + path)) {
        case Step::Happens: return fs_.writeFile(path, blocks);
        case Step::CutDuring: fs_.writeFile(path, {bytesOf(firstHalf(blocks))}); return false;
        case Step::Dead: break;
    }
    return false;
}

bool SimMachine::copyFile(const Text& from, const Text& to) {
    switch (step("copy " + from + " " + to)) {
        case Step::Happens: return fs_.copyFile(from, to);
        case Step::CutDuring:
            if (const std::optional<Text> c = fs_.content(from)) fs_.writeFile(to, {bytesOf(c->substr(0, c->size() / 2))});
            return false;
        case Step::Dead: break;
    }
    return false;
}

bool SimMachine::deleteFile(const Text& path) {
    return step("delete " + path) == Step::Happens && fs_.deleteFile(path);
}

bool SimMachine::renameFile(const Text& from, const Text& to) {
    return step("rename " + from + " " + to) == Step::Happens && fs_.renameFile(from, to);
}

bool SimMachine::replaceFile(const Text& from, const Text& to) {
    return step("move " + from + " " + to) == Step::Happens && fs_.replaceFile(from, to);
}

bool SimMachine::setFileAttributes(const Text& path, uint32_t attributes) {
    return step("attributes " + path + " " + text::toText(static_cast<int64_t>(attributes))) == Step::Happens &&
           fs_.setFileAttributes(path, attributes);
}

bool SimMachine::createFolder(const Text& path) {
    return step("folder " + path) == Step::Happens && fs_.createFolder(path);
}

// The temporary file is written and flushed in one step and moved onto the
// name in a second: a cut between them leaves the name as it was.
bool SimMachine::writeFileWhole(const Text& path, const std::vector<ByteView>& blocks) {
    const Text temp = temporaryBeside(path);
    if (temp.empty()) return false;
    const int64_t target = fs_.attributes(path);
    if (target >= 0 && (target & (kProtection | kAttrDirectory))) return false;
    if (fs_.exists(temp)) fs_.setAttributes(temp, 0);  // one a cut left behind is ours to replace
    // A write fault injected on the name itself fails the whole write.
    if (fs_.takeFault(Op::Write, path)) return false;
    bool ok = false;
    switch (step("write " + temp)) {
        case Step::Happens: ok = fs_.writeFile(temp, blocks); break;
        case Step::CutDuring: fs_.writeFile(temp, {bytesOf(firstHalf(blocks))}); return false;
        case Step::Dead: return false;
    }
    if (ok) {
        if (step("move " + temp + " " + path) != Step::Happens) return false;
        ok = fs_.replaceFile(temp, path);
    }
    if (!ok) fs_.deleteFile(temp);
    return ok;
}

ToolRun SimMachine::runSystemTool(const Text& tool, const Text& arguments, uint32_t timeoutMs) {
    if (step("run " + tool + " " + arguments) != Step::Happens) return {};
    ToolRun run = system_.runTool(tool, arguments, timeoutMs);
    processPendingMessages();
    return run;
}

bool SimMachine::drivePlace(char letter, DiskPlace& out) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    const auto it = places_.find(letter);
    if (it == places_.end()) return false;
    out = it->second;
    return true;
}

bool SimMachine::systemPartition(SystemPartition& out) {
    if (!systemPartition_) return false;
    const SimSystemPartition& s = *systemPartition_;
    const auto holds = [&](const Text& name) {
        if (s.letter) {
            const int64_t a = fs_.attributes(Text(1, s.letter) + ":\\" + name);
            return a >= 0 && !(a & kAttrDirectory);
        }
        return std::any_of(s.rootFiles.begin(), s.rootFiles.end(),
                           [&](const Text& f) { return text::equalIgnoringCase(f, name); });
    };
    out.place = s.place;
    out.letter = s.letter;
    out.bootManager = holds("bootmgr") && holds("Boot\\BCD");
    out.ntLoader = holds("ntldr") && holds("boot.ini");
    return true;
}

}  // namespace trivex::sim
