// The real machine: the machine operations on 32-bit Windows through the
// ANSI Win32 functions (GBK texts). Each operation that fails reads the
// system's error number right after the call that failed.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "platform/machine.h"

namespace trivex::win32 {

// File times to date values (local time); kNoDate when the time is unusable.
double dateOfFileTime(const FILETIME& utc);

// What a disk, or a volume that passes the question on to its disk, says of
// itself (IOCTL_STORAGE_QUERY_PROPERTY: a STORAGE_DEVICE_DESCRIPTOR and the
// texts after it); empty when it does not answer (disks.cpp).
std::string deviceDescriptor(HANDLE device);
// The printable text at `offset` of a device descriptor of `size` bytes,
// without the spaces that pad it; empty when there is none (or offset 0).
std::string descriptorText(const char* descriptor, DWORD size, DWORD offset);

class Win32Machine : public Machine {
public:
    // Files and folders (files.cpp)
    SysResult writeFile(const Text& path, const std::vector<ByteView>& blocks) override;
    SysResult writeFileWhole(const Text& path, const std::vector<ByteView>& blocks) override;
    SysResult deleteFile(const Text& path) override;
    SysResult renameFile(const Text& from, const Text& to) override;
    SysResult replaceFile(const Text& from, const Text& to) override;
    SysResult setFileAttributes(const Text& path, uint32_t attributes) override;
    SysResult createFolder(const Text& path) override;
    int64_t fileAttributes(const Text& path) override;
    SysResult readFile(const Text& path, uint64_t offset, uint32_t count, Text& out) override;
    bool listFolder(const Text& pattern, std::vector<DirEntry>& out) override;
    Text fullPath(const Text& path) override;
    bool sameFile(const Text& a, const Text& b) override;
    Text programFolder() override;
    bool diskSpace(char letter, uint64_t& totalBytes, uint64_t& freeBytes) override;

    // Drives and disks (disks.cpp)
    bool drivePlace(char letter, DiskPlace& out) override;
    bool systemPartition(SystemPartition& out) override;
    SysResult readDiskSectors(uint32_t disk, uint64_t first, uint32_t count, Text& out) override;

    // Volumes and buses (volumes.cpp)
    bool volumeIdentity(char letter, VolumeIdentity& out) override;
    DriveBus driveBus(char letter) override;

    // Processes (processes.cpp)
    SysResult startProgram(const Text& commandLine) override;
    Text runAndCapture(const Text& commandLine, uint32_t timeoutMs = 60000) override;
    void openWebAddress(const Text& address) override;
    bool systemToolExists(const Text& tool) override;
    ToolRun runSystemTool(const Text& tool, const Text& arguments, uint32_t timeoutMs = 30000) override;
    void setWaitHook(std::function<void()> hook) override { waitHook_ = std::move(hook); }

    // What the program keeps on this machine (settings.cpp)
    bool readSetting(const Text& name, Text& out) override;
    SysResult writeSetting(const Text& name, const Text& value) override;

    // The computer itself (identity.cpp)
    std::vector<Text> hardwareIdentity() override;

    // The system, the clock, the restart (system.cpp)
    WindowsVersion windowsVersion() override;
    Firmware firmware() override;
    bool runsAsAdministrator() override;
    Text errorText(uint32_t error) override;
    uint32_t tickCount() override { return GetTickCount(); }
    double localTime() override;
    SysResult restart() override;

    // Runs the wait hook, if any (child_process.cpp while it waits).
    void whileWaiting() {
        if (waitHook_) waitHook_();
    }

private:
    std::function<void()> waitHook_;
};

}  // namespace trivex::win32
