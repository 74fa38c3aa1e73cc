// What Ghost is to do after the restart, as one value: the partition
// numbers, Ghost's command lines and the text of C:\ghost.bat, all made
// from the request and the numbers the partition check found. The DOS side
// runs ghost.bat from its RAM disk, so Ghost is named without a path and
// partitions go by Ghost's disk:partition numbers.
#pragma once

#include <optional>

#include "job/request.h"

namespace trivex::job {

struct GhostPlan {
    JobKind kind = JobKind::None;
    int targetPartition = 0;   // Ghost's partition on disk 1 of the target drive; 0: none
    int imagePartition = 0;    // of the drive that holds the image; 0: none
    Text imageTail;            // the image path without its drive, "\Ghost\G_WinXP.gho"
    int compressionLevel = 0;  // the backup's -z level
    bool ignoreCrc = false;

    // Ghost's command lines: dump the target into the image, load the image
    // onto the target, check the image.
    Text backupLine() const;
    Text restoreLine() const;
    Text checkLine() const;
    // The line of this job's kind (backup or restore); empty for the others.
    Text commandLine() const;
    // The content of C:\ghost.bat: "ghost.exe" (Ghost starts interactively),
    // or the restore or backup line with the lines around it; nothing when
    // no mode is chosen. Around the command line the DOS image's A:\RECORD.BAT
    // notes in the job's outcome record that Ghost started and what it came
    // back with (and restarts the machine). A restore whose CRC errors are
    // not ignored first has Ghost check the image, and runs only when the
    // check succeeds; otherwise the outcome says the check failed, and the
    // target partition is never written.
    std::optional<Text> batText() const;
};

// The plan of a request with the partition numbers found for it.
GhostPlan planGhost(const JobRequest& request, int targetPartition, int imagePartition);

// The letter table, the numbers a job falls back on where the system cannot
// say where a drive is: Ghost partition number on disk 1 of a drive letter,
// "C" 1, "D" 2, "E" 3, "F" 4, "G" 5. Any other text (lower case included)
// has none: 0.
int partitionNumber(const Text& letter);
// The table's number of the drive an image path starts with. Only a path
// with a drive ("E:...") has one; a bare file name has none (0).
int imagePartitionOf(const Text& imagePath);
// The image path without its two-byte drive prefix ("\Ghost\G_WinXP.gho").
Text pathTail(const Text& imagePath);

// Whether a file's content is a ghost.bat this program writes (or one that
// an earlier version wrote: a command line and its closing restart).
bool isGhostBatText(const Text& content);

}  // namespace trivex::job
