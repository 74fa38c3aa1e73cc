// Disks of any layout, as bytes: partition tables and chains of extended
// boot records, a GPT behind its protective MBR, boot sectors that say only
// what the DOS side reads of them (a file system's mark and its serial).
// The boot tests make real file systems over them; the simulated machine
// serves them as its disks. And the one table of layouts that the Windows
// side's rules (job/dos_disks.h, on the host) and VOLSCAN.COM (in qemu)
// must both answer alike.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace trivex::test {

enum class Fs { None, Fat12, Fat16, Fat32, Ntfs, BitLocker };

struct Volume {
    uint8_t type;  // the partition table's type byte (0: an empty entry)
    uint32_t start, sectors;
    Fs fs = Fs::None;
    uint32_t serial = 0;  // as Windows shows it; NTFS gets 5A5A5A5A above it
    bool shortSignature = false;  // FAT: 28h, the serial without the label after it
};

enum class Twist {
    None,
    CloneOfDisk1,  // byte for byte the machine's first disk (as it is when this disk is made)
    ChainLoops,    // the last extended boot record links to itself
    ReadErrors,    // reads of the last slot's first sector fail (qemu's blkdebug)
    Gpt,           // `slots` are the entries of a GPT behind a protective MBR
};

struct Disk {
    uint32_t sectors = 0;
    std::vector<Volume> slots;    // the MBR's entries in slot order (an extended one holds `logical`)
    std::vector<Volume> logical;  // in the chain's order; each record 63 sectors before its drive
    Twist twist = Twist::None;
    std::string bootCode = {};  // written from sector 0 before the table (grldr.mbr); empty: none
    uint32_t sectorBytes = 512;  // what the BIOS says of the disk (the bytes stay in 512-byte sectors)
};

constexpr uint8_t kFat12 = 0x01, kFat16 = 0x06, kNtfs = 0x07, kFat32 = 0x0C, kExtended = 0x0F, kDynamic = 0x42,
                  kLinux = 0x83;

// The sectors of the disk's layout (the MBR, the extended boot records, the
// GPT; with `bootSectors`, each volume's boot sector), by number; the
// others hold zeros.
std::map<uint64_t, std::string> layoutSectors(const Disk& d, bool bootSectors);

// The serial as Windows shows it, without its dash: "C0DE0001".
std::string hex8(uint32_t v);

// A volume of a layout (a serial, "C101-0001"; for the DOS side only, a
// DOS drive, "C:") and both sides' answer: VOLSCAN.COM's errorlevel, the
// number ("2:1") when 0, and a part of its message.
struct LayoutCase {
    std::string volume;
    int code;
    std::string number, says;
    bool chs = false;  // the DOS side only: from here on the BIOS offers no extended reads
};

struct Layout {
    std::string name;
    std::vector<Disk> disks;
    std::vector<LayoutCase> cases;
};

const std::vector<Layout>& dosLayouts();

}  // namespace trivex::test
