// The system: Windows version, firmware type, administrator rights, the
// system's words for its errors, and the restart.
#include "platform/win32/child_process.h"
#include "platform/win32/win32_machine.h"

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

}  // namespace

WindowsVersion Win32Machine::windowsVersion() {
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;
    if (!GetVersionExA(&v)) return {};
    return {static_cast<int>(v.dwMajorVersion), static_cast<int>(v.dwMinorVersion)};
}

Firmware Win32Machine::firmware() {
    // Windows 8 and later say it directly (FIRMWARE_TYPE: 1 BIOS, 2 UEFI).
    using GetFirmwareType = BOOL(WINAPI*)(DWORD*);
    if (const auto getType = kernelFunction<GetFirmwareType>("GetFirmwareType")) {
        DWORD type = 0;
        if (getType(&type)) {
            if (type == 1) return Firmware::Bios;
            if (type == 2) return Firmware::Uefi;
        }
    }
    // Before that (and under Wine), asking for a firmware variable tells:
    // on a BIOS machine the call is an "invalid function"; on a UEFI machine
    // it reaches the firmware and fails otherwise (variable not found, no
    // access, privilege not held), or succeeds.
    using GetVariable = DWORD(WINAPI*)(LPCSTR, LPCSTR, PVOID, DWORD);
    const auto getVariable = kernelFunction<GetVariable>("GetFirmwareEnvironmentVariableA");
    if (!getVariable) return Firmware::Unknown;
    SetLastError(ERROR_SUCCESS);
    if (getVariable("", "{00000000-0000-0000-0000-000000000000}", nullptr, 0) != 0) return Firmware::Uefi;
    switch (GetLastError()) {
        case ERROR_INVALID_FUNCTION:
            return Firmware::Bios;
        case ERROR_NOACCESS:
        case ERROR_ENVVAR_NOT_FOUND:
        case ERROR_PRIVILEGE_NOT_HELD:
        case ERROR_INSUFFICIENT_BUFFER:
            return Firmware::Uefi;
        default:
            return Firmware::Unknown;
    }
}

// Membership in the Administrators group as the access checks see it: under
// User Account Control an unelevated administrator's token holds the group for
// deny only, so this is true only when the process runs elevated.
bool Win32Machine::runsAsAdministrator() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    Sid administrators;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  administrators.out()))
        return false;
    BOOL member = FALSE;
    return CheckTokenMembership(nullptr, administrators.get(), &member) && member;
}

Text Win32Machine::errorText(uint32_t error) {
    char buf[512] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, buf,
                                   sizeof buf, nullptr);
    Text words(buf, n < sizeof buf ? n : 0);
    while (!words.empty() && (words.back() == '\r' || words.back() == '\n' || words.back() == ' ')) words.pop_back();
    return words;
}

// Not forced: programs are asked to close and may keep their unsaved work
// (the restart is then refused); only a program that does not answer at all
// is ended.
SysResult Win32Machine::restart() {
    if (!enableShutdownPrivilege()) return SysResult::failed(GetLastError());
    if (!ExitWindowsEx(EWX_REBOOT | EWX_FORCEIFHUNG, 0)) return SysResult::failed(GetLastError());
    return SysResult::ok();
}

}  // namespace trivex::win32
