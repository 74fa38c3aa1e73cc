// Shutting down, restarting, logging off, suspending, hibernating.
#include "platform/win32/platform_impl.h"

namespace trivex::win32 {
namespace {

// Enables SeShutdownPrivilege for this process; false when the system
// reports any error (including "not all privileges assigned").
bool enableShutdownPrivilege() {
    Handle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.out())) return false;
    TOKEN_PRIVILEGES tp{};
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &tp.Privileges[0].Luid)) return false;
    SetLastError(ERROR_SUCCESS);
    AdjustTokenPrivileges(token.get(), FALSE, &tp, 0, nullptr, nullptr);
    return GetLastError() == ERROR_SUCCESS;
}

bool isWindowsNt() {
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;
    return GetVersionExA(&v) && v.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

}  // namespace

bool Win32Platform::shutDown(int mode, bool force) {
    if (mode < 1 || mode > 5) return false;
    const bool nt = isWindowsNt();
    if (nt && !enableShutdownPrivilege()) return false;
    if (mode >= 4) return SetSystemPowerState(mode == 4, force) != FALSE;
    UINT flags = 0;
    switch (mode) {
        case 1: flags = nt ? EWX_POWEROFF : EWX_SHUTDOWN; break;
        case 2: flags = EWX_REBOOT; break;
        default: flags = EWX_LOGOFF; break;
    }
    // Without force, programs are asked to close and may keep their unsaved
    // work (the restart is then refused); only a program that does not answer
    // at all is ended.
    flags |= force ? EWX_FORCE : EWX_FORCEIFHUNG;
    return ExitWindowsEx(flags, 0) != FALSE;
}

}  // namespace trivex::win32
