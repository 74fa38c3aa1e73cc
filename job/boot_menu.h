// The NT boot menu C:\boot.ini and its one owner. A job keeps the user's
// menu as C:\boot.bak, byte for byte, and rewrites boot.ini so that it
// starts C:\grldr by default after 2 seconds while every entry of the old
// menu stays selectable. The menu comes back when boot.bak replaces boot.ini:
// undo here, or the DOS side before Ghost runs.
//
// The image file button saves, the job checks and redirects (and takes its
// redirection back when a later step fails), undo restores: all of them go
// through BootMenu.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/problem.h"

namespace trivex::job {

// Whether a menu is the whole text that redirectMenuText writes (the loader
// section, the carried [operating systems] lines, the loader entry): a job
// has been prepared and has neither run nor been undone. A menu of the
// user's own that happens to start C:\grldr by default is not.
bool isRedirectedMenu(const Text& menu);

// The redirected menu made from a user's menu, or why it cannot be made:
// the new loader section, then every line of the old [operating systems]
// section (any line ends, with or without a UTF-8 byte-order mark), at least
// four lines with missing ones left empty, each ended by CR LF, then the
// loader entry. A menu in UTF-16, one holding a zero byte, and one without
// an [operating systems] entry are refused: the Windows entries would be lost.
Expected<Text> redirectMenuText(const Text& userMenu);

class BootMenu {
public:
    explicit BootMenu(Machine& p) : p_(p) {}

    // After each use of the image file button: while boot.ini is not
    // redirected and there is no boot.bak, boot.ini is saved as boot.bak
    // (written whole, with the menu's protection); then boot.ini's
    // read-only, hidden and system attributes are cleared so that a job can
    // rewrite it. A boot.bak that is there already is left alone: the job
    // checks it. Failures are left for the job to find: redirect() checks
    // everything again.
    void save();

    // Why a job cannot redirect the menu; done when it can. Writes nothing.
    Result check();

    // Makes sure boot.bak holds the user's menu byte for byte (written whole,
    // the bytes checked, the menu's protection given), then rewrites boot.ini
    // whole. A boot.bak that differs from the menu cannot be told as ours: it
    // is first renamed to a free name (C:\boot-1.bak ...) and notice() says
    // so. boot.ini must not be redirected already (an earlier job is undone
    // first). What it changed is remembered for takeBack().
    Result redirect();
    // What the user should be told about a successful redirect(), if anything.
    const std::optional<Problem>& notice() const { return notice_; }

    // Puts boot.ini (bytes and attributes) back as redirect() found it,
    // removes a boot.bak that redirect() made and gives a boot.bak it set
    // aside its name back. Done when all of it worked, else each step that
    // failed.
    Result takeBack();

    // Undo: the saved menu replaces the redirected one in one step (boot.ini's
    // attributes cleared, then boot.bak moved over it), so that there is
    // never a moment without boot.ini. A saved copy older than a boot.ini
    // that is not redirected is left alone.
    Result restore();

    // boot.ini is redirected now.
    bool isRedirected();

private:
    // Brings boot.bak up to date with `menu`.
    Result refreshSaved(const Text& menu);
    // Writes boot.bak whole with `menu` and gives it `protection`.
    Result writeSaved(const Text& menu, uint32_t protection);
    // Clears the protection bits of `path` when it has any.
    Result unprotect(const char* path);

    Machine& p_;
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
