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

// A volume's first sector is read whole (512 bytes) or not at all: no such
// drive, no letter, and wherever the system does not let the process read
// the volume (a folder drive under Wine, an unelevated process) it fails
// with nothing in hand. A job's check of encryption takes failing as "not
// known", never as an answer.
TEST(Disks, AVolumesFirstSectorIsReadWholeOrNotAtAll) {
    Machine& m = rig().machine();
    Text sector = "left from before";
    EXPECT_FALSE(m.readVolumeStart(rig().missingDrive(), sector));
    EXPECT_TRUE(sector.empty());
    sector = "left from before";
    EXPECT_FALSE(m.readVolumeStart('1', sector));
    EXPECT_TRUE(sector.empty());
    sector = "left from before";
    if (m.readVolumeStart('C', sector)) {
        ASSERT_EQ(sector.size(), 512u);
        if (rig().reportsDisks()) { EXPECT_EQ(sector.substr(510), "\x55\xAA") << "a volume's boot sector"; }
    } else {
        EXPECT_TRUE(sector.empty());
    }
}

}  // namespace
}  // namespace trivex::contract
