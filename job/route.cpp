#include "job/route.h"

#include <vector>

#include "job/boot_store.h"
#include "job/job_files.h"

namespace trivex::job {

BootRoute bootRouteOf(Platform& p) {
    return p.windowsVersion().major >= 6 ? BootRoute::BootStore : BootRoute::BootIni;
}

Text storeRefusal(Platform& p) {
    Text refusal;
    if (!bcd::ready(p, refusal)) return refusal;
    // The DOS side puts a saved store back over the real one; one left by
    // another tool would replace the user's boot configuration.
    if (p.fileAttributes("C:\\Boot\\BCD.bak") >= 0)
        return "C:\\Boot\\BCD.bak 已存在（别的程序留下的启动配置备份）。DOS 下的清理会用它替换现在的启动配置，"
               "本程序不会在这种情况下准备任务。请先确认并移走这个文件。";
    return {};
}

Text removeStaleEntries(Platform& p) {
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
