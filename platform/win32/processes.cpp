// Starting processes, capturing a process's output, opening a web address.

#include <algorithm>
#include <vector>

#include "platform/text.h"
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

constexpr DWORD kCaptureBlock = 4096;  // each read asks for one byte less
constexpr DWORD kPollMs = 10;          // wait between looks at an empty pipe

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

// Reads the child's standard output and error through an anonymous pipe.
// The pipe is only read when it holds data, so that window messages keep
// being processed while the child is quiet, and a child that never ends
// is ended after `timeoutMs`; what was read until then is the result.
// The child reads from NUL: a program started from a command window would
// otherwise hand it that console's input, where a "pause" waits for a key.
Text Win32Platform::runAndCapture(const Text& commandLine, uint32_t timeoutMs) {
    Text collected;
    SECURITY_ATTRIBUTES sa{};
    sa.nLength = sizeof sa;  // 12 bytes
    sa.lpSecurityDescriptor = nullptr;
    sa.bInheritHandle = TRUE;
    Handle readEnd, writeEnd;
    if (!CreatePipe(readEnd.out(), writeEnd.out(), &sa, 0)) return collected;
    // Only the write end belongs in the child.
    SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
    Handle noInput(
        CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr));

    STARTUPINFOA si{};
    GetStartupInfoA(&si);
    si.cb = sizeof si;
    // The reserved fields carry the runtime's own hand-over data, which is
    // not the child's business.
    si.lpReserved = nullptr;
    si.cbReserved2 = 0;
    si.lpReserved2 = nullptr;
    si.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    si.hStdInput = noInput.valid() ? noInput.get() : nullptr;
    si.hStdOutput = writeEnd.get();
    si.hStdError = writeEnd.get();
    PROCESS_INFORMATION pi{};
    std::vector<char> cmd = writableCopy(commandLine);
    ProcessHandles child;
    if (!commandLine.empty() &&
        CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        child.adopt(pi);
    // From now on the pipe ends when every copy of the write end held by the
    // child (and whatever inherited it) is closed.
    writeEnd.close();
    noInput.close();

    const DWORD start = GetTickCount();
    auto timedOut = [&] { return GetTickCount() - start >= timeoutMs; };
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(readEnd.get(), nullptr, 0, nullptr, &available, nullptr)) break;  // ended
        if (available == 0) {
            if (timedOut()) {
                if (child.process.valid()) TerminateProcess(child.process.get(), 1);
                break;
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, kPollMs, QS_ALLINPUT);
            processPendingMessages();
            continue;
        }
        char block[kCaptureBlock] = {};
        DWORD got = 0;
        BOOL ok = ReadFile(readEnd.get(), block, kCaptureBlock - 1, &got, nullptr);
        collected += text::fromBlock(block, got);
        processPendingMessages();
        if (!ok) break;
        if (timedOut()) {
            if (child.process.valid()) TerminateProcess(child.process.get(), 1);
            break;
        }
    }
    return collected;
}

void Win32Platform::openWebAddress(const Text& address) {
    if (address.empty()) return;
    HWND owner = FindWindowExA(nullptr, nullptr, nullptr, "Microsoft Internet Explorer");
    ShellExecuteA(owner, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace trivex::win32
