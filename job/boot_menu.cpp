#include "job/boot_menu.h"

#include <vector>

#include "job/files.h"
#include "job/handoff.h"
#include "job/job_files.h"
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

Redirection redirectMenuText(const Text& userMenu) {
    const bool utf16 = userMenu.compare(0, 2, "\xFF\xFE") == 0 || userMenu.compare(0, 2, "\xFE\xFF") == 0;
    if (utf16 || userMenu.find('\0') != Text::npos)
        return {{}, "C:\\boot.ini 不是普通文本（UTF-16 编码或含有空字节），无法安全地改写启动菜单。"};
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
    if (!entry)
        return {{}, "C:\\boot.ini 中没有 [operating systems] 段或其中没有系统项，改写后将无法回到 Windows，"
                    "本程序不会改写它。"};
    while (carried.size() < kCarriedLines) carried.emplace_back();
    Text menu = kLoaderSection.text;
    for (const Text& line : carried) menu += line + kCrLf;
    menu += kMenuEntry.text;
    return {menu, {}};
}

bool BootMenu::isRedirected() {
    const std::optional<Text> menu = readWholeFile(p_, kBootIni);
    return menu && isRedirectedMenu(*menu);
}

Text BootMenu::unprotect(const char* path) {
    if (setProtection(p_, path, 0)) return {};
    return Text("去掉 ") + path + " 的只读、隐藏和系统属性失败";
}

Text BootMenu::writeSaved(const Text& menu, uint32_t protection) {
    if (Text failure = unprotect(kBootBak); !failure.empty()) return failure;
    if (!p_.writeFileWhole(kBootBak, {bytesOf(menu)})) return "把 C:\\boot.ini 备份为 C:\\boot.bak 失败";
    const std::optional<Text> copy = readWholeFile(p_, kBootBak);
    if (!copy || *copy != menu) return "C:\\boot.bak 与 C:\\boot.ini 的内容不一致，备份启动菜单失败";
    if (!setProtection(p_, kBootBak, protection)) return "设置 C:\\boot.bak 的属性失败";
    return {};
}

Text BootMenu::refreshSaved(const Text& menu) {
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
        if (free.empty() || !p_.renameFile(kBootBak, free))
            return "C:\\boot.bak 已存在，但不是现在的启动菜单，也无法把它改名移开";
        setAside_ = free;
        notice_ = "C:\\boot.bak 已存在，但它不是现在的启动菜单，可能是您自己保存的文件。为了不覆盖它，"
                  "已把它改名为 " + free + "，内容没有改动。";
    }
    return writeSaved(menu, protection);
}

void BootMenu::save() {
    const std::optional<Text> menu = readWholeFile(p_, kBootIni);
    // Only a boot.bak this program can tell as its own is written: none yet.
    // One that differs from the menu is left for the job, which sets it aside.
    if (menu && !isRedirectedMenu(*menu) && p_.fileAttributes(kBootBak) < 0)
        writeSaved(*menu, protectionOf(p_, kBootIni));
    unprotect(kBootIni);
}

Text BootMenu::check() {
    if (!isFile(p_, kBootIni))
        return "找不到 C:\\boot.ini：本机不是用 boot.ini 启动的系统，无法用本程序安排 Ghost 任务。";
    const std::optional<Text> menu = readWholeFile(p_, kBootIni);
    if (!menu) return "读取 C:\\boot.ini 失败，无法改写启动菜单。";
    if (!isRedirectedMenu(*menu)) return redirectMenuText(*menu).refusal;
    // A job is prepared already: the user's menu is the saved one.
    const std::optional<Text> saved = readWholeFile(p_, kBootBak);
    if (!saved)
        return "C:\\boot.ini 已被改写，但找不到原来的启动菜单备份 C:\\boot.bak，无法继续。请先修复启动菜单。";
    if (isRedirectedMenu(*saved)) return "C:\\boot.bak 不是原来的启动菜单，无法继续。请先修复启动菜单。";
    return redirectMenuText(*saved).refusal;
}

Text BootMenu::redirect() {
    const std::optional<Text> menu = readWholeFile(p_, kBootIni);
    if (!menu) return "读取 C:\\boot.ini 失败";
    if (isRedirectedMenu(*menu)) return "C:\\boot.ini 仍指向 C:\\grldr（之前的任务没有撤销）";
    const int64_t a = p_.fileAttributes(kBootIni);
    before_ = {*menu, a < 0 ? 0u : static_cast<uint32_t>(a), isFile(p_, kBootBak)};
    changing_ = true;
    const Redirection r = redirectMenuText(*menu);
    if (!r.refusal.empty()) return r.refusal;
    // The saved menu is whole on the disk before boot.ini points anywhere new.
    if (Text failure = refreshSaved(*menu); !failure.empty()) return failure;
    if (Text failure = unprotect(kBootIni); !failure.empty()) return failure;
    if (!p_.writeFileWhole(kBootIni, {bytesOf(r.menu)})) return "改写 C:\\boot.ini 失败";
    return {};
}

Text BootMenu::takeBack() {
    if (!changing_) return {};
    changing_ = false;
    std::optional<Text> now = readWholeFile(p_, kBootIni);
    if (!now || *now != before_.menu) {
        unprotect(kBootIni);
        (void)p_.writeFileWhole(kBootIni, {bytesOf(before_.menu)});  // judged by what it reads back
        now = readWholeFile(p_, kBootIni);
    }
    if (!now || *now != before_.menu) return "恢复 C:\\boot.ini 失败";

    Text failures;
    if (!setProtection(p_, kBootIni, before_.attributes & kProtection)) failures = "恢复 C:\\boot.ini 的属性失败";
    if ((!before_.bakExisted || !setAside_.empty()) && isFile(p_, kBootBak)) {
        // The copy this job made carries the menu's protection.
        if (!unprotect(kBootBak).empty() || !p_.deleteFile(kBootBak))
            addFailure(failures, "删除本次生成的 C:\\boot.bak 失败");
    }
    // A boot.bak of the user's that waited aside gets its name back.
    if (!setAside_.empty() && p_.fileAttributes(kBootBak) < 0) {
        if (p_.renameFile(setAside_, kBootBak)) notice_.clear();
        else addFailure(failures, "把 " + setAside_ + " 改回 C:\\boot.bak 失败");
    }
    return failures;
}

Text BootMenu::restore() {
    const std::optional<Text> menu = readWholeFile(p_, kBootIni);
    const bool redirected = menu && isRedirectedMenu(*menu);
    const std::optional<Text> saved = readWholeFile(p_, kBootBak);
    if (!saved) return redirected ? "找不到原来的启动菜单备份 C:\\boot.bak" : Text();
    if (isRedirectedMenu(*saved)) return "C:\\boot.bak 不是原来的启动菜单，没有用它替换 C:\\boot.ini";
    // boot.ini is the user's own, newer menu: the old copy must not replace it.
    if (menu && !redirected && *menu != *saved) return {};
    if (Text failure = unprotect(kBootIni); !failure.empty()) return failure;
    if (!p_.replaceFile(kBootBak, kBootIni)) return "用 C:\\boot.bak 恢复 C:\\boot.ini 失败";
    return {};
}

}  // namespace trivex::job
