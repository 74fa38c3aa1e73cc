// What the program keeps on this machine: string values of its own key
// HKLM\SOFTWARE\Trivex.
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/win32_machine.h"

namespace trivex::win32 {
namespace {

constexpr char kKey[] = "SOFTWARE\\Trivex";
// A kept text is short (a list of tokens); anything longer is not ours.
constexpr DWORD kLongest = 64 * 1024;

bool isSettingName(const Text& name) {
    if (name.empty()) return false;
    for (char c : name)
        if (c <= ' ' || c > '~' || c == '\\') return false;
    return true;
}

}  // namespace

bool Win32Machine::readSetting(const Text& name, Text& out) {
    out.clear();
    if (!isSettingName(name)) return false;
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_QUERY_VALUE, key.out()) != ERROR_SUCCESS) return false;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ ||
        size > kLongest)
        return false;
    std::vector<char> value(size + 1, '\0');
    if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    // The stored terminating zero (there may be none) is not part of the text.
    size_t n = 0;
    while (n < size && n < value.size() && value[n] != '\0') ++n;
    out.assign(value.data(), n);
    return true;
}

SysResult Win32Machine::writeSetting(const Text& name, const Text& value) {
    if (!isSettingName(name) || value.find('\0') != Text::npos || value.size() >= kLongest)
        return SysResult::failed(ERROR_INVALID_PARAMETER);
    RegistryKey key;
    LONG r = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                             key.out(), nullptr);
    if (r != ERROR_SUCCESS) return SysResult::failed(static_cast<uint32_t>(r));
    r = RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    if (r != ERROR_SUCCESS) return SysResult::failed(static_cast<uint32_t>(r));
    // Kept on the disk before the program goes on: a job's token must
    // outlive a power cut that the job's files outlive.
    r = RegFlushKey(key.get());
    return r == ERROR_SUCCESS ? SysResult::ok() : SysResult::failed(static_cast<uint32_t>(r));
}

}  // namespace trivex::win32
