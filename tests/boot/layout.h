// Disks of any layout for the boot tests: partition tables and chains of
// extended boot records written byte by byte, FAT12/16/32 made by mkfs.fat
// and NTFS by mkntfs with serials of the test's choosing (each read back
// with blkid), a GPT behind its protective MBR, and disks with a twist: a
// clone of another disk, a chain that links back to itself, reads that fail.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace trivex::test {

namespace fs = std::filesystem;

enum class Fs { None, Fat12, Fat16, Fat32, Ntfs };

struct Volume {
    uint8_t type;  // the partition table's type byte
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
};

constexpr uint8_t kFat12 = 0x01, kFat16 = 0x06, kNtfs = 0x07, kFat32 = 0x0C, kExtended = 0x0F, kDynamic = 0x42;

// Writes the disk image and returns what qemu is to open for it (the
// image, or a blkdebug description of it). `disk1` is the clone's original.
std::string makeLayoutDisk(const fs::path& image, const Disk& d, const fs::path& disk1 = {});

// The serial as Windows shows it, without its dash: "C0DE0001".
std::string hex8(uint32_t v);

}  // namespace trivex::test
