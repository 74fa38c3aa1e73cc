#include "job/take_back.h"

#include "app/app.h"
#include "job/boot_menu.h"
#include "job/files.h"

namespace trivex::job {

namespace {

constexpr const char* kJobFiles[] = {kGrldr, kGhostBat, kGhostExe, kVemoImg};

void removeSavedCopy(Platform& p) {
    if (!isFile(p, kBootBak)) return;
    // A copy of a protected boot.ini is protected too and cannot be deleted as it is.
    const int64_t a = p.fileAttributes(kBootBak);
    if (a >= 0 && (a & kProtection)) setProtection(p, kBootBak, static_cast<uint32_t>(a), false);
    p.deleteFile(kBootBak);
}

}  // namespace

bool secureBootMenu(App& app, JobTrail& trail, Text& failure) {
    Platform& p = app.platform;
    const std::optional<Text> menu = readWholeFile(p, kBootIni);
    if (!menu) {
        failure = "读取 C:\\boot.ini 失败";
        return false;
    }
    trail.menuBefore = *menu;
    trail.protectionBefore = static_cast<uint32_t>(p.fileAttributes(kBootIni)) & kProtection;
    trail.redirectedBefore = isRedirected(app, kBootIni);

    if (!isFile(p, kBootBak)) {
        // Never a rewrite without the menu saved: save it now, protection included.
        trail.savedCopy = true;
        if (!p.copyFile(kBootIni, kBootBak)) {
            failure = "把 C:\\boot.ini 备份为 C:\\boot.bak 失败";
            return false;
        }
    }
    if (trail.protectionBefore) {
        trail.unprotected = true;
        if (!setProtection(p, kBootIni, kProtection, false)) {
            failure = "去掉 C:\\boot.ini 的只读、隐藏和系统属性失败";
            return false;
        }
    }
    return true;
}

bool restoreSavedMenu(Platform& p) {
    const std::optional<Text> saved = readWholeFile(p, kBootBak);
    if (!saved) return false;
    restoreBootMenu(p);
    const std::optional<Text> now = readWholeFile(p, kBootIni);
    if (now && *now == *saved) return true;
    return p.writeFile(kBootIni, {bytesOf(*saved)});
}

bool takeBack(App& app, const JobTrail& trail) {
    Platform& p = app.platform;
    for (const Text& f : trail.files) p.deleteFile(f);

    if (trail.redirectedBefore && !trail.files.empty()) {
        // The earlier job's files are partly this job's now: none of it may run.
        for (const char* f : kJobFiles) p.deleteFile(f);
        restoreSavedMenu(p);
        return isFile(p, kBootIni) && !isRedirected(app, kBootIni);
    }

    if (trail.savedCopy) {
        // The copy carries the menu's own attributes: renaming it back restores both.
        const std::optional<Text> copy = readWholeFile(p, kBootBak);
        if (copy && *copy == trail.menuBefore) restoreBootMenu(p);
    }
    std::optional<Text> now = readWholeFile(p, kBootIni);
    if (!now || *now != trail.menuBefore) {
        p.writeFile(kBootIni, {bytesOf(trail.menuBefore)});
        now = readWholeFile(p, kBootIni);
    }
    if (trail.savedCopy) removeSavedCopy(p);
    if (trail.unprotected) {
        const int64_t a = p.fileAttributes(kBootIni);
        if (a >= 0 && (static_cast<uint32_t>(a) & kProtection) != trail.protectionBefore)
            setProtection(p, kBootIni, trail.protectionBefore, true);
    }
    return now && *now == trail.menuBefore;
}

}  // namespace trivex::job
