#include "job/undo.h"

#include "job/boot_menu.h"
#include "job/job_files.h"

namespace trivex::job {

Undone undoJob(Platform& p) {
    // What is ours is decided before anything changes: a Ghost of the user's
    // own is known by the job files around it.
    const JobFilesFound found = findJobFiles(p);
    BootMenu menu(p);
    Undone u;
    u.failures = menu.restore();
    u.loaderKept = menu.isRedirected();
    addFailure(u.failures, removeJobFiles(p, found, u.loaderKept));
    return u;
}

Text undoMessage(const Undone& u) {
    Text message;
    if (!u.failures.empty()) message = "撤销时出错：" + u.failures + "。";
    if (u.loaderKept)
        message += "C:\\boot.ini 仍然默认启动 C:\\grldr，所以保留了 C:\\grldr，任务的其他文件已删除。"
                   "重启时请在启动菜单中选择 Windows，然后在“系统属性-高级-启动和故障恢复”中把默认系统改回 Windows。";
    return message;
}

}  // namespace trivex::job
