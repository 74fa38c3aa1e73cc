#include "job/dos_disks.h"

#include <cstring>

namespace trivex::job {

namespace {

constexpr size_t kMaxPartitions = 512;  // on all disks together
constexpr int kMaxLinks = 64;           // extended boot records in one chain
constexpr uint32_t kMaxGptEntries = 256;
constexpr uint8_t kGptProtective = 0xEE, kDynamic = 0x42;

uint32_t le32(const Text& s, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
    return v;
}
uint64_t le64(const Text& s, size_t at) { return uint64_t{le32(s, at + 4)} << 32 | le32(s, at); }
bool hasTableMark(const Text& s) { return s.size() >= 512 && s[510] == '\x55' && s[511] == '\xAA'; }
bool isContainer(uint8_t type) { return type == 0x05 || type == 0x0F || type == 0x85; }

// A table entry: boot flag, type, first sector (from its base), sectors.
struct Entry {
    uint8_t flag, type;
    uint32_t start, count;
    bool used() const { return type != 0 && count != 0; }
};
Entry entryAt(const Text& sector, int i) {
    const size_t at = 446 + 16 * static_cast<size_t>(i);
    return {static_cast<uint8_t>(sector[at]), static_cast<uint8_t>(sector[at + 4]), le32(sector, at + 8),
            le32(sector, at + 12)};
}

// One disk being read: its partitions go to `out`, and the first thing
// that keeps them from being known ends the reading.
class DiskReading {
public:
    DiskReading(const DiskToRead& disk, size_t number, std::vector<DosPartition>& out)
        : disk_(disk), number_(number), out_(out) {}

    VolscanCode read() {
        if (disk_.sectorBytes != 512) return VolscanCode::SectorSize;
        Text mbr;
        if (!sector(0, mbr)) return VolscanCode::Unreadable;
        if (!hasTableMark(mbr)) return VolscanCode::Found;  // no table: no partitions
        for (int i = 0; i < 4; ++i) {
            const Entry e = entryAt(mbr, i);
            if (e.type == kGptProtective) return gpt();
            if (e.type == kDynamic) return VolscanCode::NotNumbered;
            if (e.flag & 0x7F) return VolscanCode::Broken;
        }
        bool gap = false, haveExtended = false;
        int extendedSlot = 0;
        bool extendedGap = false;
        uint32_t extended = 0;
        for (int i = 0; i < 4; ++i) {
            const Entry e = entryAt(mbr, i);
            if (!e.used()) {
                gap = true;
                continue;
            }
            if (e.start == 0) return VolscanCode::Broken;  // over the MBR itself
            if (isContainer(e.type)) {
                if (haveExtended) return VolscanCode::Broken;  // a second extended partition
                haveExtended = true;
                extended = e.start;
                extendedSlot = i;
                extendedGap = gap;
                continue;
            }
            if (!add(e.start, i, false, gap, false)) return VolscanCode::Broken;
        }
        if (haveExtended) {
            uint32_t record = extended;
            for (int links = 1;; ++links) {
                if (links > kMaxLinks) return VolscanCode::Broken;  // loops, or too long
                Text ebr;
                if (!sector(record, ebr)) return VolscanCode::Unreadable;
                if (!hasTableMark(ebr)) return VolscanCode::Broken;
                const Entry drive = entryAt(ebr, 0), next = entryAt(ebr, 1);
                if (drive.used()) {
                    if (isContainer(drive.type) || drive.start == 0) return VolscanCode::Broken;
                    const uint64_t start = uint64_t{drive.start} + record;
                    if (start > 0xFFFFFFFFu) return VolscanCode::Broken;
                    if (!add(start, extendedSlot, true, extendedGap, false)) return VolscanCode::Broken;
                }
                if (next.type == 0) break;  // the chain ends
                if (!isContainer(next.type) || next.start == 0) return VolscanCode::Broken;
                const uint64_t at = uint64_t{next.start} + extended;
                if (at > 0xFFFFFFFFu) return VolscanCode::Broken;
                record = static_cast<uint32_t>(at);
            }
        }
        return bootSectors();
    }

    uint64_t failedSector = 0;
    uint32_t failedError = 0;

private:
    bool sector(uint64_t at, Text& out) {
        const SysResult r = disk_.read(at, 1, out);
        if (r && out.size() == 512) return true;
        failedSector = at;
        failedError = r ? 0 : r.error;
        return false;
    }

    bool add(uint64_t start, int slot, bool logical, bool gap, bool gpt) {
        if (out_.size() >= kMaxPartitions) return false;
        DosPartition p;
        p.start = start;
        p.disk = number_;
        p.index = ++index_;
        p.slot = slot;
        p.logical = logical;
        p.gapBefore = gap;
        p.gpt = gpt;
        out_.push_back(p);
        return true;
    }

    // GPT: the header in sector 1, then the partition entries.
    VolscanCode gpt() {
        Text header;
        if (!sector(1, header)) return VolscanCode::Unreadable;
        if (header.compare(0, 8, "EFI PART") != 0) return VolscanCode::Broken;
        uint64_t at = le64(header, 0x48);
        const uint32_t count = le32(header, 0x50), size = le32(header, 0x54);
        if (count > kMaxGptEntries) return VolscanCode::Broken;
        if (size != 128 && size != 256 && size != 512) return VolscanCode::Broken;
        Text entries;
        size_t offset = 512;
        for (uint32_t i = 0; i < count; ++i, offset += size) {
            if (offset >= 512) {
                if (!sector(at++, entries)) return VolscanCode::Unreadable;
                offset = 0;
            }
            if (entries.compare(offset, 16, Text(16, '\0')) == 0) continue;  // an unused entry
            if (!add(le64(entries, offset + 0x20), 0, false, false, true)) return VolscanCode::Broken;
        }
        return bootSectors();
    }

    VolscanCode bootSectors() {
        for (size_t i = first_; i < out_.size(); ++i) {
            Text s;
            if (!sector(out_[i].start, s)) return VolscanCode::Unreadable;
            const BootSector b = readBootSector(s);
            out_[i].serial = b.serial;
            out_[i].known = b.known;
            out_[i].bitLocker = b.bitLocker;
        }
        return VolscanCode::Found;
    }

    const DiskToRead& disk_;
    size_t number_;
    std::vector<DosPartition>& out_;
    size_t first_ = out_.size();
    int index_ = 0;
};

}  // namespace

BootSector readBootSector(const Text& s) {
    BootSector b;
    if (s.size() < 512) return b;
    if (s.compare(3, 8, "-FVE-FS-") == 0) {
        b.bitLocker = true;
        return b;
    }
    if (s.compare(3, 8, "NTFS    ") == 0) return {le32(s, 0x48), true, false};
    // FAT32 keeps no 16-bit FAT size; 29h, or 28h (the serial without the label after it).
    const size_t at = s[0x16] == 0 && s[0x17] == 0 ? 0x42 : 0x26;
    if ((static_cast<unsigned char>(s[at]) & 0xFE) == 0x28) return {le32(s, at + 1), true, false};
    return b;
}

DosDisks readDosDisks(const std::vector<DiskToRead>& disks) {
    DosDisks out;
    for (size_t d = 0; d < disks.size(); ++d) {
        const size_t first = out.partitions.size();
        DiskReading reading(disks[d], d, out.partitions);
        const VolscanCode why = reading.read();
        if (why == VolscanCode::Found) continue;
        out.partitions.resize(first);  // none of its partitions is known
        if (out.trouble != VolscanCode::Found) continue;
        out.trouble = why;
        out.troubleDisk = d;
        out.troubleSector = reading.failedSector;
        out.troubleError = reading.failedError;
    }
    return out;
}

Located numberOf(const std::vector<DosPartition>& disk, size_t which) {
    const DosPartition& t = disk[which];
    Located found;
    found.partition = &t;
    if (t.gapBefore) {
        found.code = VolscanCode::EmptyBefore;
        return found;
    }
    // Its places in the other orders: by start; by table entry with the
    // logical drives at the extended partition's; primary ones by start,
    // then the logical drives.
    int byStart = 1, bySlot = 1, primariesFirst = 1;
    for (const DosPartition& p : disk) {
        if (&p == &t) continue;
        bool before = p.index < t.index;
        const bool firstInTable = p.index < t.index;
        if (p.start < t.start || (p.start == t.start && firstInTable)) before = true, ++byStart;
        if (p.slot < t.slot || (p.slot == t.slot && firstInTable)) before = true, ++bySlot;
        if (p.logical != t.logical ? !p.logical
                                   : !p.logical && p.start != t.start ? p.start < t.start : firstInTable)
            before = true, ++primariesFirst;
        if (before && !p.known && found.foreign == 0) found.foreign = p.index;
    }
    for (const int place : {byStart, bySlot, primariesFirst}) {
        if (place != t.index) {
            found.code = VolscanCode::OrdersDiffer;
            found.otherPlace = place;
            return found;
        }
    }
    if (found.foreign) found.code = VolscanCode::ForeignBefore;
    return found;
}

Located locateVolume(const DosDisks& disks, uint32_t serial) {
    Located found;
    if (serial == 0) {
        found.code = VolscanCode::NoSerial;
        return found;
    }
    int count = 0;
    for (const DosPartition& p : disks.partitions) {
        if (p.serial != serial) continue;
        if (++count == 1) found.partition = &p;
        else if (count == 2) found.second = &p;
    }
    if (count >= 2) found.code = VolscanCode::Twice;
    else if (disks.trouble != VolscanCode::Found) found.code = disks.trouble;
    else if (count == 0) found.code = VolscanCode::Nowhere;
    else if (found.partition->gpt) found.code = VolscanCode::NotNumbered;
    if (found.code != VolscanCode::Found) return found;
    std::vector<DosPartition> disk;
    size_t which = 0;
    for (const DosPartition& p : disks.partitions) {
        if (p.disk != found.partition->disk) continue;
        if (&p == found.partition) which = disk.size();
        disk.push_back(p);
    }
    Located number = numberOf(disk, which);
    number.partition = found.partition;  // the one in `disks`, which outlives the copy
    return number;
}

}  // namespace trivex::job
