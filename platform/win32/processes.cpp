// Starting programs, capturing a process's output, opening a web address,
// and the tools of the system folder.

#include <vector>

#include "platform/win32/child_process.h"
#include "platform/win32/win32_machine.h"

#include <shellapi.h>  // needs <windows.h> first

namespace trivex::win32 {
namespace {

// "<system folder>\<tool>", empty for a refused name.
Text systemToolPath(const Text& tool) {
    if (!isBareToolName(tool)) return {};
    char folder[MAX_PATH + 1] = {};
    const UINT n = GetSystemDirectoryA(folder, sizeof folder);
    if (n == 0 || n >= sizeof folder) return {};
    Text path(folder, n);
    if (path.back() != '\\') path += '\\';
    return path + tool;
}

}  // namespace

SysResult Win32Machine::startProgram(const Text& commandLine) {
    if (commandLine.empty()) return SysResult::failed(ERROR_INVALID_NAME);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi{};
    // CreateProcessA may write into the command line, so it gets a copy.
    std::vector<char> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back('\0');
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return SysResult::failed(GetLastError());
    ProcessHandles handles;
    handles.adopt(pi);
    WaitForInputIdle(handles.process.get(), 1000);
    return SysResult::ok();
}

// Reads the child's standard output and error through an anonymous pipe,
// each read counted up to its first zero byte. The child reads from NUL
// (see CapturedChild), so a "pause" in it never waits for a key. A child that never ends is
// ended after `timeoutMs`; what was read until then is the result.
Text Win32Machine::runAndCapture(const Text& commandLine, uint32_t timeoutMs) {
    Text collected;
    const Deadline deadline(timeoutMs);
    CapturedChild child;
    if (!child.start(commandLine, false)) return collected;
    if (!child.read(collected, deadline, *this, true)) child.terminate();
    return collected;
}

void Win32Machine::openWebAddress(const Text& address) {
    if (address.empty()) return;
    HWND owner = FindWindowExA(nullptr, nullptr, nullptr, "Microsoft Internet Explorer");
    ShellExecuteA(owner, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool Win32Machine::systemToolExists(const Text& tool) {
    const Text path = systemToolPath(tool);
    if (path.empty()) return false;
    NativeSystemFolder native;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

ToolRun Win32Machine::runSystemTool(const Text& tool, const Text& arguments, uint32_t timeoutMs) {
    ToolRun run;
    if (!systemToolExists(tool)) return run;
    Text commandLine = "\"" + systemToolPath(tool) + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    const Deadline deadline(timeoutMs);
    CapturedChild child;
    if (!child.start(commandLine, true)) return run;
    run.started = true;
    DWORD exitCode = 0;
    if (child.read(run.output, deadline, *this, false) && child.wait(exitCode, deadline, *this)) {
        run.finished = true;
        run.exitCode = exitCode;
    } else {
        child.terminate();
    }
    return run;
}

}  // namespace trivex::win32
