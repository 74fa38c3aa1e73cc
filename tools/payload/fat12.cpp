#include "fat12.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace trivex::tools {
namespace {

// 2010-01-01 12:00:00, in DOS date and time form.
constexpr uint16_t kDosDate = ((2010 - 1980) << 9) | (1 << 5) | 1;
constexpr uint16_t kDosTime = (12 << 11);

constexpr uint8_t kAttrVolume = 0x08;
constexpr uint8_t kAttrDirectory = 0x10;
constexpr uint8_t kAttrArchive = 0x20;

// Padded, fixed-width copy of a text into the sector.
void putText(Bytes& b, size_t at, const std::string& s, size_t width) {
    for (size_t i = 0; i < width; ++i) b[at + i] = i < s.size() ? static_cast<uint8_t>(s[i]) : ' ';
}

// "IO.SYS" -> "IO      SYS"; "." and ".." stay as they are, padded.
std::string shortNameField(const std::string& name) {
    if (name == "." || name == "..") return name + std::string(11 - name.size(), ' ');
    const auto dot = name.find('.');
    std::string base = name.substr(0, dot);
    std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    base.resize(8, ' ');
    ext.resize(3, ' ');
    return base + ext;
}

class Writer {
public:
    Writer(const FatVolume& v, Bytes& image) : v_(v), f_(v.format), img_(image) {}

    bool run(std::string& err) {
        if (v_.bootSector.size() != f_.bytesPerSector) {
            err = "the boot sector must be " + std::to_string(f_.bytesPerSector) + " bytes";
            return false;
        }
        img_.assign(size_t{f_.totalSectors} * f_.bytesPerSector, 0);
        std::copy(v_.bootSector.begin(), v_.bootSector.end(), img_.begin());
        writeBootFields(img_, f_);

        fat_.assign(f_.clusterCount() + 2, 0);
        fat_[0] = 0xF00 | f_.media;
        fat_[1] = 0xFFF;

        const size_t rootAt = static_cast<size_t>(f_.reservedSectors + f_.fatCount * f_.sectorsPerFat) * f_.bytesPerSector;
        const size_t rootNeeded = v_.root.size() + (v_.label.empty() ? 0 : 1);
        if (rootNeeded > f_.rootEntries) {
            err = "the root directory holds " + std::to_string(f_.rootEntries) + " entries, " +
                  std::to_string(rootNeeded) + " are needed";
            return false;
        }
        if (!checkNames(v_.root, "", err)) return false;

        Bytes root(size_t{f_.rootEntries} * 32, 0);
        size_t slot = 0;
        if (!v_.label.empty()) {
            std::string label = v_.label;
            label.resize(11, ' ');
            putEntry(root, slot++, label, kAttrVolume, 0, 0);
        }
        for (const FatEntry& e : v_.root)
            if (!place(e, root, slot++, 0, err)) return false;
        std::copy(root.begin(), root.end(), img_.begin() + static_cast<std::ptrdiff_t>(rootAt));

        writeFats();
        return true;
    }

private:
    bool checkNames(const std::vector<FatEntry>& entries, const std::string& folder, std::string& err) {
        std::set<std::string> seen;
        for (const FatEntry& e : entries) {
            if (!isDosName(e.name)) {
                err = "\"" + folder + e.name + "\" is not an upper-case DOS 8.3 name";
                return false;
            }
            if (!seen.insert(e.name).second) {
                err = "\"" + folder + e.name + "\" appears twice";
                return false;
            }
            if (e.directory && !checkNames(e.children, folder + e.name + "\\", err)) return false;
        }
        return true;
    }

    // Allocates `bytes` worth of contiguous clusters; 0 for an empty file.
    bool allocate(size_t bytes, uint16_t& first, std::string& err) {
        first = 0;
        if (bytes == 0) return true;
        const size_t count = (bytes + f_.clusterBytes() - 1) / f_.clusterBytes();
        if (next_ + count > fat_.size()) {
            err = "the files do not fit into the image (" + std::to_string(f_.clusterCount()) +
                  " clusters of " + std::to_string(f_.clusterBytes()) + " bytes)";
            return false;
        }
        first = static_cast<uint16_t>(next_);
        for (size_t i = 0; i < count; ++i, ++next_) fat_[next_] = i + 1 < count ? next_ + 1 : 0xFFF;
        return true;
    }

    size_t clusterOffset(uint16_t cluster) const {
        return (size_t{f_.firstDataSector()} + size_t{cluster - 2u} * f_.sectorsPerCluster) * f_.bytesPerSector;
    }

    bool place(const FatEntry& e, Bytes& dir, size_t slot, uint16_t parent, std::string& err) {
        uint16_t first = 0;
        if (!e.directory) {
            if (e.data.size() > 0xFFFFFFFFu) {
                err = "\"" + e.name + "\" is too large";
                return false;
            }
            if (!allocate(e.data.size(), first, err)) return false;
            if (first != 0)
                std::copy(e.data.begin(), e.data.end(), img_.begin() + static_cast<std::ptrdiff_t>(clusterOffset(first)));
            putEntry(dir, slot, shortNameField(e.name), kAttrArchive, first, static_cast<uint32_t>(e.data.size()));
            return true;
        }
        Bytes own((e.children.size() + 2) * 32, 0);
        if (!allocate(own.size(), first, err)) return false;
        putEntry(dir, slot, shortNameField(e.name), kAttrDirectory, first, 0);
        putEntry(own, 0, shortNameField("."), kAttrDirectory, first, 0);
        putEntry(own, 1, shortNameField(".."), kAttrDirectory, parent, 0);
        for (size_t i = 0; i < e.children.size(); ++i)
            if (!place(e.children[i], own, i + 2, first, err)) return false;
        std::copy(own.begin(), own.end(), img_.begin() + static_cast<std::ptrdiff_t>(clusterOffset(first)));
        return true;
    }

    static void putEntry(Bytes& dir, size_t slot, const std::string& name11, uint8_t attr, uint16_t cluster,
                         uint32_t size) {
        const size_t at = slot * 32;
        putText(dir, at, name11, 11);
        dir[at + 11] = attr;
        putU16(dir, at + 14, kDosTime);  // created
        putU16(dir, at + 16, kDosDate);
        putU16(dir, at + 18, kDosDate);  // last access
        putU16(dir, at + 22, kDosTime);  // last write
        putU16(dir, at + 24, kDosDate);
        putU16(dir, at + 26, cluster);
        putU32(dir, at + 28, size);
    }

    void writeFats() {
        Bytes fat(size_t{f_.sectorsPerFat} * f_.bytesPerSector, 0);
        for (size_t n = 0; n < fat_.size(); ++n) {
            const size_t at = n * 3 / 2;
            const uint16_t v = fat_[n] & 0xFFF;
            if (n % 2 == 0) {
                fat[at] = static_cast<uint8_t>(v);
                fat[at + 1] = static_cast<uint8_t>((fat[at + 1] & 0xF0) | (v >> 8));
            } else {
                fat[at] = static_cast<uint8_t>((fat[at] & 0x0F) | ((v & 0x0F) << 4));
                fat[at + 1] = static_cast<uint8_t>(v >> 4);
            }
        }
        for (unsigned copy = 0; copy < f_.fatCount; ++copy) {
            const size_t at = size_t{f_.reservedSectors + copy * f_.sectorsPerFat} * f_.bytesPerSector;
            std::copy(fat.begin(), fat.end(), img_.begin() + static_cast<std::ptrdiff_t>(at));
        }
    }

    const FatVolume& v_;
    const Fat12Format& f_;
    Bytes& img_;
    std::vector<uint16_t> fat_;
    size_t next_ = 2;
};

}  // namespace

bool isDosName(const std::string& name) {
    static const std::string kAllowed = "!#$%&'()-@^_`{}~";
    const auto dot = name.find('.');
    const std::string base = name.substr(0, dot);
    const std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
    if (dot != std::string::npos && ext.empty()) return false;
    for (const std::string& part : {base, ext})
        for (unsigned char c : part) {
            const bool ok = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c >= 0x80 ||
                            kAllowed.find(static_cast<char>(c)) != std::string::npos;
            if (!ok) return false;
        }
    return true;
}

void writeBootFields(Bytes& s, const Fat12Format& f) {
    s[0] = 0xEB;
    s[1] = 0x3C;
    s[2] = 0x90;
    putText(s, 3, f.oemName, 8);
    putU16(s, 11, f.bytesPerSector);
    s[13] = f.sectorsPerCluster;
    putU16(s, 14, f.reservedSectors);
    s[16] = f.fatCount;
    putU16(s, 17, f.rootEntries);
    putU16(s, 19, f.totalSectors);
    s[21] = f.media;
    putU16(s, 22, f.sectorsPerFat);
    putU16(s, 24, f.sectorsPerTrack);
    putU16(s, 26, f.heads);
    putU32(s, 28, f.hiddenSectors);
    putU32(s, 32, 0);  // the 16-bit count above holds the size
    s[36] = f.driveNumber;
    s[37] = 0;
    s[38] = 0x29;
    putU32(s, 39, f.serial);
    putText(s, 43, f.bootLabel, 11);
    putText(s, 54, f.fsType, 8);
    s[510] = 0x55;
    s[511] = 0xAA;
}

bool buildFat12(const FatVolume& volume, Bytes& image, std::string& err) {
    return Writer(volume, image).run(err);
}

}  // namespace trivex::tools
