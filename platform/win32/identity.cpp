// What identifies the computer's own parts: the serial number of the disk
// that holds C:, as the disk reports it, and the addresses of its network
// adapters.
#include "platform/win32/handles.h"
#include "platform/win32/win32_machine.h"

#include <iphlpapi.h>
#include <winioctl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace trivex::win32 {

namespace {

// MIB_IF_TYPE_ETHERNET and IF_TYPE_IEEE80211 (ipifcons.h).
constexpr UINT kEthernet = 6;
constexpr UINT kWireless = 71;

// Addresses that every installation of a kind of virtual adapter has,
// whatever computer it runs on: VMware's host adapters (VMnet1, VMnet8...),
// VirtualBox's host-only adapters and the Microsoft loopback adapter; and
// Hyper-V's virtual switches, whose addresses the installation keeps in its
// own settings, which a copy of the disks takes along.
bool sharedVirtualAddress(const BYTE* a) {
    const auto starts = [a](std::initializer_list<BYTE> prefix) { return std::equal(prefix.begin(), prefix.end(), a); };
    return starts({0x00, 0x50, 0x56, 0xC0, 0x00}) || starts({0x0A, 0x00, 0x27, 0x00, 0x00}) ||
           starts({0x02, 0x00, 0x4C, 0x4F, 0x4F, 0x50}) || starts({0x00, 0x15, 0x5D});
}

void addAdapters(std::vector<Text>& out) {
    ULONG size = 0;
    if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW || size == 0) return;
    std::vector<char> room(size);
    auto* list = reinterpret_cast<IP_ADAPTER_INFO*>(room.data());
    if (GetAdaptersInfo(list, &size) != ERROR_SUCCESS) return;
    for (const IP_ADAPTER_INFO* a = list; a; a = a->Next) {
        if ((a->Type != kEthernet && a->Type != kWireless) || a->AddressLength != 6) continue;
        const BYTE* b = a->Address;
        // No address, or a group address: nothing that names one adapter.
        if (std::all_of(b, b + 6, [](BYTE x) { return x == 0; }) || (b[0] & 1) || sharedVirtualAddress(b)) continue;
        static const char kHex[] = "0123456789ABCDEF";
        Text id = "net:";
        for (int i = 0; i < 6; ++i) id += {kHex[b[i] >> 4], kHex[b[i] & 15]};
        out.push_back(id);
    }
}

}  // namespace

std::vector<Text> Win32Machine::hardwareIdentity() {
    std::vector<Text> out;
    DiskPlace c;
    if (drivePlace('C', c)) {
        QuietDriveErrors quiet;
        const Handle disk(CreateFileA(("\\\\.\\PhysicalDrive" + std::to_string(c.disk)).c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        const std::string d = disk.valid() ? deviceDescriptor(disk.get()) : std::string();
        if (!d.empty()) {
            const auto* descriptor = reinterpret_cast<const STORAGE_DEVICE_DESCRIPTOR*>(d.data());
            const std::string serial = descriptorText(d.data(), static_cast<DWORD>(d.size()), descriptor->SerialNumberOffset);
            if (!serial.empty()) out.push_back("disk:" + serial);
        }
    }
    addAdapters(out);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

}  // namespace trivex::win32
