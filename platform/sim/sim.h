// An in-memory Windows machine for tests: disks and files, processes,
// message boxes and file dialogs, the program's windows as property maps,
// a message queue, and a simulated user who clicks, selects and presses keys.
//
// Nothing here waits for anything. Where the real machine would block until
// the user acts (a modal window, a message box, a file dialog), the answer
// comes from what the test queued beforehand:
//  - a message box answers with the next queued button (OK when none);
//  - a file dialog takes the next choice queued for its control (cancel when none);
//  - a modal window runs the queued actions until it closes; when the queue
//    runs dry while it is still open, the simulated user presses Esc on it
//    (so a test never hangs; `escapesPressed()` counts these).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/file_system.h"
#include "platform/sim/sim_system.h"

namespace trivex::sim {

constexpr int kVkEscape = 0x1B;

struct CommandRecord {
    Text commandLine;
    bool captured = false;  // run and capture output (else run command line)
    bool wait = false;
    int style = 2;          // 1-6 after clamping; 1 (hidden) for captured commands
};

struct MessageRecord {
    Text text;
    unsigned style = 0;  // with the task-modal rule applied
    Text caption;
};

struct DialogRecord {
    WindowId window;
    Text control;
    Text initialFolder;  // as the dialog was shown
    Text fileName;       // before the dialog
    bool confirmed = false;
};

struct ShutdownRecord {
    int mode = 0;
    bool force = false;
};

struct SimWindow;
struct SimControl;

class SimMachine : public Platform {
public:
    SimMachine();
    ~SimMachine() override;
    SimMachine(const SimMachine&) = delete;
    SimMachine& operator=(const SimMachine&) = delete;

    // ---- Disks and files (set-up and inspection) ---------------------------------
    // Paths follow Windows rules: letter case aside, "\" or "/", relative to "C:\".
    void addDrive(char letter, uint64_t totalBytes, uint64_t freeBytes) { fs_.addDrive(letter, totalBytes, freeBytes); }
    void removeDrive(char letter) { fs_.removeDrive(letter); }
    bool addFolder(const Text& path) { return fs_.addFolder(path); }  // missing parents too
    // Creates missing parent folders; replaces an existing file. Disk space is
    // not taken (the file was there before). modified: kNoDate = the clock.
    bool addFile(const Text& path, const Text& content = {}, uint32_t attributes = kAttrArchive,
                 double modified = kNoDate) {
        return fs_.addFile(path, content, attributes, modified);
    }
    std::optional<Text> content(const Text& path) const { return fs_.content(path); }
    bool exists(const Text& path) const { return fs_.exists(path); }
    int64_t attributes(const Text& path) const { return fs_.attributes(path); }  // -1 when missing
    bool setAttributes(const Text& path, uint32_t attributes) { return fs_.setAttributes(path, attributes); }
    bool setModified(const Text& path, double date) { return fs_.setModified(path, date); }
    bool setReparsePoint(const Text& folder, bool on = true) { return fs_.setReparsePoint(folder, on); }
    Text shortName(const Text& path) const { return fs_.shortName(path); }
    bool removeTree(const Text& path) { return fs_.removeTree(path); }
    // Time stamp of files written from now on; kNoDate: the real local time.
    void setClock(double date) { fs_.setClock(date); }
    // The next (or, with every, each) operation of that kind on that path
    // fails, once `after` of them have succeeded; for copy and rename the
    // path may be either end.
    void failOn(Op op, const Text& path, bool every = false, int after = 0) { fs_.failOn(op, path, every, after); }
    void clearFaults() { fs_.clearFaults(); }
    void setProgramFolder(const Text& folder) { programFolder_ = folder; }
    // Where the system says a drive lives; without it the system cannot say.
    void setDrivePlace(char letter, const DiskPlace& place) { places_[letter] = place; }
    void forgetDrivePlace(char letter) { places_.erase(letter); }
    // The partition the machine starts from. With a letter, what its root
    // holds is that drive's files; without one, `rootFiles` names them
    // ("bootmgr", "Boot\BCD"). Without it the system cannot say.
    void setSystemPartition(const DiskPlace& place, char letter, std::vector<Text> rootFiles = {}) {
        systemPartition_ = SimSystemPartition{place, letter, std::move(rootFiles)};
    }
    void forgetSystemPartition() { systemPartition_.reset(); }

    // ---- Processes, message boxes, dialogs, restart ---------------------------------
    // A command line (matched byte for byte) that starts a process: its
    // effect runs when it starts, and `output` is what it writes. Commands
    // without a script are not created: run command line gives false and
    // run and capture the empty text.
    void onCommand(const Text& commandLine, const Text& output,
                   std::function<void(SimMachine&)> effect = {});
    const std::vector<CommandRecord>& commands() const { return commands_; }
    void queueAnswer(int button) { answers_.push_back(button); }
    const std::vector<MessageRecord>& messages() const { return messages_; }
    // The user's next choice in the file dialog `control`; nullopt cancels.
    void queueFileDialog(const char* control, std::optional<Text> choice);
    const std::vector<DialogRecord>& dialogs() const { return dialogs_; }
    const std::vector<Text>& webAddresses() const { return webAddresses_; }
    const std::vector<ShutdownRecord>& shutdowns() const { return shutdowns_; }

    // ---- The simulated user ---------------------------------------------------------
    // Each acts only where a real user could: on an open, visible window and a
    // visible, enabled control (inside visible, enabled group boxes); each
    // returns whether it did. A radio button click checks it and unchecks the
    // other radio buttons of the window; a check box click toggles it. The
    // bound command runs at once, through the command sink.
    bool click(WindowId window, const char* control);
    // Makes `index` the current item of a list or combo box, then runs its
    // selection command. An index outside the items does nothing.
    bool select(WindowId window, const char* list, int index);
    // Esc closes a window whose layout says so; every other key (and Esc
    // elsewhere) goes to the window's key-down command.
    bool pressKey(WindowId window, int vk);
    // A tick of a running timer (enabled, interval above 0), visible window or not.
    bool tick(WindowId window, const char* timer);
    // The close box, for windows that have one (a system menu).
    bool closeBox(WindowId window);
    // Queues an action as if it were a window message; it runs when messages
    // are processed.
    void post(std::function<void()> action);
    size_t pendingMessages() const { return queue_.size(); }
    int escapesPressed() const { return escapesPressed_; }
    // "window/control" for each property access to a control that the window
    // does not have (or a window that is not open).
    const std::vector<Text>& strayControls() const { return strays_; }

    // ---- Power cuts -------------------------------------------------------------------
    // Every change the program makes to the machine is one step: a file
    // written (a whole write: its temporary file written and flushed, then the
    // move), copied, moved, deleted, its attributes set, a folder made, a
    // system tool run. After cutPowerAfter(n) the next n steps happen, then the
    // power goes: that step and every later one fail as if the program were
    // gone, and a write or copy cut short leaves the first half of its bytes.
    // restorePower() starts the machine again, as for its next start.
    void cutPowerAfter(int steps);
    void restorePower();
    bool powerCut() const { return cut_; }
    // The steps taken since the last cutPowerAfter or clearSteps, in order,
    // such as "write C:\TRIVEX.TMP", "move C:\TRIVEX.TMP C:\grldr",
    // "run bcdedit.exe /enum all /v"; the cut step is not among them.
    const std::vector<Text>& steps() const { return steps_; }
    void clearSteps() { steps_.clear(); }

    // ---- Platform -------------------------------------------------------------------
    bool writeFile(const Text& path, const std::vector<ByteView>& blocks) override;
    bool deleteFile(const Text& path) override;
    bool copyFile(const Text& from, const Text& to) override;
    bool renameFile(const Text& from, const Text& to) override;
    bool replaceFile(const Text& from, const Text& to) override;
    bool writeFileWhole(const Text& path, const std::vector<ByteView>& blocks) override;
    bool setFileAttributes(const Text& path, uint32_t attributes) override;
    Text fullPath(const Text& path) override { return fs_.fullPath(path); }
    bool sameFile(const Text& a, const Text& b) override { return fs_.sameFile(a, b); }
    bool createFolder(const Text& path) override;
    int64_t fileSize(const Text& path) override { return fs_.fileSize(path); }
    double fileModTime(const Text& path) override { return fs_.fileModTime(path); }
    int64_t fileAttributes(const Text& path) override { return fs_.fileAttributes(path); }
    Text programFolder() override { return programFolder_; }
    bool listFirst(const Text& pattern, uintptr_t& handle, DirEntry& out) override {
        return fs_.listFirst(pattern, handle, out);
    }
    bool listNext(uintptr_t handle, DirEntry& out) override { return fs_.listNext(handle, out); }
    void listClose(uintptr_t handle) override { fs_.listClose(handle); }
    std::unique_ptr<RawFile> openRaw(const Text& path, int mode, int sharing) override {
        return fs_.openRaw(path, mode, sharing);
    }
    bool diskSpace(char letter, uint64_t& totalBytes, uint64_t& freeBytes) override {
        return fs_.diskSpace(letter, totalBytes, freeBytes);
    }
    // What setDrivePlace gave for the letter; false for a letter it did not.
    bool drivePlace(char letter, DiskPlace& out) override;
    // What setSystemPartition gave; false without it.
    bool systemPartition(SystemPartition& out) override;

    bool runCommandLine(const Text& commandLine, bool wait = false, int style = 2) override;
    Text runAndCapture(const Text& commandLine, uint32_t timeoutMs = 60000) override;
    void openWebAddress(const Text& address) override { webAddresses_.push_back(address); }

    int messageBox(const Text& message, unsigned style = 0, const Text& caption = "信息：") override;
    bool fileDialog(WindowId window, const char* control) override;
    // A window that is already open is not opened twice (false).
    bool openWindow(WindowId window, bool modal) override;
    void closeWindow(WindowId window) override;
    bool windowExists(WindowId window) override;
    void showWindow(WindowId window, bool visible) override;
    bool windowVisible(WindowId window) override;
    // Runs the messages queued before the call, in order; those queued while
    // it runs wait for the next call.
    void processPendingMessages() override;
    // Runs messages until no window is left or nothing is queued.
    void runMessageLoop() override;

    Text getText(WindowId w, const char* control) override;
    void setText(WindowId w, const char* control, const Text& text) override;
    int64_t getProp(WindowId w, const char* control, Prop p) override;
    void setProp(WindowId w, const char* control, Prop p, int64_t value) override;
    Text getTextProp(WindowId w, const char* control, Prop p) override;
    void setTextProp(WindowId w, const char* control, Prop p, const Text& value) override;
    void setPanelText(WindowId w, const char* statusBar, int panel, const Text& text) override;
    Text panelText(WindowId w, const char* statusBar, int panel) override;
    int listCount(WindowId w, const char* list) override;
    Text listItem(WindowId w, const char* list, int index) override;
    int listAdd(WindowId w, const char* list, const Text& text, intptr_t data = 0) override;
    void listClear(WindowId w, const char* list) override;
    void setCommandSink(CommandSink sink) override { sink_ = std::move(sink); }

    // Each call moves the clock on by the step (setClockStep; 16 ms at first).
    uint32_t tickCount() override { return clock_ += clockStep_; }
    void setClockStep(uint32_t ms) { clockStep_ = ms; }
    // The set clock (setClock), or the real local time.
    double localTime() override { return fs_.now(); }

    // Records the request; true for modes 1-5 unless the system refuses.
    bool shutDown(int mode, bool force) override;
    void refuseShutdown(bool refuse = true) { refuseShutdown_ = refuse; }

    // ---- The system: version, firmware, rights, system tools (sim_system.h) ----
    SimSystem& system() { return system_; }
    WindowsVersion windowsVersion() override { return system_.version; }
    Firmware firmware() override { return system_.firmware; }
    bool runsAsAdministrator() override { return system_.administrator; }
    bool systemToolExists(const Text& tool) override { return system_.toolExists(tool); }
    // Messages queued before the run are processed after it, as the real
    // machine processes them while it reads the tool's pipe.
    ToolRun runSystemTool(const Text& tool, const Text& arguments, uint32_t timeoutMs = 30000) override;

private:
    struct Script {
        Text output;
        std::function<void(SimMachine&)> effect;
    };
    struct Posted {
        uint64_t serial;
        std::function<void()> action;
    };
    SimWindow* window(WindowId id);
    SimControl* control(WindowId w, const char* name);   // records strays
    SimControl* reachable(WindowId w, const char* name);  // what a user can act on
    void fire(WindowId w, const char* command, int arg);
    void destroyWindow(WindowId id);
    bool isOpen(WindowId id, uint64_t generation);
    void runFirstPosted();

    // One step of a change: it happens, the power goes during it, or the
    // power is out already.
    enum class Step { Happens, CutDuring, Dead };
    Step step(const Text& what);

    SimFileSystem fs_;
    int stepsLeft_ = -1;  // until the cut; -1: no cut planned
    bool cut_ = false;
    std::vector<Text> steps_;
    SimSystem system_;
    Text programFolder_ = "C:\\Program Files\\Trivex\\";
    std::map<char, DiskPlace> places_;
    struct SimSystemPartition {
        DiskPlace place;
        char letter;
        std::vector<Text> rootFiles;
    };
    std::optional<SimSystemPartition> systemPartition_;
    bool refuseShutdown_ = false;
    std::map<Text, Script> scripts_;
    std::vector<CommandRecord> commands_;
    std::deque<int> answers_;
    std::vector<MessageRecord> messages_;
    std::deque<std::pair<Text, std::optional<Text>>> dialogChoices_;
    std::vector<DialogRecord> dialogs_;
    std::vector<Text> webAddresses_;
    std::vector<ShutdownRecord> shutdowns_;

    CommandSink sink_;
    std::map<WindowId, std::unique_ptr<SimWindow>> windows_;
    uint64_t generations_ = 0;
    std::deque<Posted> queue_;
    uint64_t serials_ = 0;
    int escapesPressed_ = 0;
    uint32_t clock_ = 0, clockStep_ = 16;
    std::vector<Text> strays_;
};

}  // namespace trivex::sim
