#include "tests/support/disk_layouts.h"

#include <cstdio>

namespace trivex::test {

namespace {

void putLe(std::string& at, size_t pos, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) at[pos + i] = static_cast<char>(v >> (8 * i));
}

// A partition table entry (CHS fields FE FF FF: the addresses are the LBA
// ones); an empty entry is all zeros.
std::string entry(const Volume& v, bool active) {
    std::string e(16, '\0');
    if (v.type == 0) return e;
    e[0] = active ? '\x80' : '\0';
    e.replace(1, 3, "\xFE\xFF\xFF");
    e[4] = static_cast<char>(v.type);
    e.replace(5, 3, "\xFE\xFF\xFF");
    putLe(e, 8, v.start, 4);
    putLe(e, 12, v.sectors, 4);
    return e;
}

void putTable(std::string& sector, const std::vector<std::string>& entries) {
    sector.resize(512, '\0');
    for (size_t i = 0; i < entries.size(); ++i) sector.replace(446 + 16 * i, 16, entries[i]);
    sector.replace(510, 2, "\x55\xAA");
}

uint32_t crc32(const std::string& bytes) {
    uint32_t c = 0xFFFFFFFF;
    for (unsigned char b : bytes) {
        c ^= b;
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320 & (0 - (c & 1)));
    }
    return ~c;
}

// The protective MBR, the GPT header in sector 1 and its 128 entries from
// sector 2 (the copy at the disk's end is left out).
void putGpt(std::map<uint64_t, std::string>& out, const Disk& d) {
    putTable(out[0], {entry({0xEE, 1, d.sectors - 1}, false)});
    std::string entries(128 * 128, '\0');
    // The basic data partition type, EBD0A0A2-B9E5-4433-87C0-68B6B72699C7, as stored.
    const std::string basicData = "\xA2\xA0\xD0\xEB\xE5\xB9\x33\x44\x87\xC0\x68\xB6\xB7\x26\x99\xC7";
    for (size_t i = 0; i < d.slots.size(); ++i) {
        const Volume& v = d.slots[i];
        entries.replace(128 * i, 16, basicData);
        entries.replace(128 * i + 16, 16, std::string(15, '\x11') + static_cast<char>(i + 1));
        putLe(entries, 128 * i + 32, v.start, 8);
        putLe(entries, 128 * i + 40, uint64_t{v.start} + v.sectors - 1, 8);
    }
    std::string header(92, '\0');
    header.replace(0, 8, "EFI PART");
    putLe(header, 8, 0x00010000, 4);
    putLe(header, 12, 92, 4);
    putLe(header, 24, 1, 8);
    putLe(header, 32, d.sectors - 1, 8);
    putLe(header, 40, 34, 8);
    putLe(header, 48, d.sectors - 34, 8);
    header.replace(56, 16, std::string(16, '\x22'));
    putLe(header, 72, 2, 8);
    putLe(header, 80, 128, 4);
    putLe(header, 84, 128, 4);
    putLe(header, 88, crc32(entries), 4);
    putLe(header, 16, crc32(header), 4);
    header.resize(512, '\0');
    out[1] = header;
    for (size_t s = 0; s < entries.size() / 512; ++s) out[2 + s] = entries.substr(512 * s, 512);
}

// What the DOS side reads of a volume's boot sector: the file system's mark
// and the volume serial.
std::string bootSector(const Volume& v) {
    std::string s(512, '\0');
    switch (v.fs) {
        case Fs::None: return s;
        case Fs::BitLocker: s.replace(3, 8, "-FVE-FS-"); break;
        case Fs::Ntfs:
            s.replace(3, 8, "NTFS    ");
            putLe(s, 0x48, 0x5A5A5A5A00000000ull | v.serial, 8);
            break;
        case Fs::Fat32:
            s[0x42] = v.shortSignature ? 0x28 : 0x29;
            putLe(s, 0x43, v.serial, 4);
            break;
        case Fs::Fat12:
        case Fs::Fat16:
            putLe(s, 0x16, 32, 2);  // the 16-bit FAT size FAT32 does not keep
            s[0x26] = v.shortSignature ? 0x28 : 0x29;
            putLe(s, 0x27, v.serial, 4);
            break;
    }
    s.replace(510, 2, "\x55\xAA");
    return s;
}

}  // namespace

std::string hex8(uint32_t v) {
    char s[9];
    std::snprintf(s, sizeof s, "%08X", v);
    return s;
}

std::map<uint64_t, std::string> layoutSectors(const Disk& d, bool bootSectors) {
    std::map<uint64_t, std::string> out;
    if (d.twist == Twist::Gpt) {
        putGpt(out, d);
    } else {
        // The boot code first; the table over its bytes 446-511.
        for (size_t at = 0; at < d.bootCode.size(); at += 512) out[at / 512] = d.bootCode.substr(at, 512);
        std::vector<std::string> slots;
        uint32_t extended = 0;
        bool active = true;
        for (const Volume& v : d.slots) {
            slots.push_back(entry(v, active && v.type != 0));
            active = active && v.type == 0;
            if (v.type == 0x05 || v.type == 0x0F || v.type == 0x85) extended = v.start;
        }
        putTable(out[0], slots);
        for (size_t i = 0; i < d.logical.size(); ++i) {
            const uint32_t record = d.logical[i].start - 63;
            std::vector<std::string> e = {entry({d.logical[i].type, 63, d.logical[i].sectors}, false)};
            if (i + 1 < d.logical.size())
                e.push_back(entry({0x05, d.logical[i + 1].start - 63 - extended, d.logical[i + 1].sectors + 63}, false));
            else if (d.twist == Twist::ChainLoops)
                e.push_back(entry({0x05, record - extended, d.logical[i].sectors + 63}, false));
            putTable(out[record], e);
        }
    }
    if (bootSectors)
        for (const auto* list : {&d.slots, &d.logical})
            for (const Volume& v : *list)
                if (v.fs != Fs::None && v.start < d.sectors) out[v.start] = bootSector(v);
    return out;
}

namespace {

// A disk of one FAT32 partition, which DOS makes C: on the first disk.
Disk fat32Disk(uint32_t serial) { return {72000, {{kFat32, 63, 69937, Fs::Fat32, serial}}, {}}; }

}  // namespace

// Serials: the layout's two letters twice, then the disk and the partition.
const std::vector<Layout>& dosLayouts() {
    static const std::vector<Layout> table = {
        // The layouts of real machines that must keep their numbers:
        // Windows 7's System Reserved before C: with D: and E: logical; a
        // vendor's utility partition (Dell's 0xDE) before C:; C: with a
        // vendor's recovery and tools partitions after it and a Linux one
        // at the end; Windows XP with logical drives D: and E:.
        {"CommonLayouts",
         {{140000,
           {{kNtfs, 2048, 9937, Fs::Ntfs, 0xD1D10101}, {kNtfs, 12048, 19937, Fs::Ntfs, 0xD1D10102},
            {kExtended, 32048, 60000}},
           {{kFat16, 32111, 19937, Fs::Fat16, 0xD1D10103}, {kNtfs, 52111, 9937, Fs::Ntfs, 0xD1D10104}}},
          {72000,
           {{0xDE, 63, 19937, Fs::Fat16, 0xD1D10201}, {kNtfs, 20000, 19937, Fs::Ntfs, 0xD1D10202},
            {kExtended, 40000, 30000}},
           {{kFat16, 40063, 19937, Fs::Fat16, 0xD1D10203}}},
          {72000,
           {{kNtfs, 63, 19937, Fs::Ntfs, 0xD1D10301}, {kNtfs, 20000, 9937, Fs::Ntfs, 0xD1D10302},
            {kFat16, 30000, 19937, Fs::Fat16, 0xD1D10303}, {kLinux, 50000, 9937}},
           {}},
          {72000,
           {{kNtfs, 63, 19937, Fs::Ntfs, 0xD1D10401}, {kExtended, 20000, 40000}},
           {{kFat16, 20063, 19937, Fs::Fat16, 0xD1D10402}, {kNtfs, 40063, 9937, Fs::Ntfs, 0xD1D10403}}}},
         {{"D1D1-0102", 0, "1:2", ""}, {"D1D1-0104", 0, "1:4", ""}, {"D1D1-0202", 0, "2:2", ""},
          {"D1D1-0203", 0, "2:3", ""}, {"D1D1-0302", 0, "3:2", ""}, {"D1D1-0303", 0, "3:3", ""},
          {"D1D1-0401", 0, "4:1", ""}, {"D1D1-0403", 0, "4:3", ""}}},
        // Layouts whose numbers another order Ghost may use changes: the
        // extended partition's slot before a primary one's (its logical drive
        // before or after it), the extended partition first on the disk, an
        // empty entry first, a partition without a file system DOS knows
        // first.
        {"UncertainNumbers",
         {{140000,
           {{kFat32, 63, 69937, Fs::Fat32, 0xE1E10101}, {kExtended, 100000, 30000},
            {kFat16, 70000, 19937, Fs::Fat16, 0xE1E10103}},
           {{kFat16, 100063, 19937, Fs::Fat16, 0xE1E10102}}},
          {140000,
           {{kFat16, 120000, 19937, Fs::Fat16, 0xE1E10201}, {kExtended, 2048, 40000},
            {kFat16, 60000, 19937, Fs::Fat16, 0xE1E10203}},
           {{kFat16, 2111, 19937, Fs::Fat16, 0xE1E10202}}},
          {72000, {{0, 0, 0}, {kFat16, 63, 19937, Fs::Fat16, 0xE1E10301}, {kFat16, 20000, 19937, Fs::Fat16, 0xE1E10302}}, {}},
          {72000,
           {{kLinux, 63, 19937}, {kFat16, 20000, 19937, Fs::Fat16, 0xE1E10402}, {kFat16, 40000, 9937, Fs::Fat16, 0xE1E10403}},
           {}}},
         {{"E1E1-0101", 0, "1:1", ""},
          {"E1E1-0103", 6, "", "On hard disk 1 the partition table lists the volume's partition as number 2 but another order"},
          {"E1E1-0102", 6, "", "as number 3 but another order Ghost may number by"},
          {"E1E1-0203", 6, "", "as number 2 but another order Ghost may number by (where the partitions start, or the "
                               "logical drives at the extended partition's entry) makes it number 3, so"},
          {"E1E1-0201", 6, "", "as number 1 but"}, {"E1E1-0202", 6, "", "makes it number 1,"},
          {"E1E1-0301", 10, "", "On hard disk 3 an empty entry of the partition table stands before the volume's partition"},
          {"E1E1-0302", 10, "", "empty entry"},
          {"E1E1-0402", 11, "", "On hard disk 4 partition 1, before the volume's partition, holds no file system DOS knows"},
          {"E1E1-0403", 11, "", "partition 1, before"}}},
        // An extended partition of type 85h beside one of type 0Fh on the
        // first disk: the volume on the second disk is refused too.
        {"TwoExtendedPartitions",
         {{140000, {{kFat32, 63, 69937, Fs::Fat32, 0xF1F10101}, {0x85, 70000, 10000}, {kExtended, 80000, 10000}}, {}},
          fat32Disk(0xF1F10201)},
         {{"F1F1-0201", 4, "", "The partition table of hard disk 1 is broken"}, {"F1F1-0101", 4, "", "hard disk 1 is broken"}}},
        // A partition entry of the second disk starts past the disk's end.
        {"EntryPastTheDisksEnd",
         {fat32Disk(0xF2F20101), {40000, {{kFat16, 63, 19937, Fs::Fat16, 0xF2F20201}, {kFat16, 50000, 10000}}, {}}},
         {{"F2F2-0101", 3, "", "Hard disk 2 could not be read at sector 50000"}, {"F2F2-0201", 3, "", "at sector 50000"}}},
        // The second disk says its sectors hold 4096 bytes.
        {"SectorsOf4096Bytes",
         {fat32Disk(0xF3F30101), {40000, {{kFat16, 63, 19937, Fs::Fat16, 0xF3F30201}}, {}, Twist::None, {}, 4096}},
         {{"F3F3-0101", 12, "", "Hard disk 2 does not have 512-byte sectors"}, {"F3F3-0201", 12, "", "512-byte sectors"}}},
        // A second disk cloned from the first, and a dynamic disk.
        {"ClonedAndDynamic",
         {fat32Disk(0xC1010001), {0, {}, {}, Twist::CloneOfDisk1}, {40000, {{kDynamic, 63, 39000}}, {}}},
         {{"C101-0001", 2, "",
           "Two partitions have this volume serial (partition 1 of hard disk 1 and partition 1 of hard disk 2)"},
          {"C:", 2, "", "[t=C: serial C101-0001] Two partitions"},
          {"DEAD-BEEF", 5, "", "Hard disk 3 is a dynamic disk"}}},
        {"ChainLoops",
         {fat32Disk(0xC2020001),
          {72000,
           {{kFat16, 63, 19937, Fs::Fat16, 0xC2020021}, {kExtended, 20000, 40000}},
           {{kFat16, 20063, 9937, Fs::Fat16, 0xC2020023}, {kFat16, 30063, 9937, Fs::Fat16, 0xC2020024}},
           Twist::ChainLoops}},
         {{"C202-0001", 4, "", "The partition table of hard disk 2 is broken"},
          {"C202-0024", 4, "", "hard disk 2 is broken"},
          {"DEAD-BEEF", 4, "", "hard disk 2 is broken"}}},
        {"ReadErrors",
         {fat32Disk(0xC3030001),
          {40000, {{kFat16, 63, 19937, Fs::Fat16, 0xC3030021}, {kNtfs, 20000, 9937, Fs::Ntfs, 0xC3030022}}, {},
           Twist::ReadErrors}},
         {{"C303-0001", 3, "", "Hard disk 2 could not be read at sector 20000 (a damaged sector, or a partition"},
          {"C:", 3, "", "Hard disk 2 could not be read"}}},
        // Primary partitions out of disk order, a GPT disk, and a disk whose
        // partition lies beyond what cylinder, head and sector reach.
        {"OrdersGptAndBeyondChs",
         {{140000,
           {{kFat32, 63, 69937, Fs::Fat32, 0xC4040001},
            {kFat16, 100000, 19937, Fs::Fat16, 0xC4040002},
            {kFat16, 80000, 19937, Fs::Fat16, 0xC4040003}},
           {}},
          {72000, {{0, 2048, 19937, Fs::Fat16, 0xC4040021}, {0, 30000, 9937, Fs::Ntfs, 0xC4040022}}, {}, Twist::Gpt},
          {17100000, {{kFat16, 17000000, 19937, Fs::Fat16, 0xC4040031}}, {}}},
         {{"C404-0001", 0, "1:1", ""},
          {"C404-0002", 6, "",
           "On hard disk 1 the partition table lists the volume's partition as number 2 but another order Ghost may "
           "number by"},
          {"C404-0003", 6, "", "as number 3 but another order Ghost may number by (where the partitions start, or the "
                               "logical drives at the extended partition's entry) makes it number 2"},
          {"C404-0021", 5, "", "The volume is on hard disk 2, which has a GPT partition table"},
          {"C404-0022", 5, "", "hard disk 2, which has a GPT"},
          {"C404-0031", 0, "3:1", ""},
          {"DEAD-BEEF", 1, "", "No partition"},
          {"C404-0001", 3, "", "Hard disk 3 could not be read at sector 17000000", true}}},
    };
    return table;
}

}  // namespace trivex::test
