#include "ui/win32/one_copy.h"

#include "ui/layout.h"
#include "ui/win32/win32_toolkit.h"

namespace trivex::win32 {
namespace {

// In the global namespace, so that a copy in another user's session counts
// too; where that namespace is refused, the session's own.
constexpr char kGlobalName[] = "Global\\TrivexOneCopy";
constexpr char kSessionName[] = "TrivexOneCopy";
// A copy that has only just started may not have its window yet.
constexpr DWORD kWindowWaitMs = 10000;
constexpr DWORD kPollMs = 100;

// The running copy's main window, once it has one.
HWND runningWindow() {
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND h = FindWindowA(kWindowClass, ui::layoutOf(WindowId::Main).caption)) return h;
        if (GetTickCount() - start >= kWindowWaitMs) return nullptr;
        Sleep(kPollMs);
    }
}

}  // namespace

OneCopy claimOneCopy() {
    SetLastError(ERROR_SUCCESS);
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kGlobalName);
    DWORD error = GetLastError();
    if (!mutex && error == ERROR_ACCESS_DENIED) {
        // Either the mutex exists and belongs to another user's copy, or
        // this process may not make objects in the global namespace.
        HANDLE other = OpenMutexA(SYNCHRONIZE, FALSE, kGlobalName);
        const DWORD why = GetLastError();
        if (other) CloseHandle(other);
        if (other || why == ERROR_ACCESS_DENIED) error = ERROR_ALREADY_EXISTS;
    }
    if (!mutex && error != ERROR_ALREADY_EXISTS) {
        SetLastError(ERROR_SUCCESS);
        mutex = CreateMutexA(nullptr, FALSE, kSessionName);
        error = mutex ? GetLastError() : 0;
    }
    // The handle stays open until the process ends: that is the claim. A
    // mutex that cannot be made at all tells nothing: the program goes on.
    if (error != ERROR_ALREADY_EXISTS) return OneCopy::First;
    const HWND main = runningWindow();
    if (!main) return OneCopy::RunsElsewhere;
    if (IsIconic(main)) ShowWindow(main, SW_RESTORE);
    // The window the user last worked in: a prompt the running copy shows, or its main window.
    const HWND last = GetLastActivePopup(main);
    SetForegroundWindow(last ? last : main);
    return OneCopy::BroughtForward;
}

}  // namespace trivex::win32
