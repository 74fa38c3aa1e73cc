#include "job/undo.h"

#include <vector>

#include "job/boot_menu.h"
#include "job/boot_store.h"
#include "job/job_files.h"
#include "job/record.h"
#include "job/route.h"

namespace trivex::job {

namespace {

constexpr char kMenuKept[] =
    "C:\\boot.ini 仍然默认启动 C:\\grldr，所以保留了 C:\\grldr，任务的其他文件已删除。"
    "重启时请在启动菜单中选择 Windows，然后在“系统属性-高级-启动和故障恢复”中把默认系统改回 Windows。";
constexpr char kStoreKept[] =
    "启动配置中仍有本程序的启动项，所以保留了 C:\\grldr 和 C:\\grldr.mbr，任务的其他文件已删除。"
    "下次启动如果停在 GRUB4DOS 的提示符，请重启进入 Windows，再用本程序撤销一次。";

// The store route's half: every entry of ours goes. Empty `kept` when none is left.
Text removeEntries(Machine& p, Text& kept) {
    Text refusal;
    if (!bcd::ready(p, refusal)) {
        kept = kStoreKept;
        return refusal;
    }
    Text failure;
    int removed = 0;
    if (bcd::removeOurEntries(p, removed, failure)) return {};
    kept = kStoreKept;
    return failure;
}

}  // namespace

Undone undoJob(Machine& p) {
    // What is ours is decided before anything changes: a Ghost of the user's
    // own is known by the job around it.
    const JobFilesFound found = findJobFiles(p);
    Undone u;
    const BootRoute route = found.record ? found.record->route : bootRouteOf(p);
    if (route == BootRoute::BootIni) {
        BootMenu menu(p);
        u.failures = menu.restore();
        if (menu.isRedirected()) u.loaderKept = kMenuKept;
    } else {
        u.failures = removeEntries(p, u.loaderKept);
    }
    addFailure(u.failures, removeJobFiles(p, found, !u.loaderKept.empty()));
    // The record goes last, and stays while the loader does: it still
    // describes what is on the disk.
    if (u.loaderKept.empty()) addFailure(u.failures, removeRecords(p, found));
    return u;
}

Text undoMessage(const Undone& u) {
    Text message;
    if (!u.failures.empty()) message = "撤销时出错：" + u.failures + "。";
    return message + u.loaderKept;
}

}  // namespace trivex::job
