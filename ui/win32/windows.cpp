// Top-level windows from the layout tables, the message loops, and the
// routing of window events and keys to the bound commands.

#include <cstring>

#include "ui/win32/win32_toolkit.h"

#include <commctrl.h>  // needs <windows.h> first

namespace trivex::win32 {
namespace {

LRESULT CALLBACK topWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32Toolkit*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    return self->windowProc(hwnd, msg, wp, lp);
}

bool registerWindowClass() {
    static bool registered = false;
    if (registered) return true;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = topWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWindowClass;
    registered = RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return registered;
}

void setIcons(HWND hwnd, int resource) {
    if (resource == 0) return;
    HINSTANCE inst = GetModuleHandleA(nullptr);
    const struct { WPARAM which; int cx, cy; } kSizes[] = {
        {ICON_BIG, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)},
        {ICON_SMALL, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)},
    };
    for (const auto& s : kSizes) {
        // Shared icons belong to the system's cache and are never destroyed by us.
        HANDLE icon = LoadImageA(inst, MAKEINTRESOURCEA(resource), IMAGE_ICON, s.cx, s.cy, LR_SHARED);
        if (icon) SendMessageA(hwnd, WM_SETICON, s.which, reinterpret_cast<LPARAM>(icon));
    }
}

bool isLetterOrDigit(WPARAM vk) { return (vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z'); }

// Removes a quit request that the last window of the program left behind.
void dropQuitRequest() {
    MSG m;
    while (PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
}

}  // namespace

void dropQueuedInput() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE | PM_QS_INPUT)) {
        if (m.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(m.wParam));  // stays for the loop that ends on it
            return;
        }
    }
}

// ---- WindowState lookups ------------------------------------------------------

ControlState* WindowState::find(const char* name) {
    if (!name) return nullptr;
    for (auto& c : controls)
        if (std::strcmp(c->row->name, name) == 0) return c.get();
    return nullptr;
}

ControlState* WindowState::findWindow(HWND h) {
    if (!h) return nullptr;
    for (auto& c : controls)
        if (c->hwnd == h) return c.get();
    return nullptr;
}

ControlState* WindowState::findId(int id) {
    for (auto& c : controls)
        if (c->id == id) return c.get();
    return nullptr;
}

// ---- The toolkit ---------------------------------------------------------------

Win32Toolkit::Win32Toolkit() {
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof icc;
    icc.dwICC = ICC_BAR_CLASSES;
    InitCommonControlsEx(&icc);
}

Win32Toolkit::~Win32Toolkit() {
    sink_ = nullptr;  // no commands run while the toolkit goes away
    std::vector<HWND> open;
    for (auto& [id, ws] : windows_) open.push_back(ws->hwnd);
    for (HWND h : open) DestroyWindow(h);
    windows_.clear();
}

WindowState* Win32Toolkit::stateOf(HWND top) {
    if (!top) return nullptr;
    for (auto& [id, ws] : windows_)
        if (ws->hwnd == top) return ws.get();
    return nullptr;
}

WindowState* Win32Toolkit::stateOf(WindowId id) {
    auto it = windows_.find(id);
    return it == windows_.end() || !it->second->hwnd ? nullptr : it->second.get();
}

HWND Win32Toolkit::windowHandle(WindowId id) {
    WindowState* ws = stateOf(id);
    return ws ? ws->hwnd : nullptr;
}

void Win32Toolkit::setCommandSink(CommandSink sink) { sink_ = std::move(sink); }

void Win32Toolkit::holdInput(bool held) {
    // What the user did while the program worked and did not look at its
    // messages (a disk that spins up, a slow drive) is still queued: it is
    // not for the program once it is ready again.
    if (inputHeld_ && !held) dropQueuedInput();
    inputHeld_ = held;
}

void Win32Toolkit::fire(WindowId window, const char* command, int arg) {
    if (!command || !sink_) return;
    CommandSink sink = sink_;  // the command may replace the sink
    sink(window, command, arg);
}

bool Win32Toolkit::openWindow(WindowId id, bool modal) {
    if (windows_.count(id)) return false;  // open already (or being built)
    HWND hwnd = nullptr;
    {
        // A quit request left behind by windows closed earlier is stale now.
        if (windows_.empty()) dropQuitRequest();
        if (!registerWindowClass()) return false;
        const ui::WindowLayout& layout = ui::layoutOf(id);
        DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_CLIPSIBLINGS;
        if (layout.systemMenu) style |= WS_SYSMENU;
        if (layout.minimizeBox) style |= WS_MINIMIZEBOX;
        const int x = (GetSystemMetrics(SM_CXSCREEN) - layout.outerW) / 2;
        const int y = (GetSystemMetrics(SM_CYSCREEN) - layout.outerH) / 2;

        auto owned = std::make_unique<WindowState>();
        WindowState* ws = owned.get();
        ws->id = id;
        ws->layout = &layout;
        windows_[id] = std::move(owned);
        hwnd = CreateWindowExA(WS_EX_APPWINDOW, kWindowClass, layout.caption, style, x < 0 ? 0 : x,
                               y < 0 ? 0 : y, layout.outerW, layout.outerH, nullptr, nullptr,
                               GetModuleHandleA(nullptr), this);
        if (!hwnd) {
            windows_.erase(id);
            return false;
        }
        ws->hwnd = hwnd;
        setIcons(hwnd, layout.iconResource);
        if (!createControls(*ws)) {
            ws->layout = nullptr;  // not built: no destroy command
            DestroyWindow(hwnd);
            // A window that never opened ends nothing: without this, the quit
            // request of its destruction would close at once the message box
            // that tells the user about it.
            if (windows_.empty()) dropQuitRequest();
            return false;
        }
        ShowWindow(hwnd, SW_SHOW);
        UpdateWindow(hwnd);
        ws->shownAt = GetTickCount();
        // Every control exists now; the created command may run long and
        // process messages itself.
        fire(id, layout.onCreated, 0);
    }
    if (modal) {
        // Runs until this very window is gone.
        while (stateOf(hwnd)) {
            MSG m;
            BOOL r = GetMessageA(&m, nullptr, 0, 0);
            if (r == 0) {
                PostQuitMessage(static_cast<int>(m.wParam));  // for the outer loop
                break;
            }
            if (r == -1) break;
            dispatch(m);
        }
    }
    return true;
}

void Win32Toolkit::closeWindow(WindowId window) {
    if (HWND h = windowHandle(window)) PostMessageA(h, kCloseRequest, 0, 0);
}

bool Win32Toolkit::windowExists(WindowId window) { return windowHandle(window) != nullptr; }

void Win32Toolkit::showWindow(WindowId window, bool visible) {
    if (HWND h = windowHandle(window)) ShowWindow(h, visible ? SW_SHOW : SW_HIDE);
}

bool Win32Toolkit::windowVisible(WindowId window) {
    HWND h = windowHandle(window);
    return h && IsWindowVisible(h);
}

void Win32Toolkit::processPendingMessages() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(m.wParam));  // stays for the loop that ends on it
            break;
        }
        if (inputHeld_ && isUserInput(m.message)) continue;
        dispatch(m);
    }
}

void Win32Toolkit::runMessageLoop() {
    while (!windows_.empty()) {
        MSG m;
        BOOL r = GetMessageA(&m, nullptr, 0, 0);
        if (r == 0 || r == -1) break;
        dispatch(m);
    }
}

void Win32Toolkit::dispatch(MSG& m) {
    if (handleKey(m)) return;
    if (m.hwnd) {
        HWND root = GetAncestor(m.hwnd, GA_ROOT);
        // Tab, arrows, Enter and Alt+letter work as in a dialog.
        if (stateOf(root) && IsDialogMessageA(root, &m)) return;
    }
    TranslateMessage(&m);
    DispatchMessageA(&m);
}

// Whether a key-down counts for the window: always, unless its layout asks
// for fresh keys only; then not a repeat of a held key (bit 30 of lParam:
// the key was down already) and not one pressed before the window appeared.
bool Win32Toolkit::freshKey(const WindowState& ws, DWORD time, LPARAM lp) {
    if (!ws.layout->freshKeysOnly) return true;
    if (lp & (1L << 30)) return false;
    return static_cast<LONG>(time - ws.shownAt) >= 0;
}

// Keys for a window's key command. A letter or digit pressed anywhere in
// one of our windows goes to that window's key command and is used up, so
// that it neither types nor clicks a control by its mnemonic, except in the
// controls where the user types text. Esc closes windows that close on Esc.
bool Win32Toolkit::handleKey(const MSG& m) {
    if (m.message != WM_KEYDOWN || !m.hwnd) return false;
    WindowState* ws = stateOf(GetAncestor(m.hwnd, GA_ROOT));
    if (!ws || !ws->layout) return false;
    // A hidden window (the main window behind the restart prompt) takes no
    // keys that were queued for it; a window of fresh keys only takes none
    // that were held or typed before it appeared.
    if (!IsWindowVisible(ws->hwnd) || !freshKey(*ws, m.time, m.lParam)) return isLetterOrDigit(m.wParam);
    if (m.wParam == VK_ESCAPE) {
        if (!ws->layout->escCloses) return false;
        for (auto& c : ws->controls)  // Esc first folds a dropped-down list
            if (c->row->kind == ui::Kind::ComboBox && within(c->hwnd, m.hwnd) &&
                SendMessageA(c->hwnd, CB_GETDROPPEDSTATE, 0, 0))
                return false;
        closeWindow(ws->id);
        return true;
    }
    if (!isLetterOrDigit(m.wParam)) return false;
    for (HWND t : ws->typing)
        if (within(t, m.hwnd)) return false;
    fire(ws->id, ws->layout->onKeyDown, static_cast<int>(m.wParam));
    return true;
}

LRESULT Win32Toolkit::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    WindowState* ws = stateOf(hwnd);
    if (!ws || !ws->layout) {
        if (msg == WM_NCDESTROY) forgetWindow(hwnd);
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
    if (isControlColor(msg)) {
        bool handled = false;
        const LRESULT r = onControlColor(*ws, msg, wp, lp, handled);
        return handled ? r : DefWindowProcA(hwnd, msg, wp, lp);
    }
    switch (msg) {
        case kCloseRequest:
            DestroyWindow(hwnd);
            return 0;
        case WM_COMMAND:
            if (onCommand(*ws, wp, lp)) return 0;
            break;
        case WM_TIMER: {
            ControlState* c = ws->findId(static_cast<int>(wp));
            if (c && c->row->kind == ui::Kind::Timer) fire(ws->id, c->row->command, 0);
            return 0;
        }
        case WM_KEYDOWN:  // keys that reach the window itself (it has the focus)
            if (freshKey(*ws, static_cast<DWORD>(GetMessageTime()), lp))
                fire(ws->id, ws->layout->onKeyDown, static_cast<int>(wp));
            return 0;
        case DM_GETDEFID: {
            // Enter clicks the push button that has the focus.
            HWND f = GetFocus();
            ControlState* c = ws->findWindow(f);
            if (c && c->row->kind == ui::Kind::Button && IsWindowEnabled(f))
                return MAKELRESULT(c->id, DC_HASDEFID);
            return 0;
        }
        case WM_ACTIVATE:
            if (LOWORD(wp) == WA_INACTIVE) {
                if (activeWindow_ == hwnd) activeWindow_ = nullptr;
                HWND f = GetFocus();
                if (f && IsChild(hwnd, f)) ws->savedFocus = f;
                return 0;
            }
            activeWindow_ = hwnd;
            if (!IsIconic(hwnd)) {
                HWND f = ws->savedFocus;
                if (f && IsWindow(f) && IsChild(hwnd, f) && IsWindowEnabled(f) && IsWindowVisible(f))
                    SetFocus(f);
                else
                    SetFocus(hwnd);
            }
            return 0;
        case WM_SIZE:
            for (auto& c : ws->controls)
                if (c->row->kind == ui::Kind::StatusBar && c->hwnd) SendMessageA(c->hwnd, WM_SIZE, 0, 0);
            break;
        case WM_DESTROY:
            fire(ws->id, ws->layout->onDestroy, 0);
            return 0;
        case WM_NCDESTROY:
            forgetWindow(hwnd);
            break;
        default:
            break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

void Win32Toolkit::forgetWindow(HWND hwnd) {
    if (activeWindow_ == hwnd) activeWindow_ = nullptr;
    for (auto it = windows_.begin(); it != windows_.end(); ++it) {
        if (it->second->hwnd != hwnd) continue;
        releaseControls(*it->second);
        windows_.erase(it);
        if (windows_.empty()) PostQuitMessage(0);
        return;
    }
}

}  // namespace trivex::win32
