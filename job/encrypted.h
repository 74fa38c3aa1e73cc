// Volumes that BitLocker encrypted: GRUB4DOS and DOS read only their
// ciphertext. With C: encrypted the loader finds no job, with the image's
// volume encrypted Ghost finds no image, and with the target encrypted Ghost
// backs up or writes over what it cannot read. Such a job is refused before
// anything is written.
//
// A BitLocker volume's boot sector carries "-FVE-FS-" where a file system
// names itself, at offset 3. A volume whose boot sector cannot be read (the
// system lets only administrators read volumes; a folder drive, as under
// Wine) is not refused: nothing tells it from any other volume, and where
// BitLocker exists (Windows Vista and later) the jobs run through the boot
// configuration store, which needs administrator rights, so the sector can
// be read. Should it be encrypted after all, the DOS side finds no job or no
// image, says so and changes nothing.
#pragma once

#include "job/request.h"
#include "platform/problem.h"

namespace trivex::job {

// Whether the boot sector `sector` (the first bytes of a volume) is BitLocker's.
bool isBitLockerBootSector(const Text& sector);

// Why the job cannot run on these volumes: C:, the partition to back up or
// restore and the image's drive, in that order; done when none is encrypted.
Result encryptionRefusal(Machine& p, const JobRequest& job);

}  // namespace trivex::job
