// What Ghost is to do after the restart, as one value: the volumes of the
// job's two partitions and the numbers Windows expects for them, Ghost's
// command lines and the text of C:\ghost.bat, all made from the request and
// what the partition check found. The DOS side runs ghost.bat from its RAM
// disk, so Ghost is named without a path; partitions go by Ghost's
// disk:partition numbers, which the DOS side finds by the volumes just
// before Ghost runs (the image's VOLUMES.BAT) and hands to the command lines
// as variables.
#pragma once

#include <optional>

#include "job/request.h"

namespace trivex::job {

// One partition of the job (the one to back up or restore, or the image's)
// as the DOS side is to find it.
struct GhostVolume {
    char letter = 0;                 // its drive in Windows; 0 none
    std::optional<uint32_t> serial;  // as Windows gives it; none: the job's own files mark the drive
    Text fileSystem;                 // as Windows names it ("NTFS"); empty when it does not
    uint64_t bytes = 0;              // its size; 0 when not known
    // Ghost's number that Windows expects, from the layout of the disk.
    enum class Disk { Boot, Later, Unknown };
    Disk disk = Disk::Unknown;  // the boot disk (Ghost's 1), a disk after it, or not known
    int partition = 0;          // Ghost's partition on that disk; 0 not known

    // "1:3", "+:1" (partition 1 of a disk after the boot disk), "?:2", "?:?".
    Text expected() const;
    // The serial as Windows shows it, "8C3A-12F0"; empty without one.
    Text serialText() const;
};

struct GhostPlan {
    JobKind kind = JobKind::None;
    GhostVolume target;        // the partition to back up or restore
    GhostVolume image;         // the partition that holds the image
    Text imageTail;            // the image path without its drive, "\Ghost\G_WinXP.gho"
    int compressionLevel = 0;  // the backup's -z level
    bool ignoreCrc = false;

    // Ghost's command lines: dump the target into the image, load the image
    // onto the target, check the image. Ghost exits to DOS when it is done
    // (-fx), so that the batch file records what it came back with. The
    // partitions are the variables the DOS side sets (%tgt%, %img%); they
    // take as many characters as numbers up to 99:99.
    Text backupLine() const;
    Text restoreLine() const;
    Text checkLine() const;
    // The line of this job's kind (backup or restore); empty for the others.
    Text commandLine() const;
    // The call that finds the two partitions by their volumes and sets the
    // variables: "call a:\volumes.bat 8C3A-12F0 outcome 1 1 + 1".
    Text volumesLine() const;
    // The content of C:\ghost.bat: "ghost.exe" (Ghost starts interactively),
    // or, for a restore or a backup, the volumes call and its command lines
    // with the image's A:\RECORD.BAT around them, which notes in the job's
    // outcome record what happened and restarts the machine; nothing when no
    // mode is chosen. A restore whose CRC errors are not ignored first has
    // Ghost check the image and runs only when the check succeeds. A backup
    // that Ghost finished is checked by Ghost at once, and the check's result
    // is noted too.
    std::optional<Text> batText() const;
};

// The plan of a request with the volumes the partition check found for it.
GhostPlan planGhost(const JobRequest& request, const GhostVolume& target, const GhostVolume& image);

// The image path without its two-byte drive prefix ("\Ghost\G_WinXP.gho").
Text pathTail(const Text& imagePath);

// Whether a file's content is a ghost.bat this program writes (or one that
// an earlier version wrote).
bool isGhostBatText(const Text& content);

}  // namespace trivex::job
