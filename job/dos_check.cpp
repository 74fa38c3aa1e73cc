// What the DOS side will find after the restart, foreseen in Windows: every
// disk the system numbers read raw, as the BIOS gives it to VOLSCAN.COM,
// through the same rules (job/dos_disks.h).
#include "job/partitions.h"
#include "platform/text.h"

namespace trivex::job {

namespace {

// Windows numbers the disks from 0; the BIOS hands DOS far fewer than this.
constexpr uint32_t kDisksToRead = 32;

Text number(int64_t n) { return text::toText(n); }

// The disks as the system numbers them: those it can read, and what it
// could not read (a disk it refuses: no administrator rights, or a device
// that answers no reads).
struct DisksRead {
    std::vector<DiskToRead> disks;
    std::vector<uint32_t> numbers;  // Windows' number of each disk read
    std::vector<Problem> unread;
};

DisksRead readDisks(Machine& p, const std::vector<DiskPlace>& places) {
    DisksRead read;
    for (uint32_t n = 0; n < kDisksToRead; ++n) {
        Text first;
        const SysResult r = p.readDiskSectors(n, 0, 1, first);
        // No such disk, or a drive without its medium (a card reader), which
        // holds no volume and which the BIOS does not offer DOS.
        if (!r && (r.error == kErrorFileNotFound || r.error == kErrorNotReady || r.error == kErrorNoMedia)) continue;
        if (!r) {
            read.unread.push_back({Code::DiskNotReadHere, {}, r.error, {diskName(n, places)}});
            continue;
        }
        read.disks.push_back({[&p, n](uint64_t at, uint32_t count, Text& out) { return p.readDiskSectors(n, at, count, out); },
                              static_cast<uint32_t>(first.size())});
        read.numbers.push_back(n);
    }
    if (read.disks.empty() && read.unread.empty())  // the system numbers no disk at all
        read.unread.push_back({Code::DiskNotReadHere, {}, kErrorFileNotFound, {diskName(0, places)}});
    return read;
}

// Why a disk keeps the DOS side from knowing any partition.
Problem troubleOf(const DosDisks& dos, const DisksRead& read, const std::vector<DiskPlace>& places) {
    const Problem disk = diskName(read.numbers[dos.troubleDisk], places);
    switch (dos.trouble) {
        case VolscanCode::Unreadable:
            return {Code::DiskSectorUnreadable, {number(static_cast<int64_t>(dos.troubleSector))}, dos.troubleError, {disk}};
        case VolscanCode::NotNumbered: return {Code::DiskDynamicForDos, {}, 0, {disk}};
        case VolscanCode::SectorSize:
            return {Code::DiskSectorSize, {number(read.disks[dos.troubleDisk].sectorBytes)}, 0, {disk}};
        default: return {Code::DiskTableBroken, {}, 0, {disk}};
    }
}

}  // namespace

void foreseeDos(Machine& p, PartitionCheck& check, std::vector<Problem>& unchecked) {
    const DisksRead read = readDisks(p, check.places);
    unchecked.insert(unchecked.end(), read.unread.begin(), read.unread.end());
    if (read.disks.empty()) return;
    const DosDisks dos = readDosDisks(read.disks);
    if (dos.trouble != VolscanCode::Found) {
        check.dosRefusal = around(Code::DosWouldRefuse, {troubleOf(dos, read, check.places)});
        return;
    }
    // Each volume as VOLSCAN.COM looks for it: by its serial. A drive
    // without one is found through DOS, by the job's own file on it.
    for (const GhostVolume* v : {&check.target, &check.image}) {
        if (!v->letter || !v->serial) continue;
        const Located found = locateVolume(dos, *v->serial);
        const Arg letter = Arg::letter(v->letter);
        switch (found.code) {
            case VolscanCode::Found: continue;
            case VolscanCode::Twice:
                check.dosRefusal = around(Code::DosWouldRefuse,
                                          {{Code::SerialTwice,
                                            {letter, v->serialText(), number(found.partition->index), number(found.second->index)},
                                            0,
                                            {diskName(read.numbers[found.partition->disk], check.places),
                                             diskName(read.numbers[found.second->disk], check.places)}}});
                return;
            case VolscanCode::Nowhere:
                // A disk Windows could not read may hold it; the DOS side looks.
                if (!read.unread.empty()) continue;
                check.dosRefusal = around(Code::DosWouldRefuse, {{Code::SerialNowhere, {letter, v->serialText()}}});
                return;
            default:
                check.dosRefusal = around(Code::PartitionUnknowable, {numberProblem(found)}, {letter});
                return;
        }
    }
}

}  // namespace trivex::job
