#include "job/partitions.h"

#include <algorithm>
#include <vector>

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

}  // namespace

// How Ghost numbers the partitions of a disk. The Norton Ghost 2003 user's
// guide (documentation version 6.8, "Ghost.exe and the Virtual Partition")
// says that Ghost.exe's command line numbers partitions as its own menus
// list them; it lists the partitions that hold volumes, hidden ones
// included (a Dell utility partition of type 0xDE first makes Windows
// partition 2, as Dell's own Ghost-based restore writes it). The guide does
// not say whether the list follows the table's slots or the partitions'
// places on the disk, nor where logical drives come. So a number is used
// only where both orders agree: primary partitions by table slot, then
// logical drives in the order of their chain (extended containers and
// empty slots not counted), against all of them sorted by where they
// start. Where the two differ the job cannot know which partition Ghost
// would take, and says so. Disks that Ghost for DOS cannot address by
// partition number are refused: a GPT disk (it sees one protective
// partition) and a dynamic disk (it sees one partition of type 0x42).
Expected<int> ghostPartitionOf(const DiskPlace& place) {
    if (!place.mbr) return Problem{Code::DiskIsGpt};
    for (const DiskPartition& part : place.partitions)
        if (part.type == kDynamicDisk) return Problem{Code::DiskIsDynamic};
    std::vector<DiskPartition> byTable = place.partitions;
    std::stable_sort(byTable.begin(), byTable.end(), [](const DiskPartition& a, const DiskPartition& b) {
        return a.logical != b.logical ? !a.logical : a.slot < b.slot;
    });
    std::vector<DiskPartition> byPlace = place.partitions;
    std::stable_sort(byPlace.begin(), byPlace.end(),
                     [](const DiskPartition& a, const DiskPartition& b) { return a.start < b.start; });
    const auto find = [&](const std::vector<DiskPartition>& list) {
        for (size_t i = 0; i < list.size(); ++i)
            if (list[i].start == place.start) return static_cast<int>(i) + 1;
        return 0;
    };
    const int inTable = find(byTable), onDisk = find(byPlace);
    if (inTable == 0) return Problem{Code::PartitionNotListed};
    if (inTable != onDisk) return Problem{Code::PartitionOrderDiffers, {number(inTable), number(onDisk)}};
    return inTable;
}

PartitionCheck checkPartitions(Machine& p, const JobRequest& job) {
    PartitionCheck check;
    SystemPartition system;
    const bool bootKnown = p.systemPartition(system);
    DiskPlace c;
    // The job's files and the boot menu it changes are on C:; Ghost's disk 1
    // is the boot disk.
    if (bootKnown && p.drivePlace('C', c) && c.disk != system.place.disk) {
        check.refusal = around(Code::CNotOnBootDisk, {diskName(c), diskName(system.place)});
        return check;
    }
    const JobKind kind = job.kind();
    if (kind != JobKind::Restore && kind != JobKind::Backup) return check;

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
        const Expected<int> n = ghostPartitionOf(place);
        if (!n) {
            check.refusal = around(Code::PartitionUnknowable, {n.problem()}, {Arg::letter(v->letter)});
            return check;
        }
        v->partition = *n;
        if (bootKnown) v->disk = place.disk == system.place.disk ? GhostVolume::Disk::Boot : GhostVolume::Disk::Later;
    }
    return check;
}

}  // namespace trivex::job
