#include "job/partitions.h"

#include <algorithm>
#include <vector>

#include "job/ghost_plan.h"
#include "platform/text.h"

namespace trivex::job {

namespace {

Text number(int64_t n) { return text::toText(n); }

// The partition type byte of the one partition a dynamic disk shows in its
// table; the volumes live in the disk's own database, which Ghost for DOS
// does not read.
constexpr uint8_t kDynamicDisk = 0x42;

// "磁盘 0（232 GB，ST3250310AS）": Windows' number (the one its disk
// management shows) and what the disk says of itself.
Text diskName(const DiskPlace& d) {
    Text facts;
    if (d.diskBytes >= (1ull << 30)) facts = number(static_cast<int64_t>(d.diskBytes >> 30)) + " GB";
    else if (d.diskBytes > 0) facts = number(static_cast<int64_t>(d.diskBytes >> 20)) + " MB";
    if (!d.diskModel.empty()) facts += (facts.empty() ? "" : "，") + d.diskModel;
    return "磁盘 " + number(d.disk) + (facts.empty() ? "" : "（" + facts + "）");
}

// The letter of "A"-"Z", else 0 (the drive list and the file dialogs
// give upper-case letters; anything else is not a drive the user chose).
char driveLetter(const Text& letter) { return letter.size() == 1 && letter[0] >= 'A' && letter[0] <= 'Z' ? letter[0] : 0; }

// One drive of the job and its Ghost number.
struct JobDrive {
    const char* role;  // as the question and the refusals name it
    char letter = 0;
    int tableNumber = 0;  // the letter table's
    int number = 0;
    bool fromTable = false;
};

}  // namespace

// How Ghost numbers the partitions of a disk. The Norton Ghost 2003 user's
// guide (documentation version 6.8, "Ghost.exe and the Virtual Partition")
// says that Ghost.exe's command line numbers partitions as its own menus
// list them; it lists the partitions that hold volumes, hidden ones
// included (a Dell utility partition of type 0xDE first makes Windows
// partition 2, as Dell's own Ghost-based restore writes it). The guide does
// not say whether the list follows the table's slots or the partitions'
// places on the disk, nor where logical drives come. So a number is used
// only where both orders agree: primary partitions by table slot, then
// logical drives in the order of their chain (extended containers and
// empty slots not counted), against all of them sorted by where they
// start. Where the two differ the job cannot know which partition Ghost
// would take, and says so. Disks that Ghost for DOS cannot address by
// partition number are refused: a GPT disk (it sees one protective
// partition) and a dynamic disk (it sees one partition of type 0x42).
int ghostPartitionOf(const DiskPlace& place, Text& why) {
    if (!place.mbr) {
        why = "所在的硬盘使用 GPT 分区表，DOS 下的 Ghost 无法按分区号找到它";
        return 0;
    }
    for (const DiskPartition& part : place.partitions)
        if (part.type == kDynamicDisk) {
            why = "所在的硬盘是动态磁盘，DOS 下的 Ghost 无法按分区号找到它";
            return 0;
        }
    std::vector<DiskPartition> byTable = place.partitions;
    std::stable_sort(byTable.begin(), byTable.end(), [](const DiskPartition& a, const DiskPartition& b) {
        return a.logical != b.logical ? !a.logical : a.slot < b.slot;
    });
    std::vector<DiskPartition> byPlace = place.partitions;
    std::stable_sort(byPlace.begin(), byPlace.end(),
                     [](const DiskPartition& a, const DiskPartition& b) { return a.start < b.start; });
    const auto find = [&](const std::vector<DiskPartition>& list) {
        for (size_t i = 0; i < list.size(); ++i)
            if (list[i].start == place.start) return static_cast<int>(i) + 1;
        return 0;
    };
    const int inTable = find(byTable), onDisk = find(byPlace);
    if (inTable == 0) {
        why = "不在系统报告的分区表中";
        return 0;
    }
    if (inTable != onDisk) {
        why = "所在硬盘的分区表顺序与分区在硬盘上的先后不一致（按分区表是第 " + number(inTable) + " 个，按位置是第 " +
              number(onDisk) + " 个），无法确定 Ghost 会把它算作第几个分区";
        return 0;
    }
    return inTable;
}

PartitionCheck checkPartitions(Machine& p, const JobRequest& job) {
    PartitionCheck check;
    SystemPartition system;
    const bool bootKnown = p.systemPartition(system);
    DiskPlace c;
    const bool cKnown = p.drivePlace('C', c);
    // The job's files and the boot menu it changes are on C:; Ghost's disk 1
    // is the boot disk.
    if (bootKnown && cKnown && c.disk != system.place.disk) {
        check.refusal = "C: 盘在" + diskName(c) + "上，而计算机是从" + diskName(system.place) +
                        "启动的（系统分区在那块硬盘上）。DOS 下的 Ghost 只把启动硬盘当作 1 号硬盘，本程序只为装在启动硬盘上的 "
                        "Windows 准备任务，本次任务不执行。";
        return check;
    }
    const JobKind kind = job.kind();
    if (kind != JobKind::Restore && kind != JobKind::Backup) return check;

    const Text& image = job.imagePath;
    const bool imageHasDrive = image.size() >= 2 && image[1] == ':';
    JobDrive drives[2] = {
        {"要备份或还原的分区", driveLetter(job.targetDrive), partitionNumber(job.targetDrive)},
        {"映像所在的分区", imageHasDrive ? driveLetter(image.substr(0, 1)) : '\0', imagePartitionOf(image)}};
    // When the system does not name the boot disk, C:'s disk stands for it.
    const DiskPlace* boot = bootKnown ? &system.place : cKnown ? &c : nullptr;
    std::vector<Text> unsure;
    if (!bootKnown) unsure.push_back("系统没有说明计算机从哪块硬盘启动，按 C: 盘所在的硬盘算作 1 号硬盘");
    if (!cKnown) unsure.push_back("系统无法确认 C: 盘所在的位置");
    for (JobDrive& d : drives) {
        DiskPlace place;
        if (d.letter == 0 || !p.drivePlace(d.letter, place)) {
            // The image path's own check names a path without a drive.
            d.number = d.tableNumber;
            d.fromTable = true;
            if (d.letter && d.letter != 'C')
                unsure.push_back("系统无法确认 " + Text(1, d.letter) + ": 盘所在的位置（文件夹映射的盘、虚拟盘，或系统不支持查询）");
            continue;
        }
        const Text name = Text(1, d.letter) + ": 盘";
        if (boot && place.disk != boot->disk) {
            const Text where = name + "在" + diskName(place) + "上，不在计算机启动的" + diskName(*boot) + "上。";
            // Windows numbers disks its own way, which need not be the
            // BIOS's order: only the boot disk is known to be Ghost's disk 1.
            check.refusal = &d == &drives[1]
                                ? "映像所在的 " + where +
                                      "Windows 的磁盘编号不一定与 BIOS 的顺序一致，只有启动硬盘一定是 DOS 下 Ghost 的 1 "
                                      "号硬盘，无法确定 Ghost 会把这块硬盘算作几号。请把映像放在启动硬盘的分区上。"
                                : "要备份或还原的 " + where +
                                      "DOS 下的 Ghost 只有启动硬盘一定是 1 号硬盘，无法确定它会把这块硬盘算作几号，本次任务不执行。";
            return check;
        }
        Text why;
        d.number = ghostPartitionOf(place, why);
        if (d.number == 0) {
            check.refusal = name + why + "。为免 Ghost 写错分区，本次任务不执行。";
            return check;
        }
    }
    check.targetPartition = drives[0].number;
    check.imagePartition = drives[1].number;
    // A drive without a number is refused by the job's own checks instead.
    if (unsure.empty() || check.targetPartition == 0 || check.imagePartition == 0) return check;

    Text reasons;
    for (const Text& u : unsure) reasons += (reasons.empty() ? "" : "；") + u;
    check.question = "系统无法完全确认 Ghost 的分区号（" + reasons + "）。Ghost 将使用：\r\n";
    for (const JobDrive& d : drives)
        check.question += Text("  ") + d.role + " " + Text(1, d.letter) + ": = 硬盘 1 分区 " + number(d.number) +
                          "（1:" + number(d.number) + "），" + (d.fromTable ? "按盘符对照表" : "按分区表") + "\r\n";
    check.question += "如果与您的硬盘不符，Ghost 会覆盖错误的分区！确认无误请选择“确定”，否则选择“取消”。";
    return check;
}

}  // namespace trivex::job
