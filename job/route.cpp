#include "job/route.h"

#include <vector>

#include "job/boot_store.h"
#include "job/job_files.h"
#include "platform/text.h"

namespace trivex::job {

BootRoute bootRouteOf(Machine& p) {
    SystemPartition system;
    if (p.systemPartition(system)) {
        if (system.bootManager) return BootRoute::BootStore;
        if (system.ntLoader) return BootRoute::BootIni;
    }
    return p.windowsVersion().major >= 6 ? BootRoute::BootStore : BootRoute::BootIni;
}

Text routeRefusal(Machine& p) {
    SystemPartition system;
    if (!p.systemPartition(system)) return {};
    if (system.bootManager) {
        const WindowsVersion v = p.windowsVersion();
        if (v.major == 5)
            return "这台计算机通过较新的 Windows（Vista 及以后）的启动管理器 bootmgr 启动，它只在选择早期的 Windows 时"
                   "才读 boot.ini，正在运行的 Windows XP 无法安排下次启动进入 Ghost。请启动这台计算机上较新的 Windows，"
                   "在那里准备任务。";
        return {};
    }
    if (system.ntLoader && system.letter != 'C')
        return "计算机启动时读的是" +
               (system.letter ? " " + Text(1, system.letter) + ": 盘"
                              : "磁盘 " + text::toText(static_cast<int64_t>(system.place.disk)) + " 上一个没有盘符的分区") +
               "上的 boot.ini，不是本程序要改的 C:\\boot.ini，改了也不会在下次启动时进入 Ghost，本次任务不执行。";
    return {};
}

Text storeRefusal(Machine& p) {
    Text refusal;
    if (!bcd::ready(p, refusal)) return refusal;
    return {};
}

Text removeStaleEntries(Machine& p) {
    Text refusal;
    if (bootRouteOf(p) != BootRoute::BootStore || !bcd::ready(p, refusal)) return {};
    std::vector<Text> ids;
    Text failure;
    if (!bcd::findEntries(p, ids, failure) || ids.empty()) return {};
    if (jobWaits(p)) return {};  // the job has not had its restart yet
    int removed = 0;
    if (bcd::removeEntries(p, ids, removed, failure)) return {};
    return "启动配置中留有本程序上次任务的启动项，删除它失败：" + failure;
}

}  // namespace trivex::job
