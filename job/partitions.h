// Ghost's disk:partition numbers of the job's drives, from the machine's
// real layout. Ghost overwrites whatever the numbers name, so a number is
// only used where the layout leaves no doubt; elsewhere the job is refused
// with the reason, or, where the system cannot say, the user decides.
//
// Ghost counts disks in the BIOS's order, from the disk the BIOS starts:
// the disk of the system partition (the partition whose boot menu starts
// Windows), which is therefore Ghost's disk 1. Windows' own disk numbers
// need not follow the BIOS's order, so no other disk's Ghost number is
// known: C:, the partition to back up or restore and the image's drive must
// all be on the boot disk, and the command lines always name disk 1.
#pragma once

#include <optional>

#include "job/questions.h"
#include "job/request.h"
#include "platform/machine.h"

namespace trivex::job {

// Ghost's number of the partition that starts at `place.start`, counted the
// way Ghost counts, or what stands in the way when it cannot be told for
// sure (see the .cpp), told of the partition's drive.
Expected<int> ghostPartitionOf(const DiskPlace& place);

// The numbers for a job, and what stands in their way.
struct PartitionCheck {
    int targetPartition = 0;  // Ghost's partition on disk 1 of the target drive; 0 none
    int imagePartition = 0;   // of the drive holding the image; 0 none
    Result refusal;           // no job
    std::optional<Question> question;  // the system cannot say it all: the user decides (OK/Cancel)
};

// For every job: C: must be on the boot disk. For restore and backup jobs:
// the numbers of the chosen drive and of the image's drive, from the boot
// disk's layout; where the system cannot say where a drive or the boot disk
// is, from the letter table (ghost_plan.h), with the question that shows
// the numbers Ghost will get.
PartitionCheck checkPartitions(Machine& p, const JobRequest& job);

}  // namespace trivex::job
