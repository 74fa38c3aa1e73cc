// The window toolkit on 32-bit Windows: windows built from the layout
// tables with the ANSI Win32 functions, their messages routed to the bound
// command names.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <vector>

#include "platform/win32/handles.h"
#include "ui/layout.h"
#include "ui/toolkit.h"

namespace trivex::win32 {

// Posted to a window to close it once the current handler has returned.
inline constexpr UINT kCloseRequest = WM_APP + 0x65;

// The window class of every top-level window of the program.
inline constexpr char kWindowClass[] = "TrivexWindow";

// The colour requests a control sends its parent (WM_CTLCOLORMSGBOX ... WM_CTLCOLORSTATIC).
inline bool isControlColor(UINT msg) { return msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC; }

// What the user does with the keyboard and the mouse, over a window's client
// area or its frame (the close box among them).
inline bool isUserInput(UINT msg) {
    return (msg >= WM_KEYFIRST && msg <= 0x109) || (msg >= WM_MOUSEFIRST && msg <= 0x20E) ||
           (msg >= WM_NCMOUSEMOVE && msg <= 0xAD);
}

// Drops the keys and clicks queued for the program's thread, those the
// system still had to hand over among them (windows.cpp).
void dropQueuedInput();

// True when `h` is `outer` or lies inside it.
inline bool within(HWND outer, HWND h) { return outer && h && (outer == h || IsChild(outer, h)); }

// Makes a static control (a label) paint its text itself, each line whole
// on one line (labels.cpp).
void paintOwnText(HWND label);

// One control of an open window. Timers and file dialogs have no window:
// their properties live here.
struct ControlState {
    const ui::Control* row = nullptr;
    HWND hwnd = nullptr;
    int id = 0;               // child window id, and timer id for timers
    int64_t backColor = -1;   // 0xRRGGBB; -1: the system's colour
    GdiObject brush;          // solid brush of backColor
    GdiObject picture;        // picture boxes: the bitmap shown
    Text text;                // timers and file dialogs: their caption
    Text fileName;            // file dialogs
    Text initialFolder;       // file dialogs
    int interval = 0;         // timers, ms
    bool running = false;     // timers
    bool redraw = true;       // list boxes: painting not held
};

// One open window built from its layout.
struct WindowState {
    WindowId id{};
    const ui::WindowLayout* layout = nullptr;
    HWND hwnd = nullptr;
    std::vector<std::unique_ptr<ControlState>> controls;
    std::vector<std::pair<const ui::Font*, GdiObject>> fonts;
    std::vector<HWND> typing;  // controls where letters stay text
    HWND savedFocus = nullptr; // focus to give back when the window is activated again
    DWORD shownAt = 0;         // tick count when it appeared

    ControlState* find(const char* name);
    ControlState* findWindow(HWND h);
    ControlState* findId(int id);
};

class Win32Toolkit : public Toolkit {
public:
    Win32Toolkit();
    ~Win32Toolkit() override;
    Win32Toolkit(const Win32Toolkit&) = delete;
    Win32Toolkit& operator=(const Win32Toolkit&) = delete;

    // Windows and the message loop (windows.cpp)
    bool openWindow(WindowId window, bool modal) override;
    void closeWindow(WindowId window) override;
    bool windowExists(WindowId window) override;
    void showWindow(WindowId window, bool visible) override;
    bool windowVisible(WindowId window) override;
    void processPendingMessages() override;
    void runMessageLoop() override;
    void setCommandSink(CommandSink sink) override;
    void holdInput(bool held) override;

    // Message box and file dialogs (dialogs.cpp)
    int messageBox(const Text& message, unsigned style, const Text& caption) override;
    bool fileDialog(WindowId window, const char* control) override;

    // Control properties (controls.cpp)
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

    // ---- Used by the window procedures ----
    LRESULT windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    WindowState* stateOf(HWND top);
    WindowState* stateOf(WindowId id);
    // The HWND of one of the program's windows, nullptr when it is not open.
    HWND windowHandle(WindowId id);

private:
    // windows.cpp
    void fire(WindowId window, const char* command, int arg);
    bool handleKey(const MSG& msg);
    static bool freshKey(const WindowState& ws, DWORD time, LPARAM lp);
    void dispatch(MSG& msg);
    void forgetWindow(HWND hwnd);
    // controls.cpp
    bool createControls(WindowState& ws);
    void releaseControls(WindowState& ws);
    HFONT fontFor(WindowState& ws, const ui::Font* font);
    void applyBackColor(ControlState& c, int64_t rgb);
    void setTimer(WindowState& ws, ControlState& c, int interval, bool running);
    bool onCommand(WindowState& ws, WPARAM wp, LPARAM lp);
    LRESULT onControlColor(WindowState& ws, UINT msg, WPARAM wp, LPARAM lp, bool& handled);
    ControlState* control(WindowId w, const char* name);

    CommandSink sink_;
    bool inputHeld_ = false;
    std::map<WindowId, std::unique_ptr<WindowState>> windows_;
    HWND activeWindow_ = nullptr;  // our top window that is active, if any
};

}  // namespace trivex::win32
