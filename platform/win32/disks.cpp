// Where a drive letter lives on the disks: the volume's extent, then the
// partition layout of its disk, through the storage control codes.
#include "platform/win32/platform_impl.h"

#include <winioctl.h>

#include <string>
#include <vector>

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

bool Win32Platform::drivePlace(char letter, DiskPlace& out) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z') return false;
    QuietDriveErrors quiet;
    const Handle volume = openDevice(std::string("\\\\.\\") + letter + ":");
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
    out.disk = v.extents.Extents[0].DiskNumber;
    out.start = static_cast<uint64_t>(v.extents.Extents[0].StartingOffset.QuadPart);

    const Handle disk = openDevice("\\\\.\\PhysicalDrive" + std::to_string(out.disk));
    if (!disk.valid()) return false;
    // Room for 128 entries: four table slots and four per logical drive.
    std::vector<char> buffer(sizeof(DRIVE_LAYOUT_INFORMATION_EX) + 128 * sizeof(PARTITION_INFORMATION_EX));
    if (!DeviceIoControl(disk.get(), IOCTL_DISK_GET_DRIVE_LAYOUT_EX, nullptr, 0, buffer.data(),
                         static_cast<DWORD>(buffer.size()), &got, nullptr))
        return false;
    const auto* layout = reinterpret_cast<const DRIVE_LAYOUT_INFORMATION_EX*>(buffer.data());
    out.mbr = layout->PartitionStyle == PARTITION_STYLE_MBR;
    out.partitions.clear();
    if (!out.mbr) return true;
    // The first four entries are the table's slots; then come four per
    // extended boot record, in the order of the chain.
    int chain = 0;
    for (DWORD i = 0; i < layout->PartitionCount; ++i) {
        const PARTITION_INFORMATION_EX& e = layout->PartitionEntry[i];
        const uint8_t type = e.Mbr.PartitionType;
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

}  // namespace trivex::win32
