// The two Ghost command lines of a job (backup: dump a partition into an
// image file; restore: load an image file onto a partition) and the text of
// C:\ghost.bat. The DOS side runs ghost.bat from its RAM disk, so Ghost is
// named without a path and partitions go by Ghost's disk:partition numbers.
#pragma once

#include <optional>

#include "job/description.h"

namespace trivex::job {

// The values a job's command texts are built from, kept for the whole run
// and rebuilt at every job. The partition numbers are Ghost's numbers on
// disk 1, set by the partition check (job/partitions.h) before the texts
// are built; 0 means the drive has none.
struct CommandValues {
    int systemPartition = 0;   // partition of the chosen drive letter
    int imagePartition = 0;    // partition of the drive holding the image
    int compressionLevel = 0;  // 1-3; kept while the combo has no selection
    Text crcOption;            // "-crcignore" or empty
    int imagePathLength = 0;
    Text backupCommand;
    Text restoreCommand;
    Text checkCommand;  // the image check before a restore
};

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

Text backupCommandText(int systemPartition, int imagePartition, const Text& tail, int compressionLevel);
Text restoreCommandText(int systemPartition, int imagePartition, const Text& tail, const Text& crcOption);
// Ghost's check of the image file before a restore: "Ghost.exe -nousb
// -chkimg,1:3\Ghost\G_WinXP.gho".
Text checkCommandText(int imagePartition, const Text& tail);

// Rebuilds every other value and both command texts from the partition
// numbers in `values`; a compression index of -1 keeps the previous level.
void buildCommandTexts(CommandValues& values, const JobDescription& job);

// The content of C:\ghost.bat: "ghost.exe" (Ghost starts interactively),
// the restore command or the backup command; nothing when no mode is chosen.
// The backup and restore command lines stay as they are; around them the
// DOS image's A:\RECORD.BAT notes in the job's outcome record that Ghost
// started and what it came back with (and restarts the machine). A restore whose CRC errors are not
// ignored first has Ghost check the image, and runs only when the check
// succeeds; otherwise the outcome says the check failed, and the system
// partition is never written.
std::optional<Text> ghostBatText(const CommandValues& values, JobKind kind, bool ignoreCrc);

// Whether a file's content is a ghost.bat this program writes (or one that
// an earlier version wrote: a command line and its closing restart).
bool isGhostBatText(const Text& content);

}  // namespace trivex::job
