// The disks as the DOS side reads them after the restart, and Ghost's
// numbers it gives: the rules of the image's VOLSCAN.COM, here for the
// Windows side to foresee what the DOS side will find (and refuse) before a
// job is written. Both read the same bytes (each disk's partition table,
// its chain of extended boot records and each partition's boot sector) and
// answer one table of layouts alike (the boot test runs the table through
// both).
//
// Ghost's number of a partition is its place among the partitions of its
// disk that count (empty entries, entries of no length and extended
// containers do not), primary ones by table entry and then the logical
// drives in the order of their chain. Public material does not settle
// Ghost's own order, so a number is given only where every order it may use
// agrees: no empty entry stands before the partition's entry (or before
// the extended partition's, for a logical drive); its place is the same by
// where the partitions start, by table entry with the logical drives at the
// extended partition's entry (as Windows Setup numbers them), and with the
// primary ones by where they start; and no partition before it in any of
// these orders lacks a file system DOS knows (NTFS, FAT with its extended
// boot signature), which Ghost may leave out of its count.
#pragma once

#include <functional>
#include <vector>

#include "platform/machine.h"

namespace trivex::job {

// VOLSCAN.COM's errorlevels: why a volume got no number.
enum class VolscanCode : int {
    Found = 0,
    Nowhere = 1,        // no partition has the serial
    Twice = 2,          // two partitions have it (a cloned disk)
    Unreadable = 3,     // a disk could not be read (a sector the table points to)
    Broken = 4,         // a disk's table is broken, or its chain loops
    NotNumbered = 5,    // on a GPT disk, or a disk is dynamic
    OrdersDiffer = 6,   // the orders Ghost may use give other numbers
    NoSerial = 7,       // the drive has no serial to read
    NotWritten = 8,     // its answer could not be written
    Usage = 9,          // called wrongly
    EmptyBefore = 10,   // an empty entry stands before the partition's
    ForeignBefore = 11, // a partition before it holds no file system DOS knows
    SectorSize = 12,    // a disk's sectors are not 512 bytes
};

// One partition that counts, as read.
struct DosPartition {
    uint32_t serial = 0;   // from its boot sector; 0 none
    uint64_t start = 0;    // its first sector
    size_t disk = 0;       // the disk's place in the list read, from 0
    int index = 0;         // its place in its disk's table order (GPT: the entries'), from 1
    int slot = 0;          // its table entry 0-3, or the extended partition's for a logical drive
    bool logical = false;
    bool known = false;    // its boot sector is a file system DOS knows
    bool gpt = false;
    bool gapBefore = false;  // an empty entry stands before `slot`
    bool bitLocker = false;  // its boot sector is BitLocker's
};

// A disk's sectors of 512 bytes as the BIOS gives them: `count` of them from
// `first` into `out`, or the system's error.
using SectorRead = std::function<SysResult(uint64_t first, uint32_t count, Text& out)>;

struct DiskToRead {
    SectorRead read;
    uint32_t sectorBytes = 512;  // the disk's own sector size
};

// Every disk read: the partitions that count, and the first disk whose
// partitions are not known (unreadable, broken, dynamic, not 512-byte
// sectors), whose partitions are then left out.
struct DosDisks {
    std::vector<DosPartition> partitions;
    VolscanCode trouble = VolscanCode::Found;  // Found: every disk was read whole
    size_t troubleDisk = 0;
    uint64_t troubleSector = 0;  // Unreadable: the sector that failed
    uint32_t troubleError = 0;   // Unreadable: the system's error
};

DosDisks readDosDisks(const std::vector<DiskToRead>& disks);

// VOLSCAN.COM's answer for a volume serial.
struct Located {
    VolscanCode code = VolscanCode::Found;
    const DosPartition* partition = nullptr;  // Found and the partition's own reasons; Twice: the first
    const DosPartition* second = nullptr;     // Twice
    int otherPlace = 0;  // OrdersDiffer: its place in the first order that differs
    int foreign = 0;     // ForeignBefore: the table place of that partition
    // Found: Ghost's disk (from 1, in the order read) and partition.
    int disk() const { return partition ? static_cast<int>(partition->disk) + 1 : 0; }
};

Located locateVolume(const DosDisks& disks, uint32_t serial);

// The number the rule gives the partition `which` of one disk's partitions
// (all of them on that disk, as read), or why not: EmptyBefore,
// OrdersDiffer (with the other place), ForeignBefore (with its place).
Located numberOf(const std::vector<DosPartition>& disk, size_t which);

// What a boot sector says: its volume serial, and whether DOS knows it.
struct BootSector {
    uint32_t serial = 0;
    bool known = false;
    bool bitLocker = false;
};
BootSector readBootSector(const Text& sector);

}  // namespace trivex::job
