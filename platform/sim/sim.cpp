// The simulated machine: processes, message boxes, file dialogs, restart.
#include "platform/sim/sim.h"

#include <algorithm>

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
                           [&](const Text& f) { return text::find(f, name, 1, true) == 1 && f.size() == name.size(); });
    };
    out.place = s.place;
    out.letter = s.letter;
    out.bootManager = holds("bootmgr") && holds("Boot\\BCD");
    out.ntLoader = holds("ntldr") && holds("boot.ini");
    return true;
}

}  // namespace trivex::sim
