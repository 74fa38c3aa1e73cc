// Disks of any layout for the boot tests (tests/support/disk_layouts.h)
// written as disk images: the tables and chains of extended boot records,
// FAT12/16/32 made by mkfs.fat and NTFS by mkntfs with serials of the
// test's choosing (each read back with blkid), and disks with a twist: a
// clone of another disk, reads that fail.
#pragma once

#include <filesystem>
#include <string>

#include "tests/support/disk_layouts.h"

namespace trivex::test {

namespace fs = std::filesystem;

// Writes the disk image and returns what qemu is to open for it (the
// image, or a blkdebug description of it). `disk1` is the clone's original.
std::string makeLayoutDisk(const fs::path& image, const Disk& d, const fs::path& disk1 = {});

}  // namespace trivex::test
