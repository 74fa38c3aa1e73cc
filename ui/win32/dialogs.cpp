// The message box and the open and save file dialogs.

#include <algorithm>
#include <cstring>
#include <vector>

#include "ui/win32/win32_toolkit.h"

#include <commdlg.h>  // needs <windows.h> first

namespace trivex::win32 {
namespace {

// IDOK..IDNO (1..7) become the button codes 0..6; anything else -1.
int buttonCode(int id) { return id >= IDOK && id <= IDNO ? id - IDOK : -1; }

// "desc|pattern|desc|pattern" as the dialog wants it: zero-separated, ending
// in two zeros. A "|" that is the second byte of a GBK character stays.
std::vector<char> filterOf(const Text& filter) {
    Text f = filter;
    if (f.size() < 2 || f.compare(f.size() - 2, 2, "||") != 0) f += "||";
    std::vector<char> out(f.begin(), f.end());
    for (size_t i = 0; i < out.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(out[i]);
        if (b >= 0x81 && b != 0xFF && i + 1 < out.size()) { ++i; continue; }
        if (b == '|') out[i] = '\0';
    }
    out.push_back('\0');
    return out;
}

constexpr size_t kPathBuffer = 1024;

// While a message box is shown, its own loop hands every message it takes to
// this filter first: any key or click stamped before the box was asked for
// (on its way while the queue was emptied) and every key repeat (a key held
// down, perhaps since before the box; a box needs none) are dropped. A box
// shown from inside another's loop keeps the outer one's state aside.
struct BoxInput {
    HHOOK hook = nullptr;
    DWORD since = 0;
};
BoxInput g_box;

LRESULT CALLBACK boxInputFilter(int code, WPARAM wp, LPARAM lp) {
    const MSG* m = reinterpret_cast<const MSG*>(lp);
    if (code == MSGF_DIALOGBOX && m && isUserInput(m->message)) {
        const bool repeat = (m->message == WM_KEYDOWN || m->message == WM_SYSKEYDOWN) && (m->lParam & (1L << 30));
        if (repeat || static_cast<LONG>(m->time - g_box.since) < 0) return 1;
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

class FreshInputOnly {
public:
    FreshInputOnly() : outer_(g_box) {
        dropQueuedInput();
        g_box.since = GetTickCount();
        g_box.hook = SetWindowsHookExA(WH_MSGFILTER, boxInputFilter, nullptr, GetCurrentThreadId());
    }
    ~FreshInputOnly() {
        if (g_box.hook) UnhookWindowsHookEx(g_box.hook);
        g_box = outer_;
    }
    FreshInputOnly(const FreshInputOnly&) = delete;
    FreshInputOnly& operator=(const FreshInputOnly&) = delete;

private:
    BoxInput outer_;
};

}  // namespace

int Win32Toolkit::messageBox(const Text& message, unsigned style, const Text& caption) {
    UINT s = style;
    if (!(s & MB_SYSTEMMODAL)) s |= MB_TASKMODAL;
    HWND active = activeWindow_;
    int answer;
    {
        // Only what the user does once the box is there answers it: an Enter
        // typed while the program worked must not say OK to a question.
        const FreshInputOnly fresh;
        answer = MessageBoxA(nullptr, message.c_str(), caption.c_str(), s);
    }
    // The box has no owner, so nothing hands the activation back to the
    // window that had it; without it that window would get no keys.
    if (active && stateOf(active) && IsWindowVisible(active) && activeWindow_ != active)
        SetForegroundWindow(active);
    return buttonCode(answer);
}

bool Win32Toolkit::fileDialog(WindowId window, const char* control) {
    ControlState* c = this->control(window, control);
    if (!c || c->row->kind != ui::Kind::FileDialog || !c->row->dialog) return false;
    const ui::FileDialogSpec& settings = *c->row->dialog;

    DWORD flags = OFN_HIDEREADONLY;
    if (settings.createPrompt) flags |= OFN_CREATEPROMPT;
    if (settings.fileMustExist) flags |= OFN_FILEMUSTEXIST;
    if (settings.overwritePrompt) flags |= OFN_OVERWRITEPROMPT;
    if (settings.pathMustExist) flags |= OFN_PATHMUSTEXIST;
    if (settings.noChangeDir) flags |= OFN_NOCHANGEDIR;

    std::vector<char> file(kPathBuffer, '\0');
    std::memcpy(file.data(), c->fileName.data(), std::min(c->fileName.size(), kPathBuffer - 1));
    const Text filterText = settings.filter ? settings.filter : "";
    std::vector<char> filter = filterText.empty() ? std::vector<char>() : filterOf(filterText);
    const Text folder = c->initialFolder;
    const Text title = settings.title ? settings.title : "";
    const Text ext = settings.defaultExt ? settings.defaultExt : "";

    // The structure of the size every system since Windows 2000 accepts.
    OPENFILENAMEA ofn;
    std::memset(&ofn, 0, sizeof ofn);
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = windowHandle(window);
    ofn.hInstance = GetModuleHandleA(nullptr);
    ofn.lpstrFilter = filter.empty() ? nullptr : filter.data();
    ofn.nFilterIndex = filter.empty() ? 0 : 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
    ofn.Flags = flags;

    auto show = [&] { return settings.type == 1 ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn); };
    BOOL ok = show();
    if (!ok && CommDlgExtendedError() == FNERR_INVALIDFILENAME) {
        // A remembered name the dialog refuses would keep it from opening at all.
        file.assign(kPathBuffer, '\0');
        ofn.lpstrFile = file.data();
        ok = show();
    }
    if (!ok) return false;
    // The window may have closed while the dialog ran: look the control up again.
    if (ControlState* again = this->control(window, control)) again->fileName = file.data();
    return true;
}

}  // namespace trivex::win32
