// Program state: the values that live for the whole run.
#pragma once

#include "discovery/search.h"
#include "job/checks.h"
#include "job/command_line.h"
#include <vector>

#include "platform/platform.h"

namespace trivex {

struct ProgramState {
    Text partitionCount;    // from the partition-count probe
    Text driveCount;        // number of entries of the partition list
    Text lastDriveLetter;   // last letter the drive enumeration looked at
    Text selectedDrive;     // drive letter of the job, such as "C"
    ImageSearch search;     // the image search's own record

    // The Ghost command texts of the job and what they are built from;
    // rebuilt at every job.
    job::CommandValues commands;
    job::Agreed agreed;  // questions before a job answered OK in this run
    std::vector<Text> shownOutcomes;  // tokens of the job outcomes told in this run
};

}  // namespace trivex
