#include "job/encrypted.h"

namespace trivex::job {

namespace {

constexpr char kBitLockerSignature[] = "-FVE-FS-";
constexpr size_t kSignatureAt = 3;

// True only when the volume's first sector could be read and is BitLocker's.
bool encrypted(Machine& p, char letter) {
    Text sector;
    return p.readVolumeStart(letter, sector) && isBitLockerBootSector(sector);
}

char driveLetterOf(const Text& path) {
    if (path.size() < 2 || path[1] != ':') return 0;
    const char c = path[0];
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
    return c >= 'A' && c <= 'Z' ? c : 0;
}

}  // namespace

bool isBitLockerBootSector(const Text& sector) {
    constexpr size_t n = sizeof kBitLockerSignature - 1;
    return sector.size() >= kSignatureAt + n && sector.compare(kSignatureAt, n, kBitLockerSignature) == 0;
}

Result encryptionRefusal(Machine& p, const JobRequest& job) {
    if (encrypted(p, 'C')) return Problem{Code::SystemVolumeEncrypted};
    // Manual Ghost names no partition and no image.
    if (job.kind() == JobKind::Manual) return {};
    const char target = driveLetterOf(job.targetDrive + ":");
    if (target && target != 'C' && encrypted(p, target)) return Problem{Code::TargetVolumeEncrypted, {Arg::letter(target)}};
    const char image = driveLetterOf(job.imagePath);
    if (image && image != 'C' && image != target && encrypted(p, image))
        return Problem{Code::ImageVolumeEncrypted, {Arg::letter(image)}};
    return {};
}

}  // namespace trivex::job
