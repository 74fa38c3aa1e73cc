// A FAT12 volume writer: lays out the boot sector fields, both FAT copies,
// the root directory and the files of a floppy image in one pass.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bytes.h"

namespace trivex::tools {

// The disk parameter fields of a FAT12 boot sector (bytes 0-61, 510-511).
// The defaults are those of the program's 2.88 MB DOS boot image.
struct Fat12Format {
    std::string oemName = "MSWIN4.1";
    uint16_t bytesPerSector = 512;
    uint8_t sectorsPerCluster = 2;
    uint16_t reservedSectors = 1;
    uint8_t fatCount = 2;
    uint16_t rootEntries = 240;
    uint16_t totalSectors = 5760;
    uint8_t media = 0xF0;
    uint16_t sectorsPerFat = 9;
    uint16_t sectorsPerTrack = 36;
    uint16_t heads = 2;
    uint32_t hiddenSectors = 0;
    uint8_t driveNumber = 0x00;
    uint32_t serial = 0x447F1BF3;
    std::string bootLabel = "NO NAME";
    std::string fsType = "FAT12";

    uint32_t rootSectors() const { return (rootEntries * 32u + bytesPerSector - 1) / bytesPerSector; }
    uint32_t firstDataSector() const { return reservedSectors + fatCount * sectorsPerFat + rootSectors(); }
    uint32_t clusterBytes() const { return uint32_t{bytesPerSector} * sectorsPerCluster; }
    uint32_t clusterCount() const { return (totalSectors - firstDataSector()) / sectorsPerCluster; }
};

// A file or folder of the volume. Names are DOS 8.3 names in upper case.
struct FatEntry {
    std::string name;
    bool directory = false;
    Bytes data;                     // files only
    std::vector<FatEntry> children; // folders only
};

struct FatVolume {
    Fat12Format format;
    Bytes bootSector;   // 512 bytes; its code is kept, the format's fields are written in
    std::string label;  // volume label entry, first in the root; empty for none
    std::vector<FatEntry> root;
};

// True for an upper-case DOS 8.3 name ("IO.SYS", "NLS", "850.CPI").
bool isDosName(const std::string& name);

// Writes the jump, the format's fields and the 55 AA signature into a
// 512-byte boot sector.
void writeBootFields(Bytes& sector, const Fat12Format& f);

// The whole image. Files take contiguous clusters in the order given (a
// folder's cluster comes before its contents); every entry is stamped with
// the same fixed date so that equal inputs give equal images. No attribute
// but archive (files) and directory (folders) is set. False, with a message
// in `err`, when a name is not 8.3, a name repeats in a folder, the root is
// full or the files do not fit.
bool buildFat12(const FatVolume& volume, Bytes& image, std::string& err);

}  // namespace trivex::tools
