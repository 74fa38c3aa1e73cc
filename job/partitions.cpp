#include "job/partitions.h"

#include <algorithm>
#include <vector>

#include "job/encrypted.h"
#include "platform/text.h"

namespace trivex::job {

namespace {

Text number(int64_t n) { return text::toText(n); }

// The partition type byte of the one partition a dynamic disk shows in its
// table; the volumes live in the disk's own database, which Ghost for DOS
// does not read.
constexpr uint8_t kDynamicDisk = 0x42;

// A disk as its owner knows it: Windows' number (the one its disk
// management shows) and what the disk says of itself.
Problem diskName(const DiskPlace& d) {
    return {Code::Disk, {number(d.disk), number(static_cast<int64_t>(d.diskBytes)), d.diskModel}};
}

// The letter of "C"-"Z", else 0 (the drive list and the file dialogs give
// upper-case letters; A: and B: are floppy drives, and anything else is not
// a drive the user chose).
char driveLetter(const Text& letter) { return letter.size() == 1 && letter[0] >= 'C' && letter[0] <= 'Z' ? letter[0] : 0; }

// The partitions of a layout as the rule of job/dos_disks.h takes them: in
// table order, each primary one at its slot and the logical drives at the
// extended container's (where the system does not say it, the slot after
// the last primary one). The system reports no file systems: every
// partition counts as known; the raw reading (foreseeDos) tells them.
std::vector<DosPartition> tableOf(const DiskPlace& place, size_t& which) {
    std::vector<DiskPartition> parts = place.partitions;
    std::stable_sort(parts.begin(), parts.end(), [](const DiskPartition& a, const DiskPartition& b) {
        return a.logical != b.logical ? !a.logical : a.slot < b.slot;
    });
    bool used[4] = {};
    int extended = place.extendedSlot;
    for (const DiskPartition& part : parts)
        if (!part.logical && part.slot >= 0 && part.slot < 4) used[part.slot] = true;
    if (extended < 0)
        for (const DiskPartition& part : parts)
            if (!part.logical) extended = std::max(extended, part.slot + 1);
    if (extended >= 0 && extended < 4) used[extended] = true;
    const auto gapBefore = [&](int slot) {
        for (int s = 0; s < slot && s < 4; ++s)
            if (!used[s]) return true;
        return false;
    };
    std::vector<DosPartition> table;
    which = parts.size();
    for (const DiskPartition& part : parts) {
        DosPartition d;
        d.start = part.start;
        d.index = static_cast<int>(table.size()) + 1;
        d.logical = part.logical;
        d.slot = part.logical ? std::max(extended, 0) : part.slot;
        d.gapBefore = gapBefore(d.slot);
        d.known = true;
        if (part.start == place.start) which = table.size();
        table.push_back(d);
    }
    return table;
}

}  // namespace

Problem diskName(uint32_t disk, const std::vector<DiskPlace>& known) {
    for (const DiskPlace& d : known)
        if (d.disk == disk) return diskName(d);
    return {Code::Disk, {number(disk), "0", ""}};
}

Problem numberProblem(const Located& why) {
    switch (why.code) {
        case VolscanCode::EmptyBefore: return {Code::EmptySlotBefore};
        case VolscanCode::ForeignBefore: return {Code::ForeignPartitionBefore, {number(why.foreign)}};
        case VolscanCode::NotNumbered: return {Code::DiskIsGpt};
        default:
            return {Code::PartitionOrderDiffers,
                    {number(why.partition ? why.partition->index : 0), number(why.otherPlace)}};
    }
}

// How Ghost numbers the partitions of a disk: the rule of job/dos_disks.h,
// on the layout the system reports. The Norton Ghost 2003 user's guide
// (documentation version 6.8, "Ghost.exe and the Virtual Partition") says
// that Ghost.exe's command line numbers partitions as its own menus list
// them; it lists the partitions that hold volumes, hidden ones included (a
// Dell utility partition of type 0xDE first makes Windows partition 2, as
// Dell's own Ghost-based restore writes it). The guide does not say whether
// the list follows the table's slots or the partitions' places on the disk,
// nor where logical drives come: so a number is used only where every such
// order agrees. Disks that Ghost for DOS cannot address by partition number
// are refused: a GPT disk (it sees one protective partition), a dynamic
// disk (it sees one partition of type 0x42), a disk whose sectors are not
// 512 bytes.
Expected<int> ghostPartitionOf(const DiskPlace& place) {
    if (!place.mbr) return Problem{Code::DiskIsGpt};
    for (const DiskPartition& part : place.partitions)
        if (part.type == kDynamicDisk) return Problem{Code::DiskIsDynamic};
    if (place.sectorBytes != 0 && place.sectorBytes != 512) return Problem{Code::SectorNot512, {number(place.sectorBytes)}};
    size_t which = 0;
    const std::vector<DosPartition> table = tableOf(place, which);
    if (which == table.size()) return Problem{Code::PartitionNotListed};
    const Located n = numberOf(table, which);
    if (n.code != VolscanCode::Found) return numberProblem(n);
    return n.partition->index;
}

PartitionCheck checkPartitions(Machine& p, const JobRequest& job) {
    PartitionCheck check;
    SystemPartition system;
    const bool bootKnown = p.systemPartition(system);
    DiskPlace c;
    // The job's files and the boot menu it changes are on C:; Ghost's disk 1
    // is the boot disk.
    const bool cKnown = p.drivePlace('C', c);
    if (bootKnown) check.places.push_back(system.place);
    if (cKnown) check.places.push_back(c);
    if (bootKnown && cKnown && c.disk != system.place.disk) {
        check.refusal = around(Code::CNotOnBootDisk, {diskName(c), diskName(system.place)});
        return check;
    }
    std::vector<Problem> unchecked;
    const auto finish = [&](bool forDos) {
        check.encryption = encryptionRefusal(p, job, unchecked);
        if (forDos) foreseeDos(p, check, unchecked);
        if (!unchecked.empty()) check.note = around(Code::NotForeseen, std::move(unchecked));
        return check;
    };
    const JobKind kind = job.kind();
    if (kind != JobKind::Restore && kind != JobKind::Backup) return finish(false);

    const Text& image = job.imagePath;
    check.target.letter = driveLetter(job.targetDrive);
    // A path typed in lower case names the same drive.
    const char imageDrive = image.size() >= 2 && image[1] == ':' ? image[0] : '\0';
    check.image.letter = driveLetter(Text(1, imageDrive >= 'a' && imageDrive <= 'z' ? char(imageDrive - 'a' + 'A') : imageDrive));
    for (GhostVolume* v : {&check.target, &check.image}) {
        if (v->letter == 0) continue;  // the job's own checks name a drive that is missing
        const bool isImage = v == &check.image;
        // Ghost runs with -nousb: after the restart it cannot reach a USB disk.
        if (p.driveBus(v->letter) == DriveBus::Usb) {
            check.refusal = Problem{isImage ? Code::ImageOnUsb : Code::TargetOnUsb, {Arg::letter(v->letter)}};
            return check;
        }
        VolumeIdentity id;
        if (p.volumeIdentity(v->letter, id)) {
            v->serial = id.serial;
            v->fileSystem = id.fileSystem;
        }
        uint64_t total = 0, free = 0;
        if (p.diskSpace(v->letter, total, free)) v->bytes = total;
        DiskPlace place;
        if (!p.drivePlace(v->letter, place)) continue;  // the volumes decide
        check.places.push_back(place);
        const Expected<int> n = ghostPartitionOf(place);
        if (!n) {
            check.refusal = around(Code::PartitionUnknowable, {n.problem()}, {Arg::letter(v->letter)});
            return check;
        }
        v->partition = *n;
        if (bootKnown) v->disk = place.disk == system.place.disk ? GhostVolume::Disk::Boot : GhostVolume::Disk::Later;
    }
    return finish(true);
}

}  // namespace trivex::job
