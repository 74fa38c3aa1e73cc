// Volumes that BitLocker encrypted: GRUB4DOS and DOS read only their
// ciphertext. With C: encrypted the loader finds no job, with the image's
// volume encrypted Ghost finds no image, and with the target encrypted Ghost
// backs up or writes over what it cannot read. Such a job is refused before
// anything is written.
//
// A BitLocker volume's boot sector carries "-FVE-FS-" where a file system
// names itself, at offset 3. The sector is read where the DOS side meets
// it: from the disk, at the partition's offset (through the volume, an
// unlocked volume shows the decrypted boot sector). A drive whose sector
// cannot be read so (the system does not say where it lives, as for every
// drive under Wine; a process without administrator rights) is named in
// the job's note, and should it be encrypted after all, the DOS side finds
// no job or no image, says so and changes nothing.
#pragma once

#include <vector>

#include "job/request.h"
#include "platform/problem.h"

namespace trivex::job {

// Whether the boot sector `sector` (the first bytes of a volume) is BitLocker's.
bool isBitLockerBootSector(const Text& sector);

// Why the job cannot run on these volumes: C:, the partition to back up or
// restore and the image's drive (manual Ghost: C: only), in that order;
// done when none is encrypted. A drive that cannot be checked is added to
// `unchecked` (EncryptionNotChecked).
Result encryptionRefusal(Machine& p, const JobRequest& job, std::vector<Problem>& unchecked);

}  // namespace trivex::job
