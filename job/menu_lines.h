// The lines of the NT boot menu C:\boot.ini that a job owns. A job does not
// own the menu: it changes the [boot loader] section's timeout= and
// default= lines and adds its own entry, and remembers what it changed (the
// job's record keeps it). Taking a job back takes out exactly those lines
// from the menu as it is then, wherever they moved, and keeps every other
// byte: entries, sections and line ends the user or an installer changed
// while the job waited stay as they are.
//
// Plain functions on the menu's bytes, so that the DOS side's jobtool (which
// does the same with the record's lines) and the fuzz target can be held to
// them.
//
// Lines end at a line feed; a carriage return right before it belongs to the
// line end, any other one to the line. A menu's last line may have no end.
// Two lines are the same line when they are equal with spaces and tabs at
// both ends dropped and ASCII letters in lower case (as the NT loader
// compares keys); a line of more than kMenuLineLimit bytes is never one of
// the job's.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/machine.h"

namespace trivex::job {

inline constexpr size_t kMenuLineLimit = 255;

// One line a job wrote, and the user's line it took the place of.
struct MenuChange {
    Text line;  // as the job wrote it, without spaces at its end or its line end
    Text was;   // the user's line, without spaces and tabs at its end; empty: the job added the line
    bool operator==(const MenuChange&) const = default;
};

// What a job changed in the menu: its entry first, then the timeout= and
// default= lines; and the checksum (menuSum) of the user's menu, which the
// job keeps as C:\boot.bak.
struct MenuMemo {
    std::vector<MenuChange> changes;
    Text savedSum;
    bool operator==(const MenuMemo&) const = default;
};

enum class MenuRefusal {
    None,
    NotText,               // UTF-16, or a zero byte
    WithoutLoaderSection,  // no [boot loader] section, or its heading is the last line
    WithoutSystems,        // no [operating systems] section with an entry: Windows would be out of reach
    Redirected,            // the job's entry is there already
    Unusual,               // a line that would make the job's lines ambiguous (`line` says which)
};

struct MenuPlan {
    MenuRefusal refusal = MenuRefusal::None;
    Text line;        // with Unusual: the line
    Text redirected;  // the menu a job writes
    MenuMemo memo;    // and what it changed
};

// What a job writes instead of `menu`: timeout=2 and default=C:\grldr in
// the [boot loader] section (in place of the user's lines, whose spaces at
// the end stay, or right after the section's heading when it has none), and
// the entry "C:\grldr=Trivex Ghost" right after the [operating systems]
// heading, each new line ended as its heading is. Every other byte stays.
// Refused (nothing to write) when the job's lines could not be told from
// the user's later: a timeout= or default= line twice in the section, a
// line elsewhere that reads as one of the job's, a [boot loader] section
// twice, a key line that is not plain ASCII or longer than 200 bytes.
MenuPlan planRedirect(const Text& menu);

enum class MenuTaken {
    Edited,       // `menu` holds the menu without the job's lines
    NothingOurs,  // the job's entry is not in the menu: nothing to take out
    EntryGone,    // the job's entry is gone, but a line of the job's that names the loader is there
    NotText,      // a zero byte: the menu cannot be read as lines
    Twice,        // a line of the job's is there more than once
    NoMemo,       // nothing is known of what the job changed
};

struct MenuTakeOut {
    MenuTaken what = MenuTaken::NoMemo;
    Text menu;
};

// The menu without the job's lines: each line of the job's is replaced by
// the user's line it took the place of (followed by the spaces at its own
// end and its own line end) or, where the job added it, dropped with its
// line end. Everything else stays byte for byte. Only while the job's entry
// (the memo's first line) is in the menu: without it, no other line can be
// told as the job's (and one that still names the loader, default=C:\grldr,
// makes the menu one that is neither the job's nor the user's).
MenuTakeOut takeOutLines(const Text& menu, const MenuMemo& memo);

// The job's entry is a line of the menu.
bool holdsJobEntry(const Text& menu);

// A line of the menu names the loader C:\grldr: an entry of it, or
// default= it. True for a menu that cannot be read as lines (a zero byte).
bool namesLoader(const Text& menu);

// The checksum a record keeps of the saved menu: FNV-1a (32 bits) of the
// bytes, 8 upper-case hex digits.
Text menuSum(const Text& bytes);

}  // namespace trivex::job
