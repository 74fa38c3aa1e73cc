#include "job/manual_ghost.h"

#include "app/app.h"
#include "job/files.h"
#include "payloads/store.h"
#include "platform/text.h"
#include "ui/names.h"

namespace trivex::job {

namespace {
constexpr WindowId kMain = WindowId::Main;
constexpr int kShowNormal = 2;
}  // namespace

std::optional<Text> customGhostPath(App& app) {
    Platform& p = app.platform;
    if (!p.getProp(kMain, ctl::自定义选择框, Prop::Checked)) return std::nullopt;
    const Text path = p.getText(kMain, ctl::编辑框2);
    if (text::find(path, "ghost.exe", 1, true) < 1) return std::nullopt;
    return path;
}

bool provideGhostExe(App& app, Text& failure) {
    Platform& p = app.platform;
    if (const std::optional<Text> own = customGhostPath(app)) {
        if (p.copyFile(*own, kGhostExe)) return true;
        failure = "复制自定义的 Ghost（" + *own + "）到 C:\\ghost.exe 失败";
        return false;
    }
    if (payloads::writePayload(p, kGhostExe, payloads::Payload::GhostDos)) return true;
    failure = "写入 C:\\ghost.exe 失败";
    return false;
}

void ghost32Switch(App& app, WindowId, int) {
    Platform& p = app.platform;
    if (!p.getProp(kMain, ctl::G选择框, Prop::Checked)) {
        p.deleteFile(kGhost32Exe);
        return;
    }
    if (!payloads::writePayload(p, kGhost32Exe, payloads::Payload::Ghost32)) {
        p.deleteFile(kGhost32Exe);  // what a full disk left of it
        p.setProp(kMain, ctl::G选择框, Prop::Checked, 0);
        tell(app, "无法写入 E:\\Ghost32.exe（没有 E 盘、E 盘不可写或文件正在使用），Ghost32 未启动。");
        return;
    }
    if (!p.runCommandLine(kGhost32Exe, false, kShowNormal)) {
        p.deleteFile(kGhost32Exe);
        p.setProp(kMain, ctl::G选择框, Prop::Checked, 0);
        tell(app, "无法启动 E:\\Ghost32.exe。");
    }
}

}  // namespace trivex::job
