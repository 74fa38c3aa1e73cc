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

using test::Disk;
using test::Fs;

uint32_t serialOf(const std::string& volume) {
    uint32_t serial = 0;
    for (const char c : volume)
        if (c != '-') serial = serial << 4 | static_cast<uint32_t>(std::stoul(std::string(1, c), nullptr, 16));
    return serial;
}

// The layout's disks as sectors the way the BIOS gives them: a clone holds
// the first disk's, a read of a failing sector or past the end fails.
std::vector<job::DiskToRead> readersOf(const std::vector<Disk>& disks) {
    std::vector<job::DiskToRead> readers;
    for (const Disk& d : disks) {
        const Disk& bytes = d.twist == test::Twist::CloneOfDisk1 ? disks[0] : d;
        const uint64_t failing = d.twist == test::Twist::ReadErrors ? d.slots.back().start : ~0ull;
        readers.push_back({[sectors = test::layoutSectors(bytes, true), size = bytes.sectors, failing](
                               uint64_t first, uint32_t, Text& out) {
                               if (first >= size || first == failing) return SysResult::failed(23);
                               const auto at = sectors.find(first);
                               out = at == sectors.end() ? Text(512, '\0') : at->second;
                               return SysResult::ok();
                           },
                           d.sectorBytes});
    }
    return readers;
}

TEST(DosDisks, TheRulesAnswerTheTableOfLayoutsAsVolscanDoes) {
    for (const test::Layout& layout : test::dosLayouts()) {
        const job::DosDisks disks = job::readDosDisks(readersOf(layout.disks));
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
// one's own table changed.
const Text kRefused = "重启后 DOS 下按卷序列号确认分区时会拒绝运行 Ghost，因此本次任务不执行，什么都没有改动。";

struct Machine {
    const char* name;
    std::function<void(SimMachine&)> setUp;
    Text told;  // the refusal; with `goesOn`, the note told with the job
    bool goesOn = false;
};
void PrintTo(const Machine& m, std::ostream* os) { *os << m.name; }

constexpr uint64_t kGB = 1ull << 30;

class ForeseenTest : public JobTest, public ::testing::WithParamInterface<Machine> {};

TEST_P(ForeseenTest, WhatTheDosSideWouldRefuseIsRefusedBeforeAnythingIsWritten) {
    GetParam().setUp(machine);
    const std::string before = disk();
    prepareRestoreJob();
    ASSERT_EQ(told().size(), 1u);
    EXPECT_EQ(told()[0], GetParam().told);
    if (GetParam().goesOn) EXPECT_TRUE(redirected());
    else EXPECT_EQ(disk(), before);
}

const Machine kMachines[] = {
    {"AnExtendedPartitionBesideAnother",
     [](SimMachine& m) { m.setDisk(1, {40000, {{0x85, 63, 10000}, {0x0F, 20000, 10000}}, {}}); },
     kRefused + "磁盘 1的分区表损坏（例如有两个扩展分区、逻辑分区的链接成了循环，或启动标志不对）。任何一块硬盘的分区表损坏，DOS "
     "都无法确认分区。请修复这块硬盘的分区表，或先拔下它再准备任务。"},
    {"AnEntryPastTheDisksEnd",
     [](SimMachine& m) { m.setDisk(1, {40000, {{0x06, 63, 19937, Fs::Fat16, 0xF2F20201}, {0x06, 50000, 10000}}, {}}); },
     kRefused + "磁盘 1的第 50000 扇区读不出（系统错误 27）：分区表指向了磁盘末尾之外，或那里是坏扇区。任何一块硬盘读不全，"
     "DOS 都无法确认分区。请用磁盘管理检查这块硬盘，或先拔下它再准备任务。"},
    {"ADynamicDisk", [](SimMachine& m) { m.setDisk(1, {40000, {{0x42, 63, 39000}}, {}}); },
     kRefused + "磁盘 1是动态磁盘，DOS 读不出它上面的卷，因而无法确认分区。请把它转换为基本磁盘，或先拔下它再准备任务。"},
    {"ADiskOf4096ByteSectors",
     [](SimMachine& m) { m.setDisk(1, {40000, {{0x06, 63, 19937, Fs::Fat16, 1}}, {}, test::Twist::None, {}, 4096}); },
     kRefused + "磁盘 1的扇区是 4096 字节，DOS 和 Ghost 只能读 512 字节的扇区，因而无法确认分区。请先拔下这块硬盘再准备任务。"},
    {"AClonedSystemPartition",
     [](SimMachine& m) { m.setDisk(1, {40000, {{0x07, 63, 19937, Fs::Ntfs, 0x8C3A12F0}}, {}}); },
     kRefused + "C: 盘的卷序列号 8C3A-12F0 在两个分区上都有（磁盘 0的第 1 个分区和磁盘 1的第 1 个分区），例如克隆出来的硬盘，"
     "DOS 无法分辨是哪一个。请先拔下克隆出来的硬盘再准备任务。"},
    {"ALinuxPartitionBeforeTheImage",  // the standard disk with a Linux partition between C: and the extended one
     [](SimMachine& m) {
         DiskPlace d = standardPlace(1);
         d.partitions.insert(d.partitions.begin() + 1, DiskPartition{0x83, 40 * kGB + (1u << 20), kGB / 2, false, 1});
         for (const char letter : {'C', 'D', 'E'}) {
             d.start = d.partitions[letter == 'C' ? 0 : letter == 'D' ? 2 : 3].start;
             m.setDrivePlace(letter, d);
         }
     },
     "E: 盘所在硬盘上，它前面的第 2 个分区没有 DOS 认识的文件系统（FAT 或 NTFS，例如 Linux 分区），如果 Ghost "
     "不把这个分区算在内，它的编号就会不同。为免 Ghost 写错分区，本次任务不执行。"},
    {"NotAdministrator", [](SimMachine& m) { m.failDiskReads(kErrorAccessDenied); },
     "本程序在 Windows 中没能预先检查重启后 DOS 会遇到的一切：无法确认 C: 盘没有用 BitLocker 加密；无法确认 E: "
     "盘没有用 BitLocker 加密；读不出磁盘 0（访问被拒绝）。重启后 DOS 下还会检查，发现问题时 Ghost 不会运行，"
     "什么都不会改动。",
     true},
};

INSTANTIATE_TEST_SUITE_P(Machines, ForeseenTest, ::testing::ValuesIn(kMachines),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace trivex::testing_job
