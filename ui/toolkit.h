// The window toolkit: the program's windows as the commands see them.
//
// Windows are made from their layout tables (ui/layout.h); every bound
// control or window event ends up in the command sink. Two implementations:
// `win32/` (real windows, ANSI Win32) and the test toolkit the tests keep
// (tests/support/), which holds the same properties in maps and plays the
// user. Nothing below ui/ knows of windows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/machine.h"

namespace trivex {

// The program's windows.
enum class WindowId { Main, RestartPrompt, UndoPrompt };

// Control properties that the commands read and write.
enum class Prop {
    Visible,       // 0/1
    Enabled,       // 0/1
    Text,          // caption or content
    Checked,       // 0/1 (check boxes, radio buttons)
    BackColor,     // 0xRRGGBB (edit boxes)
    CurrentIndex,  // combo box and list boxes; -1 none
    FileName,      // file dialogs: last confirmed choice
    InitialFolder, // file dialogs
    Interval,      // timers, ms
    Redraw,        // list boxes: 0 holds painting and the scroll bar while the
                   // entries change; 1 brings both up to date again
};

// Message box button codes.
enum : int { kBtnOk = 0, kBtnCancel = 1, kBtnAbort = 2, kBtnRetry = 3, kBtnIgnore = 4, kBtnYes = 5, kBtnNo = 6 };
enum : unsigned { kMbOkCancel = 1, kMbSystemModal = 0x1000, kMbTaskModal = 0x2000 };

// Invoked for every bound control or window event: the command name from
// the layout table and the event's argument (the virtual-key code for key
// events, 0 otherwise).
using CommandSink = std::function<void(WindowId, const std::string& command, int arg)>;

class Toolkit {
public:
    virtual ~Toolkit() = default;

    // ---- Windows and the message loop --------------------------------------
    // Creates the window from its layout and shows it; modal returns after it
    // closed. A window that is open already is not opened twice (false).
    virtual bool openWindow(WindowId window, bool modal) = 0;
    // Deferred close: the window closes when the posted request is dispatched.
    virtual void closeWindow(WindowId window) = 0;
    virtual bool windowExists(WindowId window) = 0;
    // Hides or shows an open window (it keeps running while hidden).
    virtual void showWindow(WindowId window, bool visible) = 0;
    // False for a hidden window and for one that is not open.
    virtual bool windowVisible(WindowId window) = 0;
    // Dispatches what is already queued, returns when the queue is empty.
    virtual void processPendingMessages() = 0;
    // Runs until no window of the program is left.
    virtual void runMessageLoop() = 0;
    // Every bound event ends up here.
    virtual void setCommandSink(CommandSink sink) = 0;
    // While held, what the user does with the keyboard and the mouse in the
    // program's windows (keys, clicks, the close box) is dropped when the
    // messages are processed; painting and the program's own requests go on.
    // What is still queued from then when the hold ends is dropped too.
    virtual void holdInput(bool held) = 0;

    // ---- Boxes and dialogs -------------------------------------------------------
    // style gets MB_TASKMODAL unless it holds MB_SYSTEMMODAL. Returns a button
    // code. Only what the user does once the box is shown answers it: keys
    // and clicks from before, and key repeats (a key held down since), are
    // dropped.
    virtual int messageBox(const Text& message, unsigned style, const Text& caption) = 0;
    // Shows the file-dialog control; on confirm its FileName becomes the choice.
    virtual bool fileDialog(WindowId window, const char* control) = 0;

    // ---- Control properties ------------------------------------------------------
    virtual Text getText(WindowId w, const char* control) = 0;
    virtual void setText(WindowId w, const char* control, const Text& text) = 0;
    // Numeric properties (everything but Text/FileName/InitialFolder).
    virtual int64_t getProp(WindowId w, const char* control, Prop p) = 0;
    virtual void setProp(WindowId w, const char* control, Prop p, int64_t value) = 0;
    // File dialog texts (FileName, InitialFolder).
    virtual Text getTextProp(WindowId w, const char* control, Prop p) = 0;
    virtual void setTextProp(WindowId w, const char* control, Prop p, const Text& value) = 0;
    // An index outside the existing panels does nothing.
    virtual void setPanelText(WindowId w, const char* statusBar, int panel, const Text& text) = 0;
    virtual Text panelText(WindowId w, const char* statusBar, int panel) = 0;
    virtual int listCount(WindowId w, const char* list) = 0;
    virtual Text listItem(WindowId w, const char* list, int index) = 0;  // empty when out of range
    virtual int listAdd(WindowId w, const char* list, const Text& text) = 0;  // -1 on failure
    virtual void listClear(WindowId w, const char* list) = 0;
};

}  // namespace trivex
