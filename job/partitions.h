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

#include "job/ghost_plan.h"
#include "job/request.h"
#include "platform/machine.h"
#include "platform/problem.h"

namespace trivex::job {

// Ghost's number of the partition that starts at `place.start`, counted the
// way Ghost counts, or what stands in the way when it cannot be told for
// sure (see the .cpp), told of the partition's drive.
Expected<int> ghostPartitionOf(const DiskPlace& place);

// The partitions of a job, and what stands in their way.
struct PartitionCheck {
    GhostVolume target;  // the partition to back up or restore (no letter: none chosen)
    GhostVolume image;   // the image's partition (no letter: the path names no drive)
    Result refusal;      // no job
};

// For every job: C: must be on the boot disk. For restore and backup jobs:
// the volumes of the chosen drive and of the image's drive, their expected
// numbers where the system can say where they are, and the refusal of a
// drive on a USB disk (Ghost runs without USB support) or on a disk whose
// partitions Ghost cannot number.
PartitionCheck checkPartitions(Machine& p, const JobRequest& job);

}  // namespace trivex::job
