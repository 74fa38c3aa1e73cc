// The test toolkit: property maps made from the layout tables, the message
// queue, scripted boxes and dialogs, and the simulated user's actions.
#include "tests/support/test_toolkit.h"

#include <algorithm>

namespace trivex::sim {

using ui::Kind;

SimControl::SimControl(const ui::Control& r) : row(&r) {
    visible = (r.state & ui::kHidden) == 0;
    enabled = (r.state & ui::kDisabled) == 0;
    checked = (r.state & ui::kChecked) != 0;
    text = r.caption ? r.caption : "";
    if (r.backColor >= 0) backColor = r.backColor;
    else if (r.kind == Kind::Edit || (r.state & ui::kWhiteBack)) backColor = 0xFFFFFF;
    if (r.items)
        for (const char* const* item = r.items; *item; ++item) items.emplace_back(*item);
    if (r.kind == Kind::ComboBox && !items.empty()) {
        currentIndex = 0;
        text = items[0];
    }
    if (r.dialog) {
        fileName = r.dialog->fileName ? r.dialog->fileName : "";
        initialFolder = r.dialog->initialFolder ? r.dialog->initialFolder : "";
    }
    interval = r.interval;
    if (r.panelTexts)
        for (const char* const* panel = r.panelTexts; *panel; ++panel) panels.emplace_back(*panel);
}

SimWindow::SimWindow(const ui::WindowLayout& l, uint64_t gen) : layout(&l), generation(gen) {
    for (size_t i = 0; i < l.count; ++i) controls.emplace(l.controls[i].name, SimControl(l.controls[i]));
}

namespace {

const char* windowName(WindowId id) {
    switch (id) {
        case WindowId::Main: return "main";
        case WindowId::RestartPrompt: return "restart";
        case WindowId::UndoPrompt: return "undo";
    }
    return "?";
}

}  // namespace

TestToolkit::TestToolkit() = default;
TestToolkit::~TestToolkit() = default;

// ---- Boxes and dialogs ----------------------------------------------------------------

void TestToolkit::queueFileDialog(const char* control, std::optional<Text> choice) {
    dialogChoices_.emplace_back(control ? control : "", std::move(choice));
}

int TestToolkit::messageBox(const Text& message, unsigned style, const Text& caption) {
    if ((style & kMbSystemModal) == 0) style |= kMbTaskModal;
    messages_.push_back({message, style, caption});
    processPendingMessages();
    if (answers_.empty()) return kBtnOk;
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

bool TestToolkit::fileDialog(WindowId w, const char* name) {
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

// ---- Windows and the queue ----------------------------------------------------------

SimWindow* TestToolkit::window(WindowId id) {
    const auto it = windows_.find(id);
    return it == windows_.end() ? nullptr : it->second.get();
}

bool TestToolkit::isOpen(WindowId id, uint64_t generation) {
    const SimWindow* w = window(id);
    return w && w->generation == generation;
}

void TestToolkit::fire(WindowId w, const char* command, int arg) {
    if (command == nullptr || !sink_) return;
    const CommandSink sink = sink_;  // the command may replace the sink
    sink(w, command, arg);
}

bool TestToolkit::openWindow(WindowId id, bool modal) {
    if (window(id)) return false;
    const uint64_t generation = ++generations_;
    windows_[id] = std::make_unique<SimWindow>(ui::layoutOf(id), generation);
    fire(id, ui::layoutOf(id).onCreated, 0);
    if (!modal) return true;
    while (isOpen(id, generation)) {
        if (!queue_.empty()) {
            runFirstPosted();
            continue;
        }
        ++escapesPressed_;
        pressKey(id, kVkEscape);
        // A window that Esc does not close (and that queued nothing) ends here.
        if (isOpen(id, generation) && queue_.empty()) destroyWindow(id);
    }
    return true;
}

void TestToolkit::closeWindow(WindowId id) {
    const SimWindow* w = window(id);
    if (!w) return;
    const uint64_t generation = w->generation;
    post([this, id, generation] {
        if (isOpen(id, generation)) destroyWindow(id);
    });
}

void TestToolkit::destroyWindow(WindowId id) {
    SimWindow* w = window(id);
    if (!w || w->destroying) return;
    w->destroying = true;
    const uint64_t generation = w->generation;
    // The window and its controls still exist while the destroy command runs.
    fire(id, w->layout->onDestroy, 0);
    if (isOpen(id, generation)) windows_.erase(id);
}

bool TestToolkit::windowExists(WindowId id) { return window(id) != nullptr; }

void TestToolkit::showWindow(WindowId id, bool visible) {
    if (SimWindow* w = window(id)) w->visible = visible;
}

bool TestToolkit::windowVisible(WindowId id) {
    const SimWindow* w = window(id);
    return w && w->visible;
}

bool TestToolkit::dropsInput() {
    if (inputHeld_) ++inputDropped_;
    return inputHeld_;
}

void TestToolkit::post(std::function<void()> action) { queue_.push_back({serials_++, std::move(action)}); }

void TestToolkit::runFirstPosted() {
    std::function<void()> action = std::move(queue_.front().action);
    queue_.pop_front();
    if (action) action();
}

void TestToolkit::processPendingMessages() {
    const uint64_t end = serials_;
    while (!queue_.empty() && queue_.front().serial < end) runFirstPosted();
}

void TestToolkit::runMessageLoop() {
    while (!windows_.empty() && !queue_.empty()) runFirstPosted();
}

// ---- Properties ---------------------------------------------------------------------

SimControl* TestToolkit::control(WindowId w, const char* name) {
    SimWindow* win = window(w);
    if (win && name) {
        const auto it = win->controls.find(name);
        if (it != win->controls.end()) return &it->second;
    }
    strays_.push_back(Text(windowName(w)) + "/" + (name ? name : "(null)"));
    return nullptr;
}

Text TestToolkit::getText(WindowId w, const char* name) {
    const SimControl* c = control(w, name);
    return c ? c->text : Text();
}

void TestToolkit::setText(WindowId w, const char* name, const Text& text) {
    if (SimControl* c = control(w, name)) c->text = text;
}

int64_t TestToolkit::getProp(WindowId w, const char* name, Prop p) {
    const SimControl* c = control(w, name);
    if (!c) return 0;
    switch (p) {
        case Prop::Visible: return c->visible;
        case Prop::Enabled: return c->enabled;
        case Prop::Checked: return c->checked;
        case Prop::BackColor: return c->backColor;
        case Prop::CurrentIndex: return c->currentIndex;
        case Prop::Interval: return c->interval;
        case Prop::Redraw: return c->redraw;
        case Prop::Text:
        case Prop::FileName:
        case Prop::InitialFolder: break;
    }
    return 0;
}

void TestToolkit::setProp(WindowId w, const char* name, Prop p, int64_t value) {
    SimControl* c = control(w, name);
    if (!c) return;
    switch (p) {
        case Prop::Visible: c->visible = value != 0; break;
        case Prop::Enabled: c->enabled = value != 0; break;
        case Prop::Checked: c->checked = value != 0; break;  // this control only
        case Prop::BackColor: c->backColor = value; break;
        case Prop::Interval: c->interval = value; break;
        case Prop::Redraw: c->redraw = value != 0; break;
        case Prop::CurrentIndex: {
            // Like the list messages: an index outside the items selects nothing;
            // a combo box shows the text of its current item.
            const bool valid = value >= 0 && value < static_cast<int64_t>(c->items.size());
            c->currentIndex = valid ? value : -1;
            if (c->row->kind == Kind::ComboBox) c->text = valid ? c->items[static_cast<size_t>(value)] : Text();
            break;
        }
        case Prop::Text:
        case Prop::FileName:
        case Prop::InitialFolder: break;
    }
}

Text TestToolkit::getTextProp(WindowId w, const char* name, Prop p) {
    const SimControl* c = control(w, name);
    if (!c) return {};
    if (p == Prop::FileName) return c->fileName;
    if (p == Prop::InitialFolder) return c->initialFolder;
    if (p == Prop::Text) return c->text;
    return {};
}

void TestToolkit::setTextProp(WindowId w, const char* name, Prop p, const Text& value) {
    SimControl* c = control(w, name);
    if (!c) return;
    if (p == Prop::FileName) c->fileName = value;
    else if (p == Prop::InitialFolder) c->initialFolder = value;
    else if (p == Prop::Text) c->text = value;
}

void TestToolkit::setPanelText(WindowId w, const char* bar, int panel, const Text& text) {
    SimControl* c = control(w, bar);
    if (c && panel >= 0 && panel < static_cast<int>(c->panels.size())) c->panels[static_cast<size_t>(panel)] = text;
}

Text TestToolkit::panelText(WindowId w, const char* bar, int panel) {
    const SimControl* c = control(w, bar);
    if (c && panel >= 0 && panel < static_cast<int>(c->panels.size())) return c->panels[static_cast<size_t>(panel)];
    return {};
}

int TestToolkit::listCount(WindowId w, const char* list) {
    const SimControl* c = control(w, list);
    return c ? static_cast<int>(c->items.size()) : 0;
}

Text TestToolkit::listItem(WindowId w, const char* list, int index) {
    const SimControl* c = control(w, list);
    if (!c || index < 0 || index >= static_cast<int>(c->items.size())) return {};
    return c->items[static_cast<size_t>(index)];
}

int TestToolkit::listAdd(WindowId w, const char* list, const Text& text) {
    SimControl* c = control(w, list);
    if (!c || !c->isList()) return -1;
    c->items.push_back(text);
    return static_cast<int>(c->items.size()) - 1;
}

void TestToolkit::listClear(WindowId w, const char* list) {
    SimControl* c = control(w, list);
    if (!c || !c->isList()) return;
    c->items.clear();
    c->currentIndex = -1;
    if (c->row->kind == Kind::ComboBox) c->text.clear();
}

// ---- The simulated user -------------------------------------------------------------

SimControl* TestToolkit::reachable(WindowId w, const char* name) {
    SimWindow* win = window(w);
    if (!win || !win->visible || win->destroying || !name) return nullptr;
    const auto it = win->controls.find(name);
    if (it == win->controls.end()) return nullptr;
    SimControl* c = &it->second;
    if (c->row->kind == Kind::Timer || c->row->kind == Kind::FileDialog) return nullptr;
    // The control and every group box around it must be shown and enabled.
    for (const SimControl* k = c; k;) {
        if (!k->visible || !k->enabled) return nullptr;
        if (!k->row->parent) break;
        const auto parent = win->controls.find(k->row->parent);
        k = parent == win->controls.end() ? nullptr : &parent->second;
    }
    return c;
}

bool TestToolkit::click(WindowId w, const char* name) {
    if (dropsInput()) return false;
    SimControl* c = reachable(w, name);
    if (!c) return false;
    if (c->row->kind == Kind::RadioButton) {
        for (auto& [key, other] : window(w)->controls)
            if (other.row->kind == Kind::RadioButton) other.checked = false;
        c->checked = true;
    } else if (c->row->kind == Kind::CheckBox) {
        c->checked = !c->checked;
    }
    fire(w, c->row->event == ui::Event::Click ? c->row->command : nullptr, 0);
    return true;
}

bool TestToolkit::select(WindowId w, const char* list, int index) {
    if (dropsInput()) return false;
    SimControl* c = reachable(w, list);
    if (!c || !c->isList() || index < 0 || index >= static_cast<int>(c->items.size())) return false;
    c->currentIndex = index;
    if (c->row->kind == Kind::ComboBox) c->text = c->items[static_cast<size_t>(index)];
    fire(w, c->row->event == ui::Event::Select ? c->row->command : nullptr, 0);
    return true;
}

bool TestToolkit::pressKey(WindowId w, int vk) {
    if (dropsInput()) return false;
    const SimWindow* win = window(w);
    if (!win || !win->visible || win->destroying) return false;
    if (vk == kVkEscape && win->layout->escCloses) {
        destroyWindow(w);
        return true;
    }
    fire(w, win->layout->onKeyDown, vk);
    return true;
}

bool TestToolkit::tick(WindowId w, const char* timer) {
    SimWindow* win = window(w);
    if (!win || win->destroying || !timer) return false;
    const auto it = win->controls.find(timer);
    if (it == win->controls.end()) return false;
    const SimControl& c = it->second;
    if (c.row->kind != Kind::Timer || !c.enabled || c.interval <= 0) return false;
    fire(w, c.row->event == ui::Event::Tick ? c.row->command : nullptr, 0);
    return true;
}

bool TestToolkit::closeBox(WindowId w) {
    if (dropsInput()) return false;
    const SimWindow* win = window(w);
    if (!win || !win->visible || win->destroying || !win->layout->systemMenu) return false;
    destroyWindow(w);
    return true;
}

}  // namespace trivex::sim
