#include "job/boot_menu.h"

#include <vector>

#include "job/files.h"
#include "payloads/handoff.h"
#include "platform/files.h"
#include "platform/text.h"

namespace trivex::job {

namespace {

constexpr auto kLoaderSection =
    handoff::join("[boot loader]\r\ntimeout=2\r\ndefault=", handoff::kLoaderPath.text, "\r\n");
constexpr auto kMenuEntry = handoff::join(handoff::kLoaderPath.text, "=Trivex Ghost");
constexpr char kSystemsSection[] = "[operating systems]";
constexpr char kCrLf[] = "\r\n";
// The old menu carries at least its lines 4 to 7 into the new one.
constexpr size_t kCarriedLines = 4;

// ASCII letters in lower case, spaces and tabs at both ends removed: how the
// NT loader compares section names and keys.
Text folded(const Text& line) {
    size_t a = 0, b = line.size();
    while (a < b && (line[a] == ' ' || line[a] == '\t')) ++a;
    while (b > a && (line[b - 1] == ' ' || line[b - 1] == '\t')) --b;
    Text out = line.substr(a, b - a);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// The menu's lines: a byte-order mark dropped, text after a 0x1A end marker
// ignored, lines ended by CR LF, LF or CR alone. A last line end does not
// start another line.
std::vector<Text> menuLines(Text menu) {
    if (menu.compare(0, 3, "\xEF\xBB\xBF") == 0) menu.erase(0, 3);
    if (const size_t end = menu.find('\x1A'); end != Text::npos) menu.resize(end);
    std::vector<Text> lines;
    size_t start = 0;
    for (size_t i = 0; i < menu.size(); ++i) {
        if (menu[i] != '\r' && menu[i] != '\n') continue;
        lines.push_back(menu.substr(start, i - start));
        if (menu[i] == '\r' && i + 1 < menu.size() && menu[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < menu.size()) lines.push_back(menu.substr(start));
    return lines;
}

bool isSectionLine(const Text& line) {
    const Text f = folded(line);
    return !f.empty() && f[0] == '[';
}

uint32_t protectionOf(Machine& p, const char* path) {
    const int64_t a = p.fileAttributes(path);
    return a < 0 ? 0 : static_cast<uint32_t>(a) & kProtection;
}

}  // namespace

bool isRedirectedMenu(const Text& menu) {
    // The whole text as redirectMenuText writes it: a user's own menu that
    // merely starts C:\grldr by default is not a job of ours.
    const size_t head = kLoaderSection.length, tail = kMenuEntry.length;
    if (menu.size() < head + tail || menu.compare(0, head, kLoaderSection.text) != 0 ||
        menu.compare(menu.size() - tail, tail, kMenuEntry.text) != 0)
        return false;
    const Text carried = menu.substr(head, menu.size() - head - tail);
    std::vector<Text> lines;
    for (size_t at = 0; at < carried.size();) {
        const size_t end = carried.find(kCrLf, at);
        if (end == Text::npos) return false;
        lines.push_back(carried.substr(at, end - at));
        at = end + 2;
    }
    if (lines.size() < kCarriedLines || folded(lines[0]) != kSystemsSection) return false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find_first_of(Text("\r\n\0\x1A", 4)) != Text::npos) return false;
        if (i > 0 && isSectionLine(lines[i])) return false;
    }
    return true;
}

Expected<Text> redirectMenuText(const Text& userMenu) {
    const bool utf16 = userMenu.compare(0, 2, "\xFF\xFE") == 0 || userMenu.compare(0, 2, "\xFE\xFF") == 0;
    if (utf16 || userMenu.find('\0') != Text::npos) return Problem{Code::MenuNotText};
    const std::vector<Text> lines = menuLines(userMenu);
    size_t at = 0;
    while (at < lines.size() && folded(lines[at]) != kSystemsSection) ++at;
    std::vector<Text> carried;
    bool entry = false;
    for (size_t i = at; i < lines.size() && (i == at || !isSectionLine(lines[i])); ++i) {
        carried.push_back(lines[i]);
        const Text f = folded(lines[i]);
        entry = entry || (i > at && !f.empty() && f[0] != ';');
    }
    if (!entry) return Problem{Code::MenuWithoutSystems};
    while (carried.size() < kCarriedLines) carried.emplace_back();
    Text menu = kLoaderSection.text;
    for (const Text& line : carried) menu += line + kCrLf;
    menu += kMenuEntry.text;
    return menu;
}

bool BootMenu::isRedirected() {
    const std::optional<Text> menu = readWholeFile(p_, kBootIni);
    return menu && isRedirectedMenu(*menu);
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
    if (menu && !isRedirectedMenu(*menu) && p_.fileAttributes(kBootBak) < 0)
        (void)writeSaved(*menu, protectionOf(p_, kBootIni));
    (void)unprotect(kBootIni);
}

Result BootMenu::check() {
    if (!isFile(p_, kBootIni)) return Problem{Code::NoBootIni};
    const std::optional<Text> menu = readWholeFile(p_, kBootIni);
    if (!menu) return Problem{Code::MenuUnreadable};
    if (!isRedirectedMenu(*menu)) return redirectMenuText(*menu).result();
    // A job is prepared already: the user's menu is the saved one.
    const std::optional<Text> saved = readWholeFile(p_, kBootBak);
    if (!saved) return Problem{Code::SavedMenuMissing};
    if (isRedirectedMenu(*saved)) return Problem{Code::SavedMenuNotTheMenu};
    return redirectMenuText(*saved).result();
}

Result BootMenu::redirect() {
    const std::optional<Text> menu = readWholeFile(p_, kBootIni);
    if (!menu) return Problem{Code::ReadMenuFailed};
    if (isRedirectedMenu(*menu)) return Problem{Code::MenuStillRedirected};
    const int64_t a = p_.fileAttributes(kBootIni);
    before_ = {*menu, a < 0 ? 0u : static_cast<uint32_t>(a), isFile(p_, kBootBak)};
    changing_ = true;
    const Expected<Text> redirected = redirectMenuText(*menu);
    if (!redirected) return redirected.problem();
    // The saved menu is whole on the disk before boot.ini points anywhere new.
    if (Result r = refreshSaved(*menu); !r) return r;
    if (Result r = unprotect(kBootIni); !r) return r;
    if (const SysResult r = p_.writeFileWhole(kBootIni, {bytesOf(*redirected)}); !r)
        return stepFailed(Code::RewriteMenuFailed, {}, r);
    return {};
}

Result BootMenu::takeBack() {
    if (!changing_) return {};
    changing_ = false;
    std::optional<Text> now = readWholeFile(p_, kBootIni);
    SysResult rewritten;
    if (!now || *now != before_.menu) {
        (void)unprotect(kBootIni);
        rewritten = p_.writeFileWhole(kBootIni, {bytesOf(before_.menu)});  // judged by what it reads back
        now = readWholeFile(p_, kBootIni);
    }
    if (!now || *now != before_.menu) return stepFailed(Code::RestoreMenuFailed, {}, rewritten);

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

Result BootMenu::restore() {
    const std::optional<Text> menu = readWholeFile(p_, kBootIni);
    const bool redirected = menu && isRedirectedMenu(*menu);
    const std::optional<Text> saved = readWholeFile(p_, kBootBak);
    if (!saved) return redirected ? Result(Problem{Code::SavedMenuGone}) : Result();
    if (isRedirectedMenu(*saved)) return Problem{Code::SavedMenuNotOriginal};
    // boot.ini is the user's own, newer menu: the old copy must not replace it.
    if (menu && !redirected && *menu != *saved) return {};
    if (Result r = unprotect(kBootIni); !r) return r;
    if (const SysResult r = p_.replaceFile(kBootBak, kBootIni); !r) return stepFailed(Code::MenuFromSavedFailed, {}, r);
    return {};
}

}  // namespace trivex::job
