// The contract suite against the real Windows implementation (cross build,
// run under Wine). Scratch folders live in D:\contract\<run>\ (or in the
// temporary folder when there is no drive D:) and are removed afterwards.
#include <windows.h>

#include <cstdio>

#include "platform/text.h"
#include "platform/win32/win32_machine.h"
#include "tests/contract/contract.h"

namespace trivex::contract {
namespace {

void removeAll(const Text& path) {
    const DWORD attrs = GetFileAttributesA(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesA(path.c_str(), attrs & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    if (!(attrs & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA(path.c_str());
        return;
    }
    WIN32_FIND_DATAA fd;
    const HANDLE find = FindFirstFileA((path + "\\*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const Text name = fd.cFileName;
            if (name != "." && name != "..") removeAll(path + "\\" + name);
        } while (FindNextFileA(find, &fd));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

class Win32ContractRig final : public Rig {
public:
    Win32ContractRig() {
        Text base = "D:\\";
        if (GetDriveTypeA(base.c_str()) == DRIVE_NO_ROOT_DIR) {
            char temp[MAX_PATH + 1] = {};
            const DWORD n = GetTempPathA(sizeof temp, temp);
            base = n > 0 && n < sizeof temp ? Text(temp, n) : Text("C:\\");
        }
        CreateDirectoryA((base + "contract").c_str(), nullptr);
        char run[32];
        std::snprintf(run, sizeof run, "%08lx", static_cast<unsigned long>(GetTickCount() ^ (GetCurrentProcessId() << 16)));
        run_ = base + "contract\\" + run;
        CreateDirectoryA(run_.c_str(), nullptr);
    }
    ~Win32ContractRig() override { removeAll(run_); }

    Machine& machine() override { return machine_; }
    Text scratchRoot() override { return run_ + "\\"; }
    bool setAttributes(const Text& path, uint32_t attributes) override {
        return static_cast<bool>(machine_.setFileAttributes(path, attributes));
    }
    void removeTree(const Text& path) override { removeAll(path); }
    char missingDrive() override {
        const DWORD present = GetLogicalDrives();
        for (char c = 'Y'; c > 'C'; --c)
            if (!(present & (1u << (c - 'A')))) return c;
        return 0;
    }

    // The tool is built beside this test program.
    bool installTestTool(const Text& name) override {
        char self[MAX_PATH + 1] = {};
        const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
        Text tool(self, n);
        tool = tool.substr(0, tool.find_last_of('\\') + 1) + "contract_tool.exe";
        return CopyFileA(tool.c_str(), systemPath(name).c_str(), FALSE) != FALSE;
    }
    void removeTestTool(const Text& name) override { DeleteFileA(systemPath(name).c_str()); }

    // Wine opens "\\.\PhysicalDriveN" as the file its prefix's device
    // folder holds under the name physicaldriveN (reached through Z:).
    bool installTestDisk(uint32_t disk, const test::Disk& layout) override {
        if (!underWine()) return false;
        std::string bytes(uint64_t{layout.sectors} * 512, '\0');
        for (const auto& [sector, content] : test::layoutSectors(layout, true)) bytes.replace(sector * 512, content.size(), content);
        const Text path = devicePath(disk);
        const HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return false;
        DWORD wrote = 0;
        const bool ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr) && wrote == bytes.size();
        CloseHandle(f);
        return ok;
    }
    void removeTestDisk(uint32_t disk) override { DeleteFileA(devicePath(disk).c_str()); }
    // The system's local time, the one its file dates are converted to.
    double localNow() override {
        SYSTEMTIME st;
        GetLocalTime(&st);
        return text::dateFromParts({st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond});
    }

    // Windows guards them; Wine, known by the export of its own in ntdll,
    // does not.
    bool guardsHiddenSystemAndMoves() override { return !underWine(); }
    // Wine's drives are folders of the host.
    bool reportsDisks() override { return !underWine(); }

private:
    static bool underWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }
    static Text devicePath(uint32_t disk) {
        char prefix[MAX_PATH + 1] = {};  // run_in_wine.sh names the prefix
        const DWORD n = GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH);
        Text folder(prefix, n < MAX_PATH ? n : 0);
        for (char& c : folder)
            if (c == '/') c = '\\';
        return "Z:" + folder + "\\dosdevices\\physicaldrive" + std::to_string(disk);
    }
    static Text systemPath(const Text& name) {
        char folder[MAX_PATH + 1] = {};
        const UINT n = GetSystemDirectoryA(folder, MAX_PATH);
        return Text(folder, n) + "\\" + name;
    }

    win32::Win32Machine machine_;
    Text run_;
};

}  // namespace

Rig& rig() {
    static Win32ContractRig r;
    return r;
}

}  // namespace trivex::contract
