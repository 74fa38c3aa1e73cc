// Windows as data: one row per control, one record per window.
//
// The Win32 side turns a `WindowLayout` into real windows and routes their
// messages to the bound command names; the simulated machine keeps the same
// properties in memory. Geometry is relative to the client area of the
// parent: the window, or the group box named in `parent`.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ui/toolkit.h"

namespace trivex::ui {

enum class Kind {
    GroupBox,
    Button,
    RadioButton,
    CheckBox,
    Label,             // static text with the default look
    TransparentLabel,  // static text drawn over the parent, no background
    Edit,
    ListBox,
    ComboBox,          // editable drop-down
    StatusBar,         // docked along the bottom edge
    Timer,             // no window
    FileDialog,        // no window
    PictureBox,
};

// Initial state flags of a control.
enum : uint32_t {
    kDisabled = 1u << 0,
    kChecked = 1u << 1,
    kHidden = 1u << 2,
    kWhiteBack = 1u << 3,  // white background (radio buttons, check boxes, edits)
    kFlat = 1u << 4,       // flat check box
    kGroupStart = 1u << 5, // first button of a radio group
};

enum class Event { None, Click, Select, Tick };

struct Font {
    const char* face;  // GBK
    int height;        // character height in pixels
    bool bold;
    int charset;       // 134 = GB2312
};

struct FileDialogSpec {
    int type;  // 0 open, 1 save
    const char* title;
    const char* fileName;
    const char* filter;  // "desc|pattern|..."
    const char* initialFolder;
    const char* defaultExt;
    bool createPrompt;
    bool fileMustExist;
    bool overwritePrompt;
    bool pathMustExist;
    bool noChangeDir;
};

struct Control {
    const char* name;    // layout name, GBK
    Kind kind;
    const char* parent;  // nullptr: the window itself; else a group box name
    int x, y, w, h;
    const char* caption; // caption or content; nullptr for none
    uint32_t state = 0;
    int64_t backColor = -1;  // 0xRRGGBB, -1: the kind's default
    const Font* font = nullptr;
    Event event = Event::None;
    const char* command = nullptr;  // command name bound to `event`
    // Kind-specific extras.
    const char* const* items = nullptr;  // combo box items, nullptr-terminated
    int interval = 0;                    // timer, ms
    const FileDialogSpec* dialog = nullptr;
    const int* panelWidths = nullptr;    // status bar: widths, -1 = the rest
    const char* const* panelTexts = nullptr;  // status bar: nullptr-terminated, one per panel
    int dropHeight = 0;                  // combo box list height when dropped
    int resource = 0;                    // picture box: bitmap resource number
    // List box: the labels (nullptr-terminated names) whose left edges its
    // columns start at; an entry's fields are separated by tabs.
    const char* const* columns = nullptr;
};

struct WindowLayout {
    WindowId id;
    const char* caption;
    int outerW, outerH;  // frame and caption included
    bool minimizeBox;    // caption buttons: minimize + close (system menu) when true
    bool systemMenu;     // false: no caption buttons at all
    bool escCloses;
    int iconResource;    // 0: none of its own
    const Control* controls;
    size_t count;
    // Window events bound to commands (nullptr: none).
    const char* onCreated;
    const char* onDestroy;
    const char* onKeyDown;
    // Controls whose typing must stay text (keyboard shortcuts do not apply there).
    const char* const* typingControls;
    // Only keys pressed after the window appeared count: a key held down
    // (auto-repeat) or typed before it opened never answers it.
    bool freshKeysOnly = false;
};

const WindowLayout& layoutOf(WindowId id);
// Row of `name` in `layout`, nullptr when absent.
const Control* findControl(const WindowLayout& layout, const char* name);

}  // namespace trivex::ui
