// Program state: the values that live for the whole run.
#pragma once

#include "platform/platform.h"

namespace trivex {

struct ProgramState {
    Text partitionCount;    // from the partition-count probe
    Text driveCount;        // number of entries of the partition list
    Text lastDriveLetter;   // last letter the drive enumeration looked at
    Text selectedDrive;     // drive letter of the job, such as "C"
    int searchRunning = 0;  // image search: 1 while it may go on
    int foundImages = 0;    // image search: entries added so far
};

}  // namespace trivex
