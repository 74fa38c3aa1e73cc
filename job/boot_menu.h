// The NT boot menu C:\boot.ini and its one owner. A job keeps the user's
// menu as C:\boot.bak, byte for byte, and changes only the lines it needs
// (job/menu_lines.h): timeout=2, default=C:\grldr and its own entry, so
// that the menu starts C:\grldr after 2 seconds while every entry of the
// user's stays one choice away. What it changed is kept in the job's
// record. Taking the job back (undo here, the next start's repair, or the
// DOS side before Ghost runs) takes exactly those lines out of the menu as
// it is then and keeps every change the user made meanwhile; C:\boot.bak,
// the job's copy, goes once the menu is the user's again.
//
// The image file button saves, the job checks and redirects (and takes its
// redirection back when a later step fails), undo and repair take it out:
// all of them go through BootMenu.
#pragma once

#include <cstdint>
#include <optional>

#include "job/menu_lines.h"
#include "platform/problem.h"

namespace trivex::job {

class BootMenu {
public:
    explicit BootMenu(Machine& p) : p_(p) {}

    // After each use of the image file button: while boot.ini holds no
    // entry of a job and there is no boot.bak, boot.ini is saved as boot.bak
    // (written whole, with the menu's protection); then boot.ini's
    // read-only, hidden and system attributes are cleared so that a job can
    // rewrite it. A boot.bak that is there already is left alone: the job
    // checks it. Failures are left for the job to find: redirect() checks
    // everything again.
    void save();

    // Why a job cannot redirect the menu; done when it can. Writes nothing.
    // A menu that holds a job's entry already is an earlier job, which is
    // undone first: then check() is done and plans nothing, and the job
    // checks again once the earlier one is gone.
    Result check();
    // After a check() that planned the redirection: what redirect() will
    // change, for the job's record.
    const std::optional<MenuMemo>& memo() const { return memo_; }

    // Makes sure boot.bak holds the user's menu byte for byte (written whole,
    // the bytes checked, the menu's protection given), then rewrites boot.ini
    // whole as check() planned it. A boot.bak that differs from the menu
    // cannot be told as ours: it is first renamed to a free name
    // (C:\boot-1.bak ...) and notice() says so. Refused when the menu is not
    // the one check() planned for. What it changed is remembered for takeBack().
    Result redirect();
    // What the user should be told about a successful redirect(), if anything.
    const std::optional<Problem>& notice() const { return notice_; }

    // Takes this job's lines out of boot.ini again and gives it back the
    // attributes redirect() found; removes a boot.bak that redirect() made
    // and gives a boot.bak it set aside its name back. Done when all of it
    // worked, else each step that failed.
    Result takeBack();

    // Undo and repair: takes the lines `memo` lists (a job's record) out of
    // boot.ini as it is now, keeping every other byte, and gives the menu the
    // protection of the job's boot.bak, which then goes (it is the job's when
    // its checksum is the memo's; without a job, when it is boot.ini byte for
    // byte). A menu that cannot be read as the job's lines and the user's, a
    // job's entry without a memo, and a missing boot.ini while a job waits
    // are left alone, and the problem says what the user should check.
    Result takeOut(const std::optional<MenuMemo>& memo);

    // boot.ini holds a job's entry: the next start offers the loader.
    bool isRedirected();
    // A line of boot.ini names the loader C:\grldr (an entry of it, or
    // default= it), or boot.ini cannot be read: the loader must stay.
    bool namesLoader();

private:
    // Brings boot.bak up to date with `menu`.
    Result refreshSaved(const Text& menu);
    // Writes boot.bak whole with `menu` and gives it `protection`.
    Result writeSaved(const Text& menu, uint32_t protection);
    // Clears the protection bits of `path` when it has any.
    Result unprotect(const char* path);
    // boot.bak is the job's copy of the menu (see takeOut()).
    bool savedIsOurs(const std::optional<MenuMemo>& memo, const Text& menuNow);
    // boot.ini becomes `menu` (nullopt: it stays), with its protection and
    // that of boot.bak when boot.bak is the job's, which then goes.
    Result settle(const std::optional<Text>& menu, const std::optional<MenuMemo>& memo, const Text& menuNow);

    Machine& p_;
    std::optional<MenuPlan> plan_;  // check()'s
    Text planned_;                  // the menu it planned for
    std::optional<MenuMemo> memo_;
    struct Found {
        Text menu;               // boot.ini's bytes
        uint32_t attributes = 0; // and attributes
        bool bakExisted = false;
    } before_;
    bool changing_ = false;  // redirect() has started to change things
    Text setAside_;          // where the user's boot.bak waits
    std::optional<Problem> notice_;
};

}  // namespace trivex::job
