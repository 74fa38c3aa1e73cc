// Where a drive letter lives on the disks: the volume's extent, then the
// partition layout of its disk, through the storage control codes; and the
// system partition, which Windows names in its registry.
#include "platform/win32/handles.h"
#include "platform/win32/win32_machine.h"

#include <winioctl.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/text.h"

namespace trivex::win32 {

namespace {

// Extended partitions (DOS, LBA, Linux) only hold logical drives.
bool isContainer(uint8_t type) { return type == 0x05 || type == 0x0F || type == 0x85; }

// A device opened without asking for access: enough for these questions,
// and it works without administrator rights.
Handle openDevice(const std::string& path) {
    return Handle(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
}

}  // namespace

std::string descriptorText(const char* descriptor, DWORD size, DWORD offset) {
    std::string s;
    if (offset == 0 || offset >= size) return s;
    for (DWORD i = offset; i < size && descriptor[i] != '\0'; ++i) {
        const unsigned char c = static_cast<unsigned char>(descriptor[i]);
        if (c < 0x20 || c > 0x7E) return {};
        s += static_cast<char>(c);
    }
    while (!s.empty() && s.back() == ' ') s.pop_back();
    const size_t lead = s.find_first_not_of(' ');
    return lead == std::string::npos ? std::string() : s.substr(lead);
}

namespace {

// The bytes of a sector of an open disk, 0 when it does not say.
DWORD sectorBytesOf(HANDLE disk) {
    DISK_GEOMETRY g{};
    DWORD got = 0;
    if (!DeviceIoControl(disk, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &g, sizeof g, &got, nullptr) ||
        got < sizeof g)
        return 0;
    return g.BytesPerSector;
}

// Size, sector size and model of an open disk, where it says them.
void describeDisk(HANDLE disk, DiskPlace& out) {
    DWORD got = 0;
    union {
        DISK_GEOMETRY_EX geometry;
        char room[256];
    } g{};
    if (DeviceIoControl(disk, IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, nullptr, 0, &g, sizeof g, &got, nullptr) &&
        got >= offsetof(DISK_GEOMETRY_EX, Data))
        out.diskBytes = static_cast<uint64_t>(g.geometry.DiskSize.QuadPart);
    out.sectorBytes = sectorBytesOf(disk);

    const std::string d = deviceDescriptor(disk);
    if (d.empty()) return;
    const auto* descriptor = reinterpret_cast<const STORAGE_DEVICE_DESCRIPTOR*>(d.data());
    const DWORD size = static_cast<DWORD>(d.size());
    const std::string vendor = descriptorText(d.data(), size, descriptor->VendorIdOffset);
    const std::string product = descriptorText(d.data(), size, descriptor->ProductIdOffset);
    // Disks behind the ATA driver call themselves vendor "ATA".
    out.diskModel = vendor.empty() || vendor == "ATA" ? product : product.empty() ? vendor : vendor + " " + product;
}

// Where the volume that `path` opens lives.
bool volumePlace(const std::string& path, DiskPlace& out) {
    QuietDriveErrors quiet;
    const Handle volume = openDevice(path);
    if (!volume.valid()) return false;

    // One extent on one disk: the drive is one partition.
    union {
        VOLUME_DISK_EXTENTS extents;
        char room[sizeof(VOLUME_DISK_EXTENTS) + 8 * sizeof(DISK_EXTENT)];
    } v{};
    DWORD got = 0;
    if (!DeviceIoControl(volume.get(), IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, &v, sizeof v, &got, nullptr) ||
        v.extents.NumberOfDiskExtents != 1)
        return false;
    out = DiskPlace{};
    out.disk = v.extents.Extents[0].DiskNumber;
    out.start = static_cast<uint64_t>(v.extents.Extents[0].StartingOffset.QuadPart);

    const Handle disk = openDevice("\\\\.\\PhysicalDrive" + std::to_string(out.disk));
    if (!disk.valid()) return false;
    // Room for 128 entries: four table slots and four per logical drive.
    std::vector<char> buffer(sizeof(DRIVE_LAYOUT_INFORMATION_EX) + 128 * sizeof(PARTITION_INFORMATION_EX));
    if (!DeviceIoControl(disk.get(), IOCTL_DISK_GET_DRIVE_LAYOUT_EX, nullptr, 0, buffer.data(),
                         static_cast<DWORD>(buffer.size()), &got, nullptr))
        return false;
    describeDisk(disk.get(), out);
    const auto* layout = reinterpret_cast<const DRIVE_LAYOUT_INFORMATION_EX*>(buffer.data());
    out.mbr = layout->PartitionStyle == PARTITION_STYLE_MBR;
    if (!out.mbr) return true;
    // The first four entries are the table's slots; then come four per
    // extended boot record, in the order of the chain.
    int chain = 0;
    for (DWORD i = 0; i < layout->PartitionCount; ++i) {
        const PARTITION_INFORMATION_EX& e = layout->PartitionEntry[i];
        const uint8_t type = e.Mbr.PartitionType;
        if (i < 4 && isContainer(type) && out.extendedSlot < 0) out.extendedSlot = static_cast<int>(i);
        if (type == 0 || isContainer(type) || e.PartitionLength.QuadPart == 0) continue;
        DiskPartition part;
        part.type = type;
        part.start = static_cast<uint64_t>(e.StartingOffset.QuadPart);
        part.length = static_cast<uint64_t>(e.PartitionLength.QuadPart);
        part.logical = i >= 4;
        part.slot = part.logical ? chain++ : static_cast<int>(i);
        out.partitions.push_back(part);
    }
    return true;
}

// The system partition's device name ("\Device\HarddiskVolume1"), empty
// when the registry does not give one.
std::string systemPartitionDevice() {
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\Setup", 0, KEY_QUERY_VALUE, key.out()) != ERROR_SUCCESS) return {};
    char value[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH, type = 0;
    if (RegQueryValueExA(key.get(), "SystemPartition", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    const std::string name(value, std::find(value, value + std::min<DWORD>(size, MAX_PATH), '\0'));
    // A device of the object manager, and nothing that climbs out of it.
    if (name.compare(0, 8, "\\Device\\") != 0 || name.size() == 8 || name.find("..") != std::string::npos ||
        name.find('/') != std::string::npos || name.back() == '\\')
        return {};
    return name;
}

// The drive letter whose device is `device`, 0 when none is.
char letterOfDevice(const std::string& device) {
    const DWORD drives = GetLogicalDrives();
    for (char c = 'A'; c <= 'Z'; ++c) {
        if (!(drives & (1u << (c - 'A')))) continue;
        const char name[3] = {c, ':', '\0'};
        char target[1024] = {};
        if (QueryDosDeviceA(name, target, sizeof target) != 0 && text::equalIgnoringCase(target, device)) return c;
    }
    return 0;
}

// Whether the folder `root` (ending in "\") holds the file `name`. Its
// listing is read, not the file: the store Boot\BCD is a registry hive
// that the system keeps open.
bool holdsFile(const std::string& root, const char* name) {
    WIN32_FIND_DATAA found;
    const FindHandle find(FindFirstFileA((root + name).c_str(), &found));
    return find.valid() && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::string deviceDescriptor(HANDLE device) {
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    union {
        STORAGE_DEVICE_DESCRIPTOR descriptor;
        char room[1024];
    } d{};
    DWORD got = 0;
    if (!DeviceIoControl(device, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &d, sizeof d, &got, nullptr) ||
        got < sizeof(STORAGE_DEVICE_DESCRIPTOR) || got > sizeof d)
        return {};
    return std::string(d.room, got);
}

bool Win32Machine::drivePlace(char letter, DiskPlace& out) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z') return false;
    return volumePlace(std::string("\\\\.\\") + letter + ":", out);
}

bool Win32Machine::systemPartition(SystemPartition& out) {
    const std::string device = systemPartitionDevice();
    if (device.empty()) return false;
    SystemPartition found;
    found.letter = letterOfDevice(device);
    // Without a letter the partition is reached by its device name, through
    // the object manager's root (XP has it too).
    const std::string volume = found.letter ? std::string("\\\\.\\") + found.letter + ":" : "\\\\.\\GLOBALROOT" + device;
    if (!volumePlace(volume, found.place)) return false;
    const std::string root = found.letter ? std::string(1, found.letter) + ":\\" : "\\\\?\\GLOBALROOT" + device + "\\";
    QuietDriveErrors quiet;
    // A root that cannot be listed says nothing about the files it holds.
    WIN32_FIND_DATAA any;
    if (!FindHandle(FindFirstFileA((root + "*").c_str(), &any)).valid()) return false;
    found.bootManager = holdsFile(root, "bootmgr") && holdsFile(root, "Boot\\BCD");
    found.ntLoader = holdsFile(root, "ntldr") && holdsFile(root, "boot.ini");
    out = found;
    return true;
}

SysResult Win32Machine::readDiskSectors(uint32_t disk, uint64_t first, uint32_t count, Text& out) {
    out.clear();
    if (count == 0 || count > 64) return SysResult::failed(ERROR_INVALID_PARAMETER);
    QuietDriveErrors quiet;
    const std::string path = "\\\\.\\PhysicalDrive" + std::to_string(disk);
    const Handle device(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    if (!device.valid()) return SysResult::failed(GetLastError());
    // A disk is read in whole sectors of its own size, at whole sectors.
    DWORD sector = sectorBytesOf(device.get());
    if (sector < 512 || sector > 65536 || (sector & (sector - 1))) sector = 512;
    const uint64_t at = first * sector;
    if (first > UINT64_MAX / sector) return SysResult::failed(ERROR_INVALID_PARAMETER);
    LARGE_INTEGER offset;
    offset.QuadPart = static_cast<LONGLONG>(at);
    if (!SetFilePointerEx(device.get(), offset, nullptr, FILE_BEGIN)) return SysResult::failed(GetLastError());
    std::vector<char> bytes(static_cast<size_t>(sector) * count);
    DWORD got = 0;
    if (!ReadFile(device.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr))
        return SysResult::failed(GetLastError());
    if (got != bytes.size()) return SysResult::failed(ERROR_HANDLE_EOF);  // past the disk's end
    out.assign(bytes.data(), bytes.size());
    return SysResult::ok();
}

}  // namespace trivex::win32
