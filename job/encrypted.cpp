#include "job/encrypted.h"

namespace trivex::job {

namespace {

constexpr char kBitLockerSignature[] = "-FVE-FS-";
constexpr size_t kSignatureAt = 3;

enum class Sealed { No, Yes, NotKnown };

// The first sector of the drive's partition, read from its disk.
Sealed encrypted(Machine& p, char letter) {
    DiskPlace place;
    if (!p.drivePlace(letter, place)) return Sealed::NotKnown;
    const uint64_t sectorBytes = place.sectorBytes ? place.sectorBytes : 512;
    Text sector;
    if (!p.readDiskSectors(place.disk, place.start / sectorBytes, 1, sector)) return Sealed::NotKnown;
    return isBitLockerBootSector(sector) ? Sealed::Yes : Sealed::No;
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

Result encryptionRefusal(Machine& p, const JobRequest& job, std::vector<Problem>& unchecked) {
    struct Drive {
        char letter;
        Code refusal;
    };
    std::vector<Drive> drives = {{'C', Code::SystemVolumeEncrypted}};
    // Manual Ghost names no partition and no image.
    if (job.kind() != JobKind::Manual) {
        const char target = driveLetterOf(job.targetDrive + ":");
        const char image = driveLetterOf(job.imagePath);
        if (target && target != 'C') drives.push_back({target, Code::TargetVolumeEncrypted});
        if (image && image != 'C' && image != target) drives.push_back({image, Code::ImageVolumeEncrypted});
    }
    for (const Drive& d : drives) {
        const Sealed s = encrypted(p, d.letter);
        if (s == Sealed::Yes)
            return d.refusal == Code::SystemVolumeEncrypted ? Problem{d.refusal} : Problem{d.refusal, {Arg::letter(d.letter)}};
        if (s == Sealed::NotKnown) unchecked.push_back({Code::EncryptionNotChecked, {Arg::letter(d.letter)}});
    }
    return {};
}

}  // namespace trivex::job
