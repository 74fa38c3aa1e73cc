// Where the drives live and which partition the machine starts from: what
// the system says agrees with itself and with the files on the drives, and
// where it cannot say (drives that are folders), it says so rather than
// making something up.
#include "tests/contract/contract.h"

namespace trivex::contract {
namespace {

// A partition of the layout starts where the drive does (an MBR disk), or
// the layout lists none (GPT).
::testing::AssertionResult startsAPartition(const DiskPlace& d) {
    if (!d.mbr) {
        if (d.partitions.empty()) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "a GPT disk with MBR partitions";
    }
    for (const DiskPartition& part : d.partitions)
        if (part.start == d.start && part.length > 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "no partition of disk " << d.disk << " starts at " << d.start;
}

// Whether the folder `root` lists `name` as a file (a listing, as a file
// that the system keeps open still shows there).
bool listsFile(Machine& m, const Text& root, const Text& name) {
    std::vector<DirEntry> entries;
    return m.listFolder(root + name, entries) && !(entries[0].attributes & kAttrDirectory);
}

TEST(Disks, TheSystemPartitionAndTheDrivesAgreeOrTheSystemSaysItCannotTell) {
    Machine& m = rig().machine();
    DiskPlace c;
    SystemPartition system;
    const bool placed = m.drivePlace('C', c);
    const bool named = m.systemPartition(system);
    if (!rig().reportsDisks()) {
        EXPECT_FALSE(placed) << "C: is a folder here, not a partition of a disk";
        EXPECT_FALSE(named) << "no system partition can be named here";
        return;
    }
    ASSERT_TRUE(placed);
    EXPECT_TRUE(startsAPartition(c));
    ASSERT_TRUE(named);
    EXPECT_TRUE(startsAPartition(system.place));
    if (system.letter == 0) return;
    DiskPlace same;
    ASSERT_TRUE(m.drivePlace(system.letter, same));
    EXPECT_EQ(same.disk, system.place.disk);
    EXPECT_EQ(same.start, system.place.start);
    const Text root = Text(1, system.letter) + ":\\";
    EXPECT_EQ(system.bootManager, listsFile(m, root, "bootmgr") && listsFile(m, root, "Boot\\BCD"));
    EXPECT_EQ(system.ntLoader, listsFile(m, root, "ntldr") && listsFile(m, root, "boot.ini"));
}

// A drive's volume serial is what identifies it after the restart: where the
// system gives one it is the same at every asking and not 0; a drive that is
// not there has none, and a drive that is a folder may say it cannot tell.
// A drive's bus is never said to be USB for a drive that is not on a disk.
TEST(Disks, AVolumeIsNamedByItsSerialOrTheSystemSaysItCannot) {
    Machine& m = rig().machine();
    VolumeIdentity c, again;
    const bool named = m.volumeIdentity('C', c);
    if (rig().reportsDisks()) {
        ASSERT_TRUE(named) << "C: is a partition of a disk here: its volume has a serial";
        EXPECT_FALSE(c.fileSystem.empty());
        EXPECT_NE(m.driveBus('C'), DriveBus::Unknown);
    } else {
        EXPECT_NE(m.driveBus('C'), DriveBus::Usb) << "C: is a folder here, on no bus";
    }
    if (named) {
        EXPECT_NE(c.serial, 0u);
        ASSERT_TRUE(m.volumeIdentity('c', again)) << "the letter in lower case names the same drive";
        EXPECT_EQ(again.serial, c.serial);
        EXPECT_EQ(again.fileSystem, c.fileSystem);
    }
    VolumeIdentity none;
    EXPECT_FALSE(m.volumeIdentity(rig().missingDrive(), none));
    EXPECT_EQ(none.serial, 0u) << "nothing is filled in for a drive that is not there";
    EXPECT_EQ(m.driveBus(rig().missingDrive()), DriveBus::Unknown);
    for (const char notALetter : {'1', ':', '\\', '\0'}) {
        EXPECT_FALSE(m.volumeIdentity(notALetter, none)) << int(notALetter);
        EXPECT_EQ(m.driveBus(notALetter), DriveBus::Unknown) << int(notALetter);
    }
}

// A disk's sectors are read whole, at any place, or not at all: no such
// disk, a read past its end, and wherever the system does not let the
// process read the disk (an unelevated process; under Wine, the disks that
// stand for the host's own) it fails with nothing in hand. Read at a
// partition's offset, the sector is what the disk holds there: a BitLocker
// volume's own boot sector, which the job's encryption check looks for.
TEST(Disks, ADisksSectorsAreReadWholeAtAnyPlaceOrNotAtAll) {
    Machine& m = rig().machine();
    constexpr uint32_t kTestDisk = 9, kNoDisk = 31;
    Text sector = "left from before";
    const SysResult none = m.readDiskSectors(kNoDisk, 0, 1, sector);
    EXPECT_FALSE(none);
    EXPECT_EQ(none.error, kErrorFileNotFound);
    EXPECT_TRUE(sector.empty());

    test::Disk disk{128, {{0x07, 63, 64, test::Fs::BitLocker}}, {}};
    if (rig().installTestDisk(kTestDisk, disk)) {
        ASSERT_TRUE(m.readDiskSectors(kTestDisk, 0, 1, sector));
        ASSERT_EQ(sector.size(), 512u);
        EXPECT_EQ(sector.substr(510), "\x55\xAA");
        EXPECT_EQ(sector.substr(446 + 8, 4), Text("\x3F\0\0\0", 4)) << "the partition starts at sector 63";
        ASSERT_TRUE(m.readDiskSectors(kTestDisk, 62, 2, sector));
        ASSERT_EQ(sector.size(), 1024u);
        EXPECT_EQ(sector.substr(0, 512), Text(512, '\0'));
        EXPECT_EQ(sector.substr(512 + 3, 8), "-FVE-FS-");
        EXPECT_FALSE(m.readDiskSectors(kTestDisk, 127, 2, sector)) << "past the disk's end";
        EXPECT_TRUE(sector.empty());
        rig().removeTestDisk(kTestDisk);
    }
    DiskPlace c;
    if (!rig().reportsDisks() || !m.drivePlace('C', c)) return;
    const uint32_t bytes = c.sectorBytes ? c.sectorBytes : 512;
    if (m.readDiskSectors(c.disk, c.start / bytes, 1, sector)) {
        EXPECT_EQ(sector.size(), bytes);
        EXPECT_EQ(sector.substr(510, 2), "\x55\xAA") << "C:'s boot sector";
    } else {
        EXPECT_TRUE(sector.empty());
    }
}

}  // namespace
}  // namespace trivex::contract
