// The partitions of a job as the DOS side is to find them after the
// restart: each one's volume (serial, file system, size) as Windows gives
// it, and Ghost's disk:partition number that Windows expects from the
// machine's real layout. Ghost overwrites whatever its numbers name, so the
// DOS side runs it only with the numbers it finds by the volumes, and only
// where they agree with the expected ones; here a job is refused where the
// layout already shows that no number can be told for sure.
//
// Ghost counts disks in the BIOS's order, from the disk the BIOS starts:
// the disk of the system partition (the partition whose boot menu starts
// Windows), which is therefore Ghost's disk 1. Windows' own disk numbers
// need not follow the BIOS's order, so of any other disk Windows can only
// say that it comes after disk 1; which number it has, the DOS side finds.
#pragma once

#include <optional>
#include <vector>

#include "job/dos_disks.h"
#include "job/ghost_plan.h"
#include "job/request.h"
#include "platform/machine.h"
#include "platform/problem.h"

namespace trivex::job {

// Ghost's number of the partition that starts at `place.start`, by the rule
// of job/dos_disks.h on the layout the system reports, or what stands in
// the way when it cannot be told for sure, told of the partition's drive.
Expected<int> ghostPartitionOf(const DiskPlace& place);

// Why the rule gives a partition no number (EmptyBefore, OrdersDiffer,
// ForeignBefore, NotNumbered), as the reason told of its drive.
Problem numberProblem(const Located& why);

// A disk as its owner knows it, for messages: Windows' number, and its size
// and model where a place of it says them.
Problem diskName(uint32_t disk, const std::vector<DiskPlace>& known);

// The partitions of a job, and what stands in their way.
struct PartitionCheck {
    GhostVolume target;  // the partition to back up or restore (no letter: none chosen)
    GhostVolume image;   // the image's partition (no letter: the path names no drive)
    Result refusal;      // no job
    Result encryption;   // C:, the partition or the image's drive encrypted (job/encrypted.h)
    Result dosRefusal;   // the DOS side would refuse the job after the restart (foreseeDos)
    std::optional<Problem> note;  // what could not be checked in Windows (NotForeseen)
    std::vector<DiskPlace> places;  // the places the check read, for naming disks
};

// For every job: C: must be on the boot disk, and C: is not encrypted. For
// restore and backup jobs: the volumes of the chosen drive and of the
// image's drive, their expected numbers where the system can say where they
// are, the refusal of a drive on a USB disk (Ghost runs without USB
// support) or on a disk whose partitions Ghost cannot number, neither is
// encrypted, and what the DOS side will find of them (foreseeDos).
PartitionCheck checkPartitions(Machine& p, const JobRequest& job);

// The disks read raw as the DOS side will read them (job/dos_disks.h), and
// every reason it would refuse the job for: a disk it cannot read whole, a
// broken table, a dynamic disk, sectors of another size (on any disk), a
// volume whose serial is on two partitions or (every disk read) on none, a
// partition whose number is not sure. What Windows cannot read goes into
// the note, and the DOS side's own check stays the last word.
void foreseeDos(Machine& p, PartitionCheck& check, std::vector<Problem>& unchecked);

}  // namespace trivex::job
