// Running a hidden child process and reading its standard output and error
// through a pipe (the probe script, the system's tools), and reaching the
// real System32 from a 32-bit process on 64-bit Windows.
#pragma once

#include <windows.h>

#include "platform/machine.h"
#include "platform/win32/handles.h"

namespace trivex::win32 {

class Win32Machine;

// A function of kernel32.dll that older systems may lack, looked up at run
// time so that the import table stays loadable on Windows XP; null when the
// system has none.
template <class F>
F kernelFunction(const char* name) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(kernel, name))) : nullptr;
}

// True for a 32-bit process on 64-bit Windows (IsWow64Process, looked up at
// run time).
bool runsUnderWow64();

// For its lifetime, file-system redirection is off on this thread, so that
// "<System32>\x.exe" names the 64-bit system's own file, not its 32-bit
// stand-in in SysWOW64. Does nothing outside WOW64 or when `wanted` is false.
// Keep it around single calls: with redirection off, the system would also
// look for 32-bit DLLs in the 64-bit folder.
class NativeSystemFolder {
public:
    explicit NativeSystemFolder(bool wanted = true);
    ~NativeSystemFolder();
    NativeSystemFolder(const NativeSystemFolder&) = delete;
    NativeSystemFolder& operator=(const NativeSystemFolder&) = delete;

private:
    void* old_ = nullptr;
    bool off_ = false;
};

// A time limit counted from construction (GetTickCount, wrap-safe).
class Deadline {
public:
    explicit Deadline(uint32_t ms) : start_(GetTickCount()), ms_(ms) {}
    bool passed() const { return GetTickCount() - start_ >= ms_; }
    DWORD left() const {
        const DWORD used = GetTickCount() - start_;
        return used >= ms_ ? 0 : ms_ - used;
    }

private:
    DWORD start_;
    DWORD ms_;
};

// A hidden child process whose standard output and error both go into one
// pipe that this process reads. The child is not ended when this object goes;
// call terminate() for that.
class CapturedChild {
public:
    // Creates the pipe and the process (no application name, the command line
    // as given, handles inherited, window hidden). With `nativeSystemFolder`,
    // WOW64 redirection is off while the process is created. False when the
    // pipe or the process cannot be made.
    bool start(const Text& commandLine, bool nativeSystemFolder);
    // Appends what the child writes to `out` until the pipe ends (every copy of
    // its write end closed: true) or the deadline passes (false). The
    // machine's wait hook runs while the pipe is quiet and after every read.
    // With `cutAtZero`, each block read counts only up to its first zero byte.
    bool read(Text& out, const Deadline& deadline, Win32Machine& machine, bool cutAtZero);
    // Waits for the child's end until the deadline, running the machine's
    // wait hook; true with its exit code.
    bool wait(DWORD& exitCode, const Deadline& deadline, Win32Machine& machine);
    void terminate();

private:
    Handle readEnd_;
    ProcessHandles child_;
};

}  // namespace trivex::win32
