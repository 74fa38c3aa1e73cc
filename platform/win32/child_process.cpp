#include "platform/win32/child_process.h"

#include <vector>

#include "platform/text.h"
#include "platform/win32/win32_machine.h"

namespace trivex::win32 {
namespace {

constexpr DWORD kReadBlock = 4096;  // each read asks for one byte less
constexpr DWORD kPollMs = 10;       // wait between looks at an empty pipe

}  // namespace

bool runsUnderWow64() {
    using IsWow64 = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto isWow64 = kernelFunction<IsWow64>("IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

NativeSystemFolder::NativeSystemFolder(bool wanted) {
    if (!wanted || !runsUnderWow64()) return;
    using Disable = BOOL(WINAPI*)(PVOID*);
    const auto disable = kernelFunction<Disable>("Wow64DisableWow64FsRedirection");
    off_ = disable && disable(&old_);
}

NativeSystemFolder::~NativeSystemFolder() {
    if (!off_) return;
    using Revert = BOOL(WINAPI*)(PVOID);
    if (const auto revert = kernelFunction<Revert>("Wow64RevertWow64FsRedirection")) revert(old_);
}

bool CapturedChild::start(const Text& commandLine, bool nativeSystemFolder) {
    SECURITY_ATTRIBUTES sa{};
    sa.nLength = sizeof sa;  // 12 bytes
    sa.lpSecurityDescriptor = nullptr;
    sa.bInheritHandle = TRUE;
    Handle writeEnd;
    if (!CreatePipe(readEnd_.out(), writeEnd.out(), &sa, 0)) return false;
    // Only the write end belongs in the child.
    SetHandleInformation(readEnd_.get(), HANDLE_FLAG_INHERIT, 0);

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
    // The child reads from NUL: a program started from a command window would
    // otherwise hand it that console's input, where a "pause" waits for a key.
    Handle noInput(CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr));
    si.hStdInput = noInput.valid() ? noInput.get() : nullptr;
    si.hStdOutput = writeEnd.get();
    si.hStdError = writeEnd.get();
    PROCESS_INFORMATION pi{};
    // CreateProcessA may write into the command line, so it gets a copy.
    std::vector<char> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back('\0');
    BOOL created = FALSE;
    if (!commandLine.empty()) {
        NativeSystemFolder native(nativeSystemFolder);
        created = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    }
    if (created) child_.adopt(pi);
    // From now on the pipe ends when every copy of the write end held by the
    // child (and whatever inherited it) is closed.
    writeEnd.close();
    return created != FALSE;
}

// The pipe is only read when it holds data, so that the wait hook keeps
// running while the child is quiet.
bool CapturedChild::read(Text& out, const Deadline& deadline, Win32Machine& machine, bool cutAtZero) {
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(readEnd_.get(), nullptr, 0, nullptr, &available, nullptr)) return true;  // ended
        if (available == 0) {
            if (deadline.passed()) return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, kPollMs, QS_ALLINPUT);
            machine.whileWaiting();
            continue;
        }
        char block[kReadBlock] = {};
        DWORD got = 0;
        const BOOL ok = ReadFile(readEnd_.get(), block, kReadBlock - 1, &got, nullptr);
        if (cutAtZero)
            out += text::fromBlock(block, got);
        else
            out.append(block, got);
        machine.whileWaiting();
        if (!ok) return true;
        if (deadline.passed()) return false;
    }
}

bool CapturedChild::wait(DWORD& exitCode, const Deadline& deadline, Win32Machine& machine) {
    if (!child_.process.valid()) return false;
    HANDLE process = child_.process.get();
    for (;;) {
        const DWORD r = MsgWaitForMultipleObjects(1, &process, FALSE, deadline.left(), QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) return GetExitCodeProcess(process, &exitCode) != FALSE;
        if (r != WAIT_OBJECT_0 + 1) return false;  // time is up, or the wait failed
        machine.whileWaiting();
        if (deadline.passed() && WaitForSingleObject(process, 0) != WAIT_OBJECT_0) return false;
    }
}

void CapturedChild::terminate() {
    if (child_.process.valid()) TerminateProcess(child_.process.get(), 1);
}

}  // namespace trivex::win32
