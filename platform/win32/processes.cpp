// Starting processes, capturing a process's output, opening a web address.

#include <algorithm>
#include <vector>

#include "platform/win32/child_process.h"
#include "platform/win32/platform_impl.h"

#include <shellapi.h>  // needs <windows.h> first

namespace trivex::win32 {
namespace {

// CreateProcessA may write into the command line, so it gets a copy.
std::vector<char> writableCopy(const Text& t) {
    std::vector<char> v(t.begin(), t.end());
    v.push_back('\0');
    return v;
}

int showStateOf(int style) {
    static const int kShow[] = {SW_HIDE, SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED,
                                SW_SHOWNOACTIVATE, SW_MINIMIZE};
    return kShow[std::clamp(style, 1, 6) - 1];
}

}  // namespace

bool Win32Platform::runCommandLine(const Text& commandLine, bool wait, int style) {
    if (commandLine.empty()) return false;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(showStateOf(style));
    PROCESS_INFORMATION pi{};
    std::vector<char> cmd = writableCopy(commandLine);
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    ProcessHandles handles;
    handles.adopt(pi);
    if (wait)
        WaitForSingleObject(handles.process.get(), INFINITE);
    else
        WaitForInputIdle(handles.process.get(), 1000);
    return true;
}

// Reads the child's standard output and error through an anonymous pipe,
// each read counted up to its first zero byte. The child reads from NUL
// (see CapturedChild), so a "pause" in it never waits for a key. A child that never ends is
// ended after `timeoutMs`; what was read until then is the result.
Text Win32Platform::runAndCapture(const Text& commandLine, uint32_t timeoutMs) {
    Text collected;
    const Deadline deadline(timeoutMs);
    CapturedChild child;
    if (!child.start(commandLine, false)) return collected;
    if (!child.read(collected, deadline, *this, true)) child.terminate();
    return collected;
}

void Win32Platform::openWebAddress(const Text& address) {
    if (address.empty()) return;
    HWND owner = FindWindowExA(nullptr, nullptr, nullptr, "Microsoft Internet Explorer");
    ShellExecuteA(owner, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace trivex::win32
