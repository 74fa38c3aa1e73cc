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
    } else if (v.fs != Fs::None && v.fs != Fs::BitLocker) {
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

}  // namespace

std::string makeLayoutDisk(const fs::path& image, const Disk& d, const fs::path& disk1) {
    fs::remove(image);
    if (d.twist == Twist::CloneOfDisk1) {
        must("cp --sparse=always " + quote(disk1) + " " + quote(image));
        return image.string();
    }
    writeAll(image, "");
    fs::resize_file(image, uint64_t{d.sectors} * 512);
    for (const auto& [sector, bytes] : layoutSectors(d, false)) writeAt(image, sector, bytes);
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
