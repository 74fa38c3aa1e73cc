// The window toolkit of the tests: one property map per open window, made
// from the window's layout table, a message queue, message boxes and file
// dialogs that answer from a script, and a simulated user who clicks,
// selects and presses keys.
//
// Nothing here waits for anything. Where the real toolkit would block until
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
#include <string>
#include <utility>
#include <vector>

#include "ui/layout.h"
#include "ui/toolkit.h"

namespace trivex::sim {

constexpr int kVkEscape = 0x1B;

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

struct SimControl {
    const ui::Control* row = nullptr;
    bool visible = true;
    bool enabled = true;
    bool checked = false;
    Text text;
    int64_t backColor = -1;
    int64_t currentIndex = -1;
    Text fileName;       // file dialogs
    Text initialFolder;  // file dialogs
    int64_t interval = 0;
    bool redraw = true;  // list boxes
    std::vector<Text> items;   // list and combo boxes
    std::vector<Text> panels;  // status bars

    explicit SimControl(const ui::Control& r);
    bool isList() const { return row->kind == ui::Kind::ListBox || row->kind == ui::Kind::ComboBox; }
};

struct SimWindow {
    const ui::WindowLayout* layout = nullptr;
    uint64_t generation = 0;
    bool visible = true;
    bool destroying = false;
    std::map<std::string, SimControl> controls;  // by layout name

    SimWindow(const ui::WindowLayout& l, uint64_t gen);
};

class TestToolkit : public Toolkit {
public:
    TestToolkit();
    ~TestToolkit() override;
    TestToolkit(const TestToolkit&) = delete;
    TestToolkit& operator=(const TestToolkit&) = delete;

    // ---- Boxes and dialogs (set-up and inspection) ------------------------------------
    void queueAnswer(int button) { answers_.push_back(button); }
    const std::vector<MessageRecord>& messages() const { return messages_; }
    // The user's next choice in the file dialog `control`; nullopt cancels.
    void queueFileDialog(const char* control, std::optional<Text> choice);
    const std::vector<DialogRecord>& dialogs() const { return dialogs_; }

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
    // While the program holds input (holdInput), the user's actions above do
    // nothing and return false, as the real windows drop keys and clicks;
    // inputDropped() counts them.
    int inputDropped() const { return inputDropped_; }
    // Queues an action as if it were a window message; it runs when messages
    // are processed.
    void post(std::function<void()> action);
    size_t pendingMessages() const { return queue_.size(); }
    int escapesPressed() const { return escapesPressed_; }
    // "window/control" for each property access to a control that the window
    // does not have (or a window that is not open).
    const std::vector<Text>& strayControls() const { return strays_; }

    // ---- Toolkit -------------------------------------------------------------------
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
    void setCommandSink(CommandSink sink) override { sink_ = std::move(sink); }
    void holdInput(bool held) override { inputHeld_ = held; }

    // The box runs its own message loop while it is shown: what is queued
    // when it opens is dispatched before the answer comes back.
    int messageBox(const Text& message, unsigned style, const Text& caption) override;
    bool fileDialog(WindowId window, const char* control) override;

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
    int listAdd(WindowId w, const char* list, const Text& text) override;
    void listClear(WindowId w, const char* list) override;

private:
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
    bool dropsInput();  // counts a user action dropped while input is held

    std::deque<int> answers_;
    std::vector<MessageRecord> messages_;
    std::deque<std::pair<Text, std::optional<Text>>> dialogChoices_;
    std::vector<DialogRecord> dialogs_;

    CommandSink sink_;
    std::map<WindowId, std::unique_ptr<SimWindow>> windows_;
    uint64_t generations_ = 0;
    std::deque<Posted> queue_;
    uint64_t serials_ = 0;
    int escapesPressed_ = 0;
    bool inputHeld_ = false;
    int inputDropped_ = 0;
    std::vector<Text> strays_;
};

}  // namespace trivex::sim
