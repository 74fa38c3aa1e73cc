// A PC under qemu (software emulation) booting from test-made disk images,
// driven through qemu's QMP socket, and the FAT disks it boots from, built
// and read back with dosfstools and mtools.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace trivex::test {

namespace fs = std::filesystem;

// ---- Disks --------------------------------------------------------------------

// A hard disk image whose MBR code is `mbrCode` (GRUB4DOS grldr.mbr: 8 KB,
// the partition table written over bytes 446-509) with one FAT32 partition
// from sector 63 to the end, labelled `label`, with the volume serial `serial`.
void makeDisk(const fs::path& image, const fs::path& mbrCode, const std::string& label, uint32_t serial);

// The same with an NTFS partition (mkntfs) holding `files` (by name, in the
// root; written with ntfscp). Plain DOS gives it no drive letter.
void makeNtfsDisk(const fs::path& image, const fs::path& mbrCode, const std::string& label,
                  const std::map<std::string, std::string>& files);
// A file of the NTFS partition, read back with ntfscat.
std::string readNtfsFile(const fs::path& image, const std::string& name, int partition = 0);

// A disk of two primary partitions of 34 MB each, one after the other from
// sector 63, the first one active: FAT32 (labelled), or NTFS with `files`.
struct PartitionSpec {
    bool ntfs = false;
    std::string label;
    std::map<std::string, std::string> files;  // NTFS only; FAT files go in with putFile
    uint32_t serial = 0;                       // FAT only: the volume serial (0: mkfs.fat's own)
};
void makeTwoPartitionDisk(const fs::path& image, const fs::path& mbrCode, const PartitionSpec& first,
                          const PartitionSpec& second);

// Attributes as letters out of "RHSA" (read-only, hidden, system, archive),
// in that order. `partition` counts the primary partitions from 0.
void putFile(const fs::path& image, const std::string& path, const std::string& bytes, const std::string& attrs,
             int partition = 0);
void makeFolder(const fs::path& image, const std::string& path, int partition = 0);

struct RootEntry {
    bool folder = false;
    std::string attrs;  // "RHSA" letters
    std::string bytes;  // files only
    bool operator==(const RootEntry&) const = default;
};
// The root folder of the disk's partition, by DOS name.
using Root = std::map<std::string, RootEntry>;
Root readRoot(const fs::path& image, int partition = 0);
// The same on the FAT partition that starts at sector `start` of a disk of
// any layout (tests/boot/layout.h).
void putFile(const fs::path& image, uint32_t start, const std::string& path, const std::string& bytes,
             const std::string& attrs);
void makeFolder(const fs::path& image, uint32_t start, const std::string& path);
Root readRoot(const fs::path& image, uint32_t start);
// A file of that partition by its path ("TVXTEST/TICKS.LOG"); empty when absent.
std::string diskFile(const fs::path& image, uint32_t start, const std::string& path);
std::string describe(const Root& root);

// A 1.44 MB FAT12 floppy image whose boot sector has the code of
// `bootSector` (the disk parameters stay mkfs.fat's) and that holds `files`
// (root names, "RHSA" attributes).
void makeFloppy(const fs::path& image, const std::string& bootSector, const Root& files);
// A file of a floppy image and its "RHSA" attributes ("" and "-" when absent).
std::string floppyFile(const fs::path& image, const std::string& name);
std::string floppyAttrs(const fs::path& image, const std::string& name);


// ---- The machine ----------------------------------------------------------------

class Machine {
public:
    // Starts qemu-system-i386 booting from disks[0]; the others are the
    // following hard disks. With a floppy image it boots from that instead.
    // A restart ends qemu (-no-reboot).
    Machine(const std::vector<fs::path>& disks, const fs::path& log, const fs::path& floppy = {});
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // The 80x25 text screen, one line per row (empty when it cannot be read).
    std::string screen();
    void pressEnter();
    // Waits until qemu has ended (true) or `limit` after its start has
    // passed (false, qemu is stopped). When `keyAt` is given, Enter is
    // pressed once as soon as the screen shows that text.
    bool waitForEnd(std::chrono::seconds limit, const std::string& keyAt = "");
    // For a run that ends at the DOS prompt: waits until the screen shows
    // `text` (true) or `limit` after the start has passed (false); qemu is
    // stopped either way.
    bool waitForScreen(const std::string& text, std::chrono::seconds limit);
    // The last screen read while waiting.
    const std::string& lastScreen() const { return lastScreen_; }
    // Whether waitForEnd pressed its key.
    bool pressed() const { return pressed_; }

private:
    bool command(const std::string& json);
    void stop();

    pid_t pid_ = -1;
    int qmp_ = -1;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    fs::path socketDir_;
    std::string lastScreen_;
    bool pressed_ = false;
};

// Empty when qemu-system-i386 can run here; otherwise why not.
std::string qemuUnavailable();

}  // namespace trivex::test
