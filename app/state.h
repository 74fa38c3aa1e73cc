// Program state: the values that live for the whole run.
#pragma once

#include "discovery/search.h"
#include "platform/platform.h"

namespace trivex {

struct ProgramState {
    Text partitionCount;    // from the partition-count probe
    Text driveCount;        // number of entries of the partition list
    Text lastDriveLetter;   // last letter the drive enumeration looked at
    Text selectedDrive;     // drive letter of the job, such as "C"
    ImageSearch search;     // the image search's own record

    // The Ghost command texts of the job and what they are built from;
    // rebuilt at every job (job/command_line.h). A partition number of 0
    // means the drive letter has no Ghost partition.
    int systemPartition = 0;   // partition of the selected drive letter
    int imagePartition = 0;    // partition of the drive holding the image
    int compressionLevel = 0;  // 1-3; kept while the combo has no selection
    Text crcOption;            // "-crcignore" or empty
    int imagePathLength = 0;
    Text backupCommand;
    Text restoreCommand;
};

}  // namespace trivex
