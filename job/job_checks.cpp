#include "job/job_checks.h"

#include "app/app.h"
#include "job/boot_menu.h"
#include "job/command_line.h"
#include "job/files.h"
#include "job/manual_ghost.h"
#include "platform/text.h"
#include "ui/names.h"

namespace trivex::job {

namespace {

constexpr WindowId kMain = WindowId::Main;
constexpr unsigned kMbOkCancel = 1;

// "X:\...\name": a drive, the root and a name after the last backslash.
bool isFullFilePath(const Text& path) {
    return path.size() > 3 && path[1] == ':' && path[2] == '\\' && path.back() != '\\';
}

bool folderExists(Platform& p, const Text& filePath) {
    const int64_t cut = text::findBackwards(filePath, "\\");
    if (cut < 1) return false;
    const int64_t a = p.fileAttributes(text::left(filePath, cut));
    return a >= 0 && (a & kAttrDirectory);
}

bool sameFileName(const Text& a, const Text& b) { return a.size() == b.size() && text::find(a, b, 1, true) == 1; }

// The image and the partitions, for a job whose ghost.bat runs a command line.
Text imageRefusal(App& app, JobKind kind) {
    Platform& p = app.platform;
    const ProgramState& s = app.state;
    const Text path = p.getText(kMain, ctl::编辑框1);
    if (s.systemPartition == 0) return "所选分区无法对应到 Ghost 的分区号（只支持 C 到 G 盘），请重新选择分区。";
    if (s.imagePartition == 0 || !isFullFilePath(path))
        return "映像文件路径无效，或不在 C 到 G 盘上，请重新选择映像文件。";
    if (s.imagePartition == s.systemPartition) return "映像文件不能放在要备份或还原的分区上，请换一个分区存放映像。";
    if (kind == JobKind::Restore && !isFile(p, path)) return "映像文件不存在，请重新选择映像文件。";
    if (kind == JobKind::Backup) {
        if (!folderExists(p, path)) return "保存映像的文件夹不存在，请重新选择保存位置。";
        if (p.fileAttributes(path) >= 0 && !isFile(p, path)) return "映像文件路径是一个文件夹，请重新选择保存位置。";
    }
    return {};
}

}  // namespace

Text jobRefusal(App& app) {
    Platform& p = app.platform;
    if (!isFile(p, kBootIni))
        return "找不到 C:\\boot.ini：本机不是用 boot.ini 启动的系统，无法用本程序安排 Ghost 任务。";

    const JobKind kind = jobKind(app);
    if (kind == JobKind::Restore || kind == JobKind::Backup) {
        const Text why = imageRefusal(app, kind);
        if (!why.empty()) return why;
    }
    if (const std::optional<Text> own = customGhostPath(app); own && sameFileName(*own, kGhostExe))
        return "自定义的 Ghost 不能是 C:\\ghost.exe 本身，请把它放到别的文件夹后再选择。";

    // The saved menu must be the one from before any job.
    const bool savedMenu = isFile(p, kBootBak);
    if (savedMenu && isRedirected(app, kBootBak))
        return "C:\\boot.bak 不是原来的启动菜单，无法继续。请先修复启动菜单。";
    if (!savedMenu && isRedirected(app, kBootIni))
        return "C:\\boot.ini 已被改写，但找不到原来的启动菜单备份 C:\\boot.bak，无法继续。请先修复启动菜单。";
    return {};
}

bool demoBuildGoesOn(App& app) {
    const int answer = app.platform.messageBox(
        "此版本带的是演示用的引导文件，重启后不会真正备份或还原。\r\n"
        "选择“确定”继续（之后可以撤销），选择“取消”返回。",
        kMbOkCancel, "信息：");
    return answer == kBtnOk;
}

}  // namespace trivex::job
