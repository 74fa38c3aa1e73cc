#include "layout.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "../payloads/helpers.h"

namespace trivex::test {

namespace {

void putLe(std::string& at, size_t pos, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) at[pos + i] = static_cast<char>(v >> (8 * i));
}

void must(const std::string& command) {
    std::string out;
    if (run(command, out) != 0) throw std::runtime_error(command + " failed: " + out);
}

// Writes `bytes` over the image from sector `sector`, byte `offset` in it.
void writeAt(const fs::path& image, uint64_t sector, const std::string& bytes, size_t offset = 0) {
    std::fstream f(image, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(sector * 512 + offset));
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f) throw std::runtime_error("cannot write " + image.string());
}

// A partition table entry (CHS fields FE FF FF: the addresses are the LBA ones).
std::string entry(uint8_t type, uint32_t start, uint32_t sectors, bool active = false) {
    std::string e(16, '\0');
    e[0] = active ? '\x80' : '\0';
    e.replace(1, 3, "\xFE\xFF\xFF");
    e[4] = static_cast<char>(type);
    e.replace(5, 3, "\xFE\xFF\xFF");
    putLe(e, 8, start, 4);
    putLe(e, 12, sectors, 4);
    return e;
}

std::string tableSector(const std::vector<std::string>& entries) {
    std::string s(512, '\0');
    for (size_t i = 0; i < entries.size(); ++i) s.replace(446 + 16 * i, 16, entries[i]);
    s.replace(510, 2, "\x55\xAA");
    return s;
}

uint32_t crc32(const std::string& bytes) {
    uint32_t c = 0xFFFFFFFF;
    for (unsigned char b : bytes) {
        c ^= b;
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320 & (0 - (c & 1)));
    }
    return ~c;
}

}  // namespace

std::string hex8(uint32_t v) {
    char s[9];
    std::snprintf(s, sizeof s, "%08X", v);
    return s;
}

namespace {

// Makes the file system of `v` in its place on the image and checks with
// blkid that the image holds the serial there.
void format(const fs::path& image, const Volume& v, const std::string& label) {
    const std::string serial = hex8(v.serial);
    if (v.fs == Fs::Ntfs) {
        const fs::path part = image.string() + ".part";
        fs::remove(part);
        writeAll(part, "");
        fs::resize_file(part, uint64_t{v.sectors} * 512);
        must("mkntfs -F -q -Q -s 512 -c 4096 -H 16 -S 63 -L " + label + " -p " + std::to_string(v.start) + " " +
             quote(part));
        std::string bytes = readAll(part);
        // The serial in the boot sector and in its copy in the last sector.
        for (size_t at : {size_t{0}, bytes.size() - 512}) putLe(bytes, at + 0x48, 0x5A5A5A5A00000000ull | v.serial, 8);
        fs::remove(part);
        writeAt(image, v.start, bytes);
    } else if (v.fs != Fs::None) {
        const char* kind = v.fs == Fs::Fat12 ? "12 -s 4" : v.fs == Fs::Fat16 ? "16 -s 2" : "32 -s 1";
        must("mkfs.fat -F " + std::string(kind) + " -i " + serial + " -n " + label + " -h " + std::to_string(v.start) +
             " --offset " + std::to_string(v.start) + " " + quote(image) + " " + std::to_string(v.sectors / 2));
    } else {
        return;
    }
    std::string uuid;
    run("blkid -p -O " + std::to_string(uint64_t{v.start} * 512) + " -o value -s UUID " + quote(image), uuid);
    const std::string want = v.fs == Fs::Ntfs ? "5A5A5A5A" + serial : serial.substr(0, 4) + "-" + serial.substr(4);
    if (uuid != want + "\n") throw std::runtime_error(image.string() + ": blkid reads " + uuid + ", not " + want);
    if (v.shortSignature) writeAt(image, v.start, "\x28", v.fs == Fs::Fat32 ? 0x42 : 0x26);
}

// The protective MBR, the GPT header in sector 1 and its 128 entries from
// sector 2 (the copy at the disk's end is left out).
void writeGpt(const fs::path& image, const Disk& d) {
    writeAt(image, 0, tableSector({entry(0xEE, 1, d.sectors - 1)}));
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
    writeAt(image, 1, header + entries);
}

}  // namespace

std::string makeLayoutDisk(const fs::path& image, const Disk& d, const fs::path& disk1) {
    fs::remove(image);
    if (d.twist == Twist::CloneOfDisk1) {
        must("cp --sparse=always " + quote(disk1) + " " + quote(image));
        return image.string();
    }
    writeAll(image, "");
    fs::resize_file(image, uint64_t{d.sectors} * 512);
    if (d.twist == Twist::Gpt) {
        writeGpt(image, d);
    } else {
        std::vector<std::string> slots;
        uint32_t extended = 0;
        for (const Volume& v : d.slots) {
            slots.push_back(entry(v.type, v.start, v.sectors, slots.empty()));
            if (v.type == 0x05 || v.type == 0x0F || v.type == 0x85) extended = v.start;
        }
        // The boot code first; the table over its bytes 446-511.
        if (!d.bootCode.empty()) writeAt(image, 0, d.bootCode);
        writeAt(image, 0, tableSector(slots).substr(446), 446);
        for (size_t i = 0; i < d.logical.size(); ++i) {
            const uint32_t record = d.logical[i].start - 63;
            std::vector<std::string> e = {entry(d.logical[i].type, 63, d.logical[i].sectors)};
            if (i + 1 < d.logical.size())
                e.push_back(entry(0x05, d.logical[i + 1].start - 63 - extended, d.logical[i + 1].sectors + 63));
            else if (d.twist == Twist::ChainLoops)
                e.push_back(entry(0x05, record - extended, d.logical[i].sectors + 63));
            writeAt(image, record, tableSector(e));
        }
    }
    int n = 0;
    for (const auto* list : {&d.slots, &d.logical})
        for (const Volume& v : *list) format(image, v, "VOL" + std::to_string(++n));
    if (d.twist != Twist::ReadErrors) return image.string();
    const fs::path rules = image.string() + ".blkdebug";
    writeAll(rules, "[inject-error]\nevent = \"read_aio\"\nerrno = \"5\"\nsector = \"" +
                        std::to_string(d.slots.back().start) + "\"\n");
    return "blkdebug:" + rules.string() + ":" + image.string();
}


}  // namespace trivex::test
