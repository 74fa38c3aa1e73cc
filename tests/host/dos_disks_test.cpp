// What the DOS side will find after the restart, known before the job: the
// Windows side's rules answer the shared table of layouts as VOLSCAN.COM
// does (the boot test holds VOLSCAN.COM to the same table), and a job on a
// machine whose disks the DOS side would refuse is refused before anything
// is written, with the disk, the reason and what to do; what Windows cannot
// read is told with the job.
#include "job/dos_disks.h"
#include "tests/host/job_test.h"

namespace trivex::testing_job {
namespace {

using test::Fs;

uint32_t serialOf(std::string volume) { return static_cast<uint32_t>(std::stoul(volume.erase(4, 1), nullptr, 16)); }

TEST(DosDisks, TheRulesAnswerTheTableOfLayoutsAsVolscanDoes) {
    for (const test::Layout& layout : test::dosLayouts()) {
        // The layout's disks as the simulated machine's, read as the BIOS gives them.
        SimMachine m;
        std::vector<job::DiskToRead> readers;
        for (uint32_t n = 0; n < layout.disks.size(); ++n) {
            m.setDisk(n, layout.disks[n].twist == test::Twist::CloneOfDisk1 ? layout.disks[0] : layout.disks[n]);
            readers.push_back({[&m, n](uint64_t at, uint32_t count, Text& out) { return m.readDiskSectors(n, at, count, out); },
                               layout.disks[n].sectorBytes});
        }
        const job::DosDisks disks = job::readDosDisks(readers);
        for (const test::LayoutCase& c : layout.cases) {
            if (c.chs || c.volume.find(':') != std::string::npos) continue;  // the DOS side's own
            SCOPED_TRACE(layout.name + " " + c.volume);
            const job::Located found = job::locateVolume(disks, serialOf(c.volume));
            EXPECT_EQ(static_cast<int>(found.code), c.code);
            if (c.code == 0)
                EXPECT_EQ(std::to_string(found.disk()) + ":" + std::to_string(found.partition->index), c.number);
        }
    }
}

// A second disk (Windows' disk 1) beside the standard one, or the standard
// one's own table changed: the refusal (its words as they start and as
// they go on), or the note told with a job that goes on.
struct Machine {
    const char* name;
    std::function<void(SimMachine&)> setUp;
    Text starts, says;
    bool goesOn = false;
};
void PrintTo(const Machine& m, std::ostream* os) { *os << m.name; }

class ForeseenTest : public JobTest, public ::testing::WithParamInterface<Machine> {};

TEST_P(ForeseenTest, WhatTheDosSideWouldRefuseIsRefusedBeforeAnythingIsWritten) {
    const Machine& m = GetParam();
    m.setUp(machine);
    const std::string before = disk();
    prepareRestoreJob();
    ASSERT_EQ(told().size(), 1u);
    EXPECT_EQ(told()[0].rfind(m.starts, 0), 0u) << told()[0];
    EXPECT_NE(told()[0].find(m.says), Text::npos) << told()[0];
    if (m.goesOn) EXPECT_TRUE(redirected());
    else EXPECT_EQ(disk(), before);
}

const Text kRefused = "重启后 DOS 下按卷序列号确认分区时会拒绝运行 Ghost，因此本次任务不执行，什么都没有改动。";

const Machine kMachines[] = {
    {"AnExtendedPartitionBesideAnother", [](SimMachine& m) { m.setDisk(1, {40000, {{0x85, 63, 10000}, {0x0F, 20000, 10000}}, {}}); },
     kRefused + "磁盘 1的分区表损坏（例如有两个扩展分区", "请修复这块硬盘的分区表，或先拔下它再准备任务。"},
    {"AnEntryPastTheDisksEnd",
     [](SimMachine& m) { m.setDisk(1, {40000, {{0x06, 63, 19937, Fs::Fat16, 1}, {0x06, 50000, 10000}}, {}}); },
     kRefused + "磁盘 1的第 50000 扇区读不出（系统错误 27）：分区表指向了磁盘末尾之外", "请用磁盘管理检查这块硬盘"},
    {"ADynamicDisk", [](SimMachine& m) { m.setDisk(1, {40000, {{0x42, 63, 39000}}, {}}); }, kRefused + "磁盘 1是动态磁盘",
     "请把它转换为基本磁盘，或先拔下它再准备任务。"},
    {"ADiskOf4096ByteSectors",
     [](SimMachine& m) { m.setDisk(1, {40000, {{0x06, 63, 19937, Fs::Fat16, 1}}, {}, test::Twist::None, {}, 4096}); },
     kRefused + "磁盘 1的扇区是 4096 字节", "请先拔下这块硬盘"},
    {"AClonedSystemPartition", [](SimMachine& m) { m.setDisk(1, {40000, {{0x07, 63, 19937, Fs::Ntfs, 0x8C3A12F0}}, {}}); },
     kRefused + "C: 盘的卷序列号 8C3A-12F0 在两个分区上都有（磁盘 0的第 1 个分区和磁盘 1的第 1 个分区）",
     "请先拔下克隆出来的硬盘再准备任务。"},
    {"ALinuxPartitionBeforeTheImage",  // the standard disk with a Linux partition between C: and the extended one
     [](SimMachine& m) {
         DiskPlace d = standardPlace(1);
         d.partitions.insert(d.partitions.begin() + 1, DiskPartition{0x83, (40ull << 30) + (1u << 20), 1u << 20, false, 1});
         for (const char letter : {'C', 'D', 'E'}) {
             d.start = d.partitions[letter == 'C' ? 0 : letter == 'D' ? 2 : 3].start;
             m.setDrivePlace(letter, d);
         }
     },
     "E: 盘所在硬盘上，它前面的第 2 个分区没有 DOS 认识的文件系统", "为免 Ghost 写错分区，本次任务不执行。"},
    {"NotAdministrator", [](SimMachine& m) { m.failDiskReads(kErrorAccessDenied); },
     "本程序在 Windows 中没能预先检查重启后 DOS 会遇到的一切：无法确认 C: 盘没有用 BitLocker 加密；无法确认 E: "
     "盘没有用 BitLocker 加密；读不出磁盘 0（访问被拒绝）。", "重启后 DOS 下还会检查", true},
};

INSTANTIATE_TEST_SUITE_P(Machines, ForeseenTest, ::testing::ValuesIn(kMachines),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace trivex::testing_job
