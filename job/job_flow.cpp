#include "job/job_flow.h"

#include "app/app.h"
#include "app/lifecycle.h"
#include "app/prompts.h"
#include "app/window_commands.h"
#include "job/boot_menu.h"
#include "job/command_line.h"
#include "job/files.h"
#include "job/job_checks.h"
#include "job/manual_ghost.h"
#include "job/take_back.h"
#include "payloads/store.h"
#include "ui/names.h"

namespace trivex::job {

namespace {

constexpr WindowId kMain = WindowId::Main;
constexpr char kOpenCaption[] = "打开(&F)";
constexpr char kSaveCaption[] = "保存(&S)";

// Until Ghost replaces it, the image file holds its own path. A file that is
// there already (an earlier backup) stays as it is.
void writePlaceholder(Platform& p, const Text& path) {
    if (path.empty() || p.fileAttributes(path) >= 0) return;
    p.writeFile(path, {bytesOf(path)});
}

void failJob(App& app, const JobTrail& trail, const Text& failure) {
    const bool earlierJob = trail.redirectedBefore && !trail.files.empty();
    const bool menuBack = takeBack(app, trail);
    Text message = failure + "，本次操作已撤回";
    if (earlierJob) message += "，之前准备好的任务也已撤销";
    message += menuBack ? "。" : "，但未能恢复 C:\\boot.ini，请检查启动菜单！";
    tell(app, message);
}

bool writeJobPayload(App& app, JobTrail& trail, const char* path, payloads::Payload payload) {
    trail.files.push_back(path);
    return payloads::writePayload(app.platform, path, payload);
}

}  // namespace

void chooseImage(App& app, WindowId, int) {
    Platform& p = app.platform;
    const Text caption = p.getText(kMain, ctl::打开1);
    if (caption == kOpenCaption) {
        p.setTextProp(kMain, ctl::通用对话框1, Prop::InitialFolder, p.programFolder());
        p.fileDialog(kMain, ctl::通用对话框1);
        p.setText(kMain, ctl::编辑框1, p.getTextProp(kMain, ctl::通用对话框1, Prop::FileName));
    } else if (caption == kSaveCaption) {
        p.setText(kMain, ctl::编辑框1, "");
        // The save dialog's path-must-exist switch is off in its layout: the
        // folder is made here once the user has chosen.
        p.fileDialog(kMain, ctl::通用对话框2);
        p.createFolder(p.getTextProp(kMain, ctl::通用对话框2, Prop::InitialFolder));
        const Text path = p.getTextProp(kMain, ctl::通用对话框2, Prop::FileName);
        p.setText(kMain, ctl::编辑框1, path);
        writePlaceholder(p, path);
    }
    updateConfirmButton(app);
    saveBootMenu(app);
    p.deleteFile(kProbeScriptPath);
}

void prepareJob(App& app, WindowId, int) {
    Platform& p = app.platform;
    buildCommandTexts(app.state, readCommandInputs(app));
    if (const Text why = jobRefusal(app); !why.empty()) {
        tell(app, why);
        return;
    }
    if (payloads::isDemoBuild() && !demoBuildGoesOn(app)) return;

    JobTrail trail;
    Text failure;
    if (!secureBootMenu(app, trail, failure)) return failJob(app, trail, failure);
    if (!redirectBootMenu(app)) return failJob(app, trail, "改写 C:\\boot.ini 失败");
    if (!writeJobPayload(app, trail, kGrldr, payloads::Payload::Loader))
        return failJob(app, trail, "写入 C:\\grldr 失败");
    if (const std::optional<Text> bat = ghostBatText(app)) {
        trail.files.push_back(kGhostBat);
        if (!p.writeFile(kGhostBat, {bytesOf(*bat)})) return failJob(app, trail, "写入 C:\\ghost.bat 失败");
    }
    trail.files.push_back(kGhostExe);
    if (!provideGhostExe(app, failure)) return failJob(app, trail, failure);
    if (!writeJobPayload(app, trail, kVemoImg, payloads::Payload::DosImage))
        return failJob(app, trail, "写入 C:\\Vemo.img 失败");

    showRestartPrompt(app);
}

}  // namespace trivex::job
