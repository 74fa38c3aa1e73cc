// Ghost's disk:partition numbers of the job's drives, confirmed by the
// system. The command line names partitions by Ghost's numbers, taken from
// the letter table (C 1 ... G 5 on disk 1); Ghost overwrites whatever they
// name, so before a job the table's numbers are compared with where the
// system says the drives are.
#pragma once

#include "platform/platform.h"

namespace trivex::job {

// Ghost's number of the partition that starts at `place.start`, counted the
// way Ghost counts, or 0 when it cannot be told for sure (see the .cpp).
// `why` says what stands in the way when 0.
int ghostPartitionOf(const DiskPlace& place, Text& why);

// The outcome of comparing the table with the system for the job's drives.
struct PartitionCheck {
    Text refusal;   // the table and the system disagree: no job
    Text question;  // the system cannot say: the user decides (OK/Cancel)
};

// `systemDrive` and `imageDrive` are letters ("C"), `systemNumber` and
// `imageNumber` the table's numbers for them. Ghost's disk 1 is the disk
// that holds C:, where boot.ini and the loader are: the disk the machine
// starts from, which the BIOS makes its first hard disk.
PartitionCheck checkPartitions(Platform& p, const Text& systemDrive, int systemNumber, const Text& imageDrive,
                               int imageNumber);

}  // namespace trivex::job
