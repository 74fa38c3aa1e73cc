// Program state: the values that live for the whole run.
#pragma once

#include <vector>

#include "discovery/drives.h"
#include "discovery/search.h"
#include "job/checks.h"
#include "job/ghost_plan.h"
#include "platform/machine.h"

namespace trivex {

struct ProgramState {
    Text partitionCount;    // from the partition-count probe
    Text driveCount;        // number of entries of the partition list
    Text lastDriveLetter;   // last letter the drive enumeration looked at
    std::vector<DriveRow> drives;  // the partition list's entries, in its order
    Text selectedDrive;     // drive letter of the job, such as "C"
    bool saveDialog = false;  // the image file button saves (backup mode), else opens

    ImageSearch search;     // the image search's own record
    std::vector<Text> images;  // the result list's entries, in its order
    bool stopShown = false;    // the search button reads "停止(&S)"
    uint32_t stepAt = 0;       // when the search last let the user act (ms)
    uint32_t paintAt = 0;      // when the result list was last repainted (ms)

    bool jobPreparedShown = false;  // the status bar says a prepared job waits

    // The backup's compression level, kept while the combo box has no
    // selection (0 before the first job), and the plan of the last job.
    int compressionLevel = 0;
    job::GhostPlan plan;
    job::Agreed agreed;  // questions before a job answered OK in this run
    std::vector<Text> shownOutcomes;  // tokens of the job outcomes told in this run
    bool foreignOutcomesShown = false;  // the status bar said that other computers' outcome records stay
};

}  // namespace trivex
