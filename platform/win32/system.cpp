// The system: Windows version, firmware type, administrator rights, and the
// tools of the system folder.
#include "platform/win32/child_process.h"
#include "platform/win32/platform_impl.h"

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

WindowsVersion Win32Platform::windowsVersion() {
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;
    if (!GetVersionExA(&v)) return {};
    return {static_cast<int>(v.dwMajorVersion), static_cast<int>(v.dwMinorVersion)};
}

Firmware Win32Platform::firmware() {
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
bool Win32Platform::runsAsAdministrator() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    Sid administrators;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  administrators.out()))
        return false;
    BOOL member = FALSE;
    return CheckTokenMembership(nullptr, administrators.get(), &member) && member;
}

bool Win32Platform::systemToolExists(const Text& tool) {
    const Text path = systemToolPath(tool);
    if (path.empty()) return false;
    NativeSystemFolder native;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

ToolRun Win32Platform::runSystemTool(const Text& tool, const Text& arguments, uint32_t timeoutMs) {
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
