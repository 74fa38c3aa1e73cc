#include "job/partitions.h"

#include <algorithm>
#include <vector>

#include "platform/text.h"

namespace trivex::job {

namespace {

Text number(int64_t n) { return text::toText(n); }

struct Drive {
    char letter = 0;
    int table = 0;
    DiskPlace place;
    bool known = false;
};

}  // namespace

// How Ghost numbers the partitions of a disk. Symantec's Norton Ghost user's
// guide (documentation version 6.8, "Ghost.exe and the Virtual Partition")
// says that the numbers of Ghost.exe's command line are those of the
// partition list in its own interface, which lists the partitions that hold
// volumes: hidden ones included (vendors' restore partitions of type 0xDE
// come first and push Windows to partition 2), extended containers and
// empty table slots not. The guide does not say whether that list follows
// the partition table's slots or the partitions' places on the disk. So the
// number is only trusted where both orders agree: primary partitions by
// table slot, then logical drives in the order of their chain, against all
// of them sorted by where they start. Where the two differ the job cannot
// know which partition Ghost would take, and says so.
int ghostPartitionOf(const DiskPlace& place, Text& why) {
    if (!place.mbr) {
        why = "所在硬盘不是 MBR 分区表（例如 GPT），DOS 下的 Ghost 无法按分区号处理它";
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
        why = "系统报告的分区表里找不到它";
        return 0;
    }
    if (inTable != onDisk) {
        why = "硬盘分区表的顺序与分区在硬盘上的先后不一致（按分区表是第 " + number(inTable) + " 个，按位置是第 " +
              number(onDisk) + " 个），无法确定 Ghost 会用哪一个";
        return 0;
    }
    return inTable;
}

PartitionCheck checkPartitions(Platform& p, const Text& systemDrive, int systemNumber, const Text& imageDrive,
                               int imageNumber) {
    Drive boot{'C'};
    boot.known = p.drivePlace('C', boot.place);
    Drive drives[2] = {{systemDrive.empty() ? '\0' : systemDrive[0], systemNumber},
                       {imageDrive.empty() ? '\0' : imageDrive[0], imageNumber}};
    bool allKnown = boot.known;
    for (Drive& d : drives) {
        d.known = p.drivePlace(d.letter, d.place);
        allKnown = allKnown && d.known;
    }
    PartitionCheck check;
    if (!allKnown) {
        check.question = Text("系统无法确认分区所在的位置（测试环境、虚拟盘或系统不支持查询）。Ghost 将按盘符对照表使用：\r\n") +
                         "  要备份或还原的分区 " + drives[0].letter + ": = 硬盘 1 分区 " + number(systemNumber) +
                         "（1:" + number(systemNumber) + "）\r\n" + "  映像所在的分区 " + drives[1].letter +
                         ": = 硬盘 1 分区 " + number(imageNumber) + "（1:" + number(imageNumber) + "）\r\n" +
                         "如果与您的硬盘不符，Ghost 会覆盖错误的分区！确认无误请选择“确定”，否则选择“取消”。";
        return check;
    }
    for (const Drive& d : drives) {
        const Text head = Text(1, d.letter) + ": 盘按盘符对照表是 Ghost 分区 1:" + number(d.table) + "，但";
        const Text tail = "。为免 Ghost 写错分区，本次任务不执行。";
        if (d.place.disk != boot.place.disk) {
            check.refusal = head + "系统报告它在磁盘 " + number(d.place.disk) + " 上，不在 C: 所在的磁盘 " +
                            number(boot.place.disk) + "（Ghost 的 1 号硬盘）上" + tail;
            return check;
        }
        Text why;
        const int ghost = ghostPartitionOf(d.place, why);
        if (ghost == 0) {
            check.refusal = head + "它" + why + tail;
            return check;
        }
        if (ghost != d.table) {
            check.refusal = head + "系统报告它是第一块硬盘上的第 " + number(ghost) + " 个分区（1:" + number(ghost) +
                            "）" + tail;
            return check;
        }
    }
    return check;
}

}  // namespace trivex::job
