// The Win32 platform's own declarations, shared by the files of this folder.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/handles.h"
#include "ui/layout.h"

namespace trivex::win32 {

// Posted to a window to close it once the current handler has returned.
inline constexpr UINT kCloseRequest = WM_APP + 0x65;

// The colour requests a control sends its parent (WM_CTLCOLORMSGBOX ... WM_CTLCOLORSTATIC).
inline bool isControlColor(UINT msg) { return msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC; }

// True when `h` is `outer` or lies inside it.
inline bool within(HWND outer, HWND h) { return outer && h && (outer == h || IsChild(outer, h)); }

// Makes a static control (a label) paint its text itself, each line whole
// on one line (labels.cpp).
void paintOwnText(HWND label);

// File times to date values (local time); kNoDate when the time is unusable.
double dateOfFileTime(const FILETIME& utc);

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

class Win32Platform : public Platform {
public:
    Win32Platform();
    ~Win32Platform() override;

    // Files and folders (files.cpp)
    bool writeFile(const Text& path, const std::vector<ByteView>& blocks) override;
    bool deleteFile(const Text& path) override;
    bool copyFile(const Text& from, const Text& to) override;
    bool renameFile(const Text& from, const Text& to) override;
    bool replaceFile(const Text& from, const Text& to) override;
    bool writeFileWhole(const Text& path, const std::vector<ByteView>& blocks) override;
    bool setFileAttributes(const Text& path, uint32_t attributes) override;
    Text fullPath(const Text& path) override;
    bool sameFile(const Text& a, const Text& b) override;
    bool createFolder(const Text& path) override;
    int64_t fileSize(const Text& path) override;
    double fileModTime(const Text& path) override;
    int64_t fileAttributes(const Text& path) override;
    Text programFolder() override;
    bool listFirst(const Text& pattern, uintptr_t& handle, DirEntry& out) override;
    bool listNext(uintptr_t handle, DirEntry& out) override;
    void listClose(uintptr_t handle) override;
    std::unique_ptr<RawFile> openRaw(const Text& path, int mode, int sharing) override;
    bool diskSpace(char letter, uint64_t& totalBytes, uint64_t& freeBytes) override;
    bool drivePlace(char letter, DiskPlace& out) override;  // disks.cpp
    bool systemPartition(SystemPartition& out) override;    // disks.cpp

    // Processes (processes.cpp)
    bool runCommandLine(const Text& commandLine, bool wait, int style) override;
    Text runAndCapture(const Text& commandLine, uint32_t timeoutMs) override;
    void openWebAddress(const Text& address) override;

    // Message box and file dialogs (dialogs.cpp)
    int messageBox(const Text& message, unsigned style, const Text& caption) override;
    bool fileDialog(WindowId window, const char* control) override;

    // Windows and the message loop (windows.cpp)
    bool openWindow(WindowId window, bool modal) override;
    void closeWindow(WindowId window) override;
    bool windowExists(WindowId window) override;
    void showWindow(WindowId window, bool visible) override;
    bool windowVisible(WindowId window) override;
    void processPendingMessages() override;
    void runMessageLoop() override;
    void setCommandSink(CommandSink sink) override;

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
    int listAdd(WindowId w, const char* list, const Text& text, intptr_t data) override;
    void listClear(WindowId w, const char* list) override;

    // Restart (shutdown.cpp)
    bool shutDown(int mode, bool force) override;
    uint32_t tickCount() override { return GetTickCount(); }
    double localTime() override;

    // The system: version, firmware, rights, system tools (system.cpp)
    WindowsVersion windowsVersion() override;
    Firmware firmware() override;
    bool runsAsAdministrator() override;
    bool systemToolExists(const Text& tool) override;
    ToolRun runSystemTool(const Text& tool, const Text& arguments, uint32_t timeoutMs) override;

    // ---- Used by the window procedures ----
    LRESULT windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    WindowState* stateOf(HWND top);
    WindowState* stateOf(WindowId id);
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
    std::map<WindowId, std::unique_ptr<WindowState>> windows_;
    HWND activeWindow_ = nullptr;  // our top window that is active, if any
};

}  // namespace trivex::win32
