// What identifies a drive's volume (its serial and file system) and the bus
// its disk hangs on: the facts by which the DOS side finds the volume again
// after the restart, and by which a disk that Ghost cannot reach is refused.
#include "platform/win32/handles.h"
#include "platform/win32/win32_machine.h"

#include <winioctl.h>

#include <string>

namespace trivex::win32 {

namespace {

// STORAGE_BUS_TYPE's value for USB (BusTypeUsb in winioctl.h).
constexpr int kBusUsb = 7;

bool isLetter(char& letter) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    return letter >= 'A' && letter <= 'Z';
}

// The bus a device (a disk, or a volume that passes the question on to its
// disk) reports; -1 when it does not answer.
int busOf(const std::string& device) {
    const Handle h(CreateFileA(device.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!h.valid()) return -1;
    const std::string d = deviceDescriptor(h.get());
    if (d.empty()) return -1;
    return static_cast<int>(reinterpret_cast<const STORAGE_DEVICE_DESCRIPTOR*>(d.data())->BusType);
}

}  // namespace

bool Win32Machine::volumeIdentity(char letter, VolumeIdentity& out) {
    if (!isLetter(letter)) return false;
    QuietDriveErrors quiet;
    const char root[4] = {letter, ':', '\\', '\0'};
    DWORD serial = 0, longestName = 0, flags = 0;
    char fileSystem[MAX_PATH + 1] = {};
    if (!GetVolumeInformationA(root, nullptr, 0, &serial, &longestName, &flags, fileSystem, MAX_PATH) || serial == 0)
        return false;
    out.serial = serial;
    out.fileSystem = fileSystem;
    return true;
}

DriveBus Win32Machine::driveBus(char letter) {
    if (!isLetter(letter)) return DriveBus::Unknown;
    QuietDriveErrors quiet;
    const std::string volume = std::string("\\\\.\\") + letter + ":";
    // The disks the volume lies on, each asked in turn.
    const Handle h(CreateFileA(volume.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!h.valid()) return DriveBus::Unknown;
    union {
        VOLUME_DISK_EXTENTS extents;
        char room[sizeof(VOLUME_DISK_EXTENTS) + 8 * sizeof(DISK_EXTENT)];
    } v{};
    DWORD got = 0;
    if (DeviceIoControl(h.get(), IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, &v, sizeof v, &got, nullptr) &&
        v.extents.NumberOfDiskExtents > 0 && v.extents.NumberOfDiskExtents <= 9) {
        bool answered = true;
        for (DWORD i = 0; i < v.extents.NumberOfDiskExtents; ++i) {
            const int bus = busOf("\\\\.\\PhysicalDrive" + std::to_string(v.extents.Extents[i].DiskNumber));
            if (bus == kBusUsb) return DriveBus::Usb;
            answered = answered && bus >= 0;
        }
        return answered ? DriveBus::Other : DriveBus::Unknown;
    }
    // A volume without extents (a removable medium's, on some systems) may
    // still answer for its disk.
    const int bus = busOf(volume);
    return bus < 0 ? DriveBus::Unknown : bus == kBusUsb ? DriveBus::Usb : DriveBus::Other;
}

}  // namespace trivex::win32
