#include "job/boot_menu.h"

#include <vector>

#include "job/files.h"
#include "payloads/handoff.h"
#include "platform/files.h"
#include "platform/text.h"

namespace trivex::job {

namespace {

uint32_t protectionOf(Machine& p, const char* path) {
    const int64_t a = p.fileAttributes(path);
    return a < 0 ? 0 : static_cast<uint32_t>(a) & kProtection;
}

Problem leftAlone(Code why) { return around(Code::MenuLeftAlone, {Problem{why}}); }

}  // namespace

bool BootMenu::isRedirected() {
    const std::optional<Text> menu = readWholeFile(p_, kBootIni);
    return menu && holdsJobEntry(*menu);
}

bool BootMenu::namesLoader() {
    const std::optional<Text> menu = readWholeFile(p_, kBootIni);
    return !menu || job::namesLoader(*menu);
}

Result BootMenu::unprotect(const char* path) {
    if (const SysResult r = setProtection(p_, path, 0); !r) return stepFailed(Code::UnprotectFailed, {path}, r);
    return {};
}

Result BootMenu::writeSaved(const Text& menu, uint32_t protection) {
    if (Result r = unprotect(kBootBak); !r) return r;
    if (const SysResult r = p_.writeFileWhole(kBootBak, {bytesOf(menu)}); !r) return stepFailed(Code::SaveMenuFailed, {}, r);
    const std::optional<Text> copy = readWholeFile(p_, kBootBak);
    if (!copy || *copy != menu) return Problem{Code::SavedMenuDiffers};
    if (const SysResult r = setProtection(p_, kBootBak, protection); !r)
        return stepFailed(Code::SavedMenuAttributesFailed, {}, r);
    return {};
}

Result BootMenu::refreshSaved(const Text& menu) {
    const std::optional<Text> saved = readWholeFile(p_, kBootBak);
    if (saved && *saved == menu) return {};
    // The copy gets the protection the menu had: the image file button may
    // have cleared boot.ini's already, an older copy still shows it.
    const uint32_t protection = protectionOf(p_, kBootIni) | protectionOf(p_, kBootBak);
    // A boot.bak that is not the menu of this moment cannot be told as ours:
    // it waits under a free name of its own, and the user is told.
    if (p_.fileAttributes(kBootBak) >= 0) {
        Text free;
        for (int n = 1; n < 100 && free.empty(); ++n) {
            const Text name = "C:\\boot-" + text::toText(static_cast<int32_t>(n)) + ".bak";
            if (p_.fileAttributes(name) < 0) free = name;
        }
        if (free.empty()) return Problem{Code::BootBakInTheWay};
        if (const SysResult r = p_.renameFile(kBootBak, free); !r) return stepFailed(Code::BootBakInTheWay, {}, r);
        setAside_ = free;
        notice_ = Problem{Code::BootBakSetAside, {free}};
    }
    return writeSaved(menu, protection);
}

void BootMenu::save() {
    const std::optional<Text> menu = readWholeFile(p_, kBootIni);
    // Only a boot.bak this program can tell as its own is written: none yet.
    // One that differs from the menu is left for the job, which sets it aside.
    if (menu && !holdsJobEntry(*menu) && p_.fileAttributes(kBootBak) < 0)
        (void)writeSaved(*menu, protectionOf(p_, kBootIni));
    (void)unprotect(kBootIni);
}

Result BootMenu::check() {
    plan_.reset();
    memo_.reset();
    if (!isFile(p_, kBootIni)) return Problem{Code::NoBootIni};
    const std::optional<Text> menu = readWholeFile(p_, kBootIni);
    if (!menu) return Problem{Code::MenuUnreadable};
    MenuPlan plan = planRedirect(*menu);
    switch (plan.refusal) {
        case MenuRefusal::None: break;
        case MenuRefusal::Redirected: return {};  // an earlier job: it is undone first, then the menu checked again
        case MenuRefusal::NotText: return Problem{Code::MenuNotText};
        case MenuRefusal::WithoutLoaderSection: return Problem{Code::MenuWithoutLoaderSection};
        case MenuRefusal::WithoutSystems: return Problem{Code::MenuWithoutSystems};
        case MenuRefusal::Unusual: return Problem{Code::MenuUnusual, {Arg::quote(plan.line)}};
    }
    // The DOS side writes the menu without the job's lines under one name
    // and puts the job's menu aside under another: both must be free.
    for (const char* name : {kBootIniNew, kBootIniAside})
        if (p_.fileAttributes(name) >= 0) return Problem{Code::FileNotOurs, {name}};
    planned_ = *menu;
    memo_ = plan.memo;
    plan_ = std::move(plan);
    return {};
}

Result BootMenu::redirect() {
    const std::optional<Text> menu = readWholeFile(p_, kBootIni);
    if (!menu) return Problem{Code::ReadMenuFailed};
    if (holdsJobEntry(*menu)) return Problem{Code::MenuStillRedirected};
    if (!plan_ || *menu != planned_) return Problem{Code::MenuChangedMeanwhile};
    const int64_t a = p_.fileAttributes(kBootIni);
    before_ = {*menu, a < 0 ? 0u : static_cast<uint32_t>(a), isFile(p_, kBootBak)};
    changing_ = true;
    // The saved menu is whole on the disk before boot.ini points anywhere new.
    if (Result r = refreshSaved(*menu); !r) return r;
    if (Result r = unprotect(kBootIni); !r) return r;
    if (const SysResult r = p_.writeFileWhole(kBootIni, {bytesOf(plan_->redirected)}); !r)
        return stepFailed(Code::RewriteMenuFailed, {}, r);
    return {};
}

Result BootMenu::takeBack() {
    if (!changing_) return {};
    changing_ = false;
    std::optional<Text> now = readWholeFile(p_, kBootIni);
    // What the menu must be: without this job's lines, whatever else it holds.
    Text target = now ? *now : before_.menu;
    if (now && holdsJobEntry(*now)) {
        const MenuTakeOut taken = takeOutLines(*now, *memo_);
        if (taken.what != MenuTaken::Edited) return Problem{Code::RestoreMenuFailed};
        target = taken.menu;
    }
    SysResult rewritten;
    if (!now || *now != target) {
        (void)unprotect(kBootIni);
        rewritten = p_.writeFileWhole(kBootIni, {bytesOf(target)});  // judged by what it reads back
        now = readWholeFile(p_, kBootIni);
    }
    if (!now || *now != target) return stepFailed(Code::RestoreMenuFailed, {}, rewritten);

    std::vector<Problem> failures;
    if (const SysResult r = setProtection(p_, kBootIni, before_.attributes & kProtection); !r)
        failures.push_back(stepFailed(Code::RestoreMenuAttributesFailed, {}, r));
    if ((!before_.bakExisted || !setAside_.empty()) && isFile(p_, kBootBak)) {
        // The copy this job made carries the menu's protection.
        SysResult deleted = setProtection(p_, kBootBak, 0);
        if (deleted) deleted = p_.deleteFile(kBootBak);
        if (!deleted) failures.push_back(stepFailed(Code::DeleteSavedMenuFailed, {}, deleted));
    }
    // A boot.bak of the user's that waited aside gets its name back.
    if (!setAside_.empty() && p_.fileAttributes(kBootBak) < 0) {
        if (const SysResult r = p_.renameFile(setAside_, kBootBak); r) notice_.reset();
        else failures.push_back(stepFailed(Code::RenameBackFailed, {setAside_, kBootBak}, r));
    }
    return Result::allOf(std::move(failures));
}

bool BootMenu::savedIsOurs(const std::optional<MenuMemo>& memo, const Text& menuNow) {
    const std::optional<Text> saved = readWholeFile(p_, kBootBak);
    if (!saved) return false;
    if (memo) return menuSum(*saved) == memo->savedSum;
    // Without a job, the image file button's copy: the menu byte for byte.
    return *saved == menuNow && !holdsJobEntry(menuNow);
}

Result BootMenu::settle(const std::optional<Text>& menu, const std::optional<MenuMemo>& memo, const Text& menuNow) {
    const bool savedOurs = savedIsOurs(memo, menuNow);
    const uint32_t had = protectionOf(p_, kBootIni);
    // The job's copy carries the protection the menu had before the job.
    const uint32_t protection = had | (savedOurs ? protectionOf(p_, kBootBak) : 0);
    if (menu) {
        if (Result r = unprotect(kBootIni); !r) return r;
        if (const SysResult r = p_.writeFileWhole(kBootIni, {bytesOf(*menu)}); !r) {
            (void)setProtection(p_, kBootIni, had);
            return stepFailed(Code::RestoreMenuFailed, {}, r);
        }
    }
    if (const SysResult r = setProtection(p_, kBootIni, protection); !r)
        return stepFailed(Code::RestoreMenuAttributesFailed, {}, r);
    if (!savedOurs) return {};
    SysResult deleted = setProtection(p_, kBootBak, 0);
    if (deleted) deleted = p_.deleteFile(kBootBak);
    if (!deleted) return stepFailed(Code::DeleteSavedMenuFailed, {}, deleted);
    return {};
}

Result BootMenu::takeOut(const std::optional<MenuMemo>& memo) {
    const std::optional<Text> menu = readWholeFile(p_, kBootIni);
    const bool known = memo && !memo->changes.empty();
    if (!menu) return known ? Result(Problem{Code::MenuGoneWhileJob}) : Result();
    if (!known) {
        // Nothing tells which lines a job changed: its entry stays, and so does the rest.
        if (holdsJobEntry(*menu)) return leftAlone(Code::MenuJobUnrecorded);
        return settle(std::nullopt, std::nullopt, *menu);
    }
    const MenuTakeOut taken = takeOutLines(*menu, *memo);
    switch (taken.what) {
        case MenuTaken::Edited: return settle(taken.menu, memo, *menu);
        case MenuTaken::NothingOurs: return settle(std::nullopt, memo, *menu);
        case MenuTaken::EntryGone: return leftAlone(Code::MenuEntryGone);
        case MenuTaken::NotText: return leftAlone(Code::MenuNowNotText);
        case MenuTaken::Twice: return leftAlone(Code::MenuLinesTwice);
        case MenuTaken::NoMemo: break;
    }
    return leftAlone(Code::MenuJobUnrecorded);
}

}  // namespace trivex::job
