// Program state: the values that live for the whole run.
#pragma once

#include "job/checks.h"
#include "job/command_line.h"
#include "platform/platform.h"

namespace trivex {

struct ProgramState {
    Text partitionCount;    // from the partition-count probe
    Text driveCount;        // number of entries of the partition list
    Text lastDriveLetter;   // last letter the drive enumeration looked at
    Text selectedDrive;     // drive letter of the job, such as "C"
    int searchRunning = 0;  // image search: 1 while it may go on
    int foundImages = 0;    // image search: entries added so far
    uint32_t searchStepAt = 0;   // image search: when messages were last processed (ms)
    uint32_t searchPaintAt = 0;  // image search: when the result list was last repainted (ms)

    // The Ghost command texts of the job and what they are built from;
    // rebuilt at every job.
    job::CommandValues commands;
    job::Agreed agreed;  // questions before a job answered OK in this run
};

}  // namespace trivex
