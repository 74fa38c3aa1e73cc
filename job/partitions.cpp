#include "job/partitions.h"

#include <algorithm>
#include <vector>

#include "job/ghost_plan.h"
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

// The letter of "A"-"Z", else 0 (the drive list and the file dialogs
// give upper-case letters; anything else is not a drive the user chose).
char driveLetter(const Text& letter) { return letter.size() == 1 && letter[0] >= 'A' && letter[0] <= 'Z' ? letter[0] : 0; }

// One drive of the job and its Ghost number.
struct JobDrive {
    Code byLayout, byTable;  // its line in the question
    char letter = 0;
    int tableNumber = 0;  // the letter table's
    int number = 0;
    bool fromTable = false;
};

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
    const bool cKnown = p.drivePlace('C', c);
    // The job's files and the boot menu it changes are on C:; Ghost's disk 1
    // is the boot disk.
    if (bootKnown && cKnown && c.disk != system.place.disk) {
        check.refusal = around(Code::CNotOnBootDisk, {diskName(c), diskName(system.place)});
        return check;
    }
    const JobKind kind = job.kind();
    if (kind != JobKind::Restore && kind != JobKind::Backup) return check;

    const Text& image = job.imagePath;
    const bool imageHasDrive = image.size() >= 2 && image[1] == ':';
    JobDrive drives[2] = {
        {Code::TargetByLayout, Code::TargetByTable, driveLetter(job.targetDrive), partitionNumber(job.targetDrive)},
        {Code::ImageByLayout, Code::ImageByTable, imageHasDrive ? driveLetter(image.substr(0, 1)) : '\0',
         imagePartitionOf(image)}};
    // When the system does not name the boot disk, C:'s disk stands for it.
    const DiskPlace* boot = bootKnown ? &system.place : cKnown ? &c : nullptr;
    std::vector<Problem> unsure;
    if (!bootKnown) unsure.push_back({Code::UnsureBootDisk});
    if (!cKnown) unsure.push_back({Code::UnsureCDrive});
    for (JobDrive& d : drives) {
        DiskPlace place;
        if (d.letter == 0 || !p.drivePlace(d.letter, place)) {
            // The image path's own check names a path without a drive.
            d.number = d.tableNumber;
            d.fromTable = true;
            if (d.letter && d.letter != 'C') unsure.push_back({Code::UnsureDrive, {Arg::letter(d.letter)}});
            continue;
        }
        if (boot && place.disk != boot->disk) {
            // Windows numbers disks its own way, which need not be the
            // BIOS's order: only the boot disk is known to be Ghost's disk 1.
            check.refusal = around(&d == &drives[1] ? Code::ImageNotOnBootDisk : Code::TargetNotOnBootDisk,
                                   {diskName(place), diskName(*boot)}, {Arg::letter(d.letter)});
            return check;
        }
        const Expected<int> n = ghostPartitionOf(place);
        if (!n) {
            check.refusal = around(Code::PartitionUnknowable, {n.problem()}, {Arg::letter(d.letter)});
            return check;
        }
        d.number = *n;
    }
    check.targetPartition = drives[0].number;
    check.imagePartition = drives[1].number;
    // A drive without a number is refused by the job's own checks instead.
    if (unsure.empty() || check.targetPartition == 0 || check.imagePartition == 0) return check;

    Question question = around(Code::AskPartitionNumbers, {around(Code::Several, unsure)});
    for (const JobDrive& d : drives)
        question.parts.push_back({d.fromTable ? d.byTable : d.byLayout, {Arg::letter(d.letter), number(d.number)}});
    check.question = question;
    return check;
}

}  // namespace trivex::job
