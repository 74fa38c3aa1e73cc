#include "job/menu_lines.h"

#include <cstdint>

#include "payloads/handoff.h"

namespace trivex::job {

namespace {

constexpr auto kEntryLine = handoff::join(handoff::kLoaderPath.text, "=Trivex Ghost");
constexpr auto kDefaultLine = handoff::join("default=", handoff::kLoaderPath.text);
constexpr char kTimeoutLine[] = "timeout=2";
constexpr char kLoaderSection[] = "[boot loader]";
constexpr char kSystemsSection[] = "[operating systems]";
// A user's timeout= or default= line travels in the job's record and the
// DOS side's line buffers: plain ASCII, and no longer than this.
constexpr size_t kKeptLineLimit = 200;

// A line of the menu: its text, and its end ("\r\n", "\n" or none).
struct Line {
    size_t at = 0, length = 0, endLength = 0;
};

std::vector<Line> linesOf(const Text& menu) {
    std::vector<Line> lines;
    for (size_t at = 0; at < menu.size();) {
        const size_t lf = menu.find('\n', at);
        Line l{at, (lf == Text::npos ? menu.size() : lf) - at, lf == Text::npos ? 0u : 1u};
        if (l.endLength && l.length && menu[lf - 1] == '\r') {
            --l.length;
            ++l.endLength;
        }
        lines.push_back(l);
        at = l.at + l.length + l.endLength;
    }
    return lines;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Spaces and tabs at both ends dropped, ASCII letters in lower case.
Text folded(const Text& text) {
    size_t a = 0, b = text.size();
    while (a < b && isBlank(text[a])) ++a;
    while (b > a && isBlank(text[b - 1])) --b;
    Text out = text.substr(a, b - a);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// The spaces and tabs a text ends with.
size_t blanksAtEnd(const Text& text) {
    size_t n = 0;
    while (n < text.size() && isBlank(text[text.size() - 1 - n])) ++n;
    return n;
}

bool isText(const Text& menu) {
    const bool utf16 = menu.compare(0, 2, "\xFF\xFE") == 0 || menu.compare(0, 2, "\xFE\xFF") == 0;
    return !utf16 && menu.find('\0') == Text::npos;
}

// The key of a "key=value" line, folded; empty when it has no "=".
Text keyOf(const Text& foldedText) {
    const size_t eq = foldedText.find('=');
    if (eq == Text::npos) return {};
    return folded(foldedText.substr(0, eq));
}

bool isPlainAscii(const Text& text) {
    for (char c : text)
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || static_cast<unsigned char>(c) >= 0x7F) return false;
    return true;
}

// The lines of a menu with their texts, folded texts and ends.
struct Menu {
    const Text& bytes;
    std::vector<Line> lines = linesOf(bytes);
    Text text(size_t i) const { return bytes.substr(lines[i].at, lines[i].length); }
    Text end(size_t i) const { return bytes.substr(lines[i].at + lines[i].length, lines[i].endLength); }
    // The folded text; a UTF-8 byte-order mark before the first line dropped.
    Text foldedAt(size_t i) const {
        Text t = text(i);
        if (i == 0 && t.compare(0, 3, "\xEF\xBB\xBF") == 0) t.erase(0, 3);
        return folded(t);
    }
    bool isHeading(size_t i) const {
        const Text f = foldedAt(i);
        return !f.empty() && f[0] == '[';
    }
};

// Which of the memo's lines the line is, or -1.
int changeOf(const Text& text, const MenuMemo& memo) {
    if (text.size() > kMenuLineLimit) return -1;
    const Text f = folded(text);
    for (size_t k = 0; k < memo.changes.size(); ++k)
        if (f == folded(memo.changes[k].line)) return static_cast<int>(k);
    return -1;
}

}  // namespace

MenuPlan planRedirect(const Text& menu) {
    MenuPlan plan;
    const auto refuse = [&plan](MenuRefusal why, Text line = {}) {
        plan.refusal = why;
        plan.line = std::move(line);
        return plan;
    };
    if (!isText(menu)) return refuse(MenuRefusal::NotText);
    const Menu m{menu};
    const size_t none = m.lines.size();
    size_t loader = none, systems = none, timeout = none, defaultAt = none;
    bool entry = false;
    const Text ours[] = {folded(kEntryLine.text), folded(kTimeoutLine), folded(kDefaultLine.text)};
    for (size_t i = 0, section = none; i < m.lines.size(); ++i) {
        const Text f = m.foldedAt(i);
        if (m.isHeading(i)) {
            section = i;
            if (f == kLoaderSection) {
                if (loader != none) return refuse(MenuRefusal::Unusual, m.text(i));
                loader = i;
            } else if (f == kSystemsSection && systems == none) {
                systems = i;
            }
            continue;
        }
        if (section == systems && systems != none && !f.empty() && f[0] != ';') entry = true;
        if (section == loader && loader != none) {
            const Text key = keyOf(f);
            size_t* at = key == "timeout" ? &timeout : key == "default" ? &defaultAt : nullptr;
            if (at) {
                if (*at != none) return refuse(MenuRefusal::Unusual, m.text(i));
                const Text t = m.text(i);
                if (t.size() > kKeptLineLimit || !isPlainAscii(t)) return refuse(MenuRefusal::Unusual, t);
                *at = i;
                continue;
            }
        }
        if (f == ours[0]) return refuse(MenuRefusal::Redirected);
        if (f == ours[1] || f == ours[2]) return refuse(MenuRefusal::Unusual, m.text(i));
    }
    if (loader == none || m.lines[loader].endLength == 0) return refuse(MenuRefusal::WithoutLoaderSection);
    if (!entry) return refuse(MenuRefusal::WithoutSystems);

    // The user's line without the spaces at its end, which stay on the job's line.
    const auto was = [&m, none](size_t i) {
        if (i == none) return Text();
        const Text t = m.text(i);
        return t.substr(0, t.size() - blanksAtEnd(t));
    };
    plan.memo.changes = {{kEntryLine.text, ""}, {kTimeoutLine, was(timeout)}, {kDefaultLine.text, was(defaultAt)}};
    plan.memo.savedSum = menuSum(menu);
    Text& out = plan.redirected;
    for (size_t i = 0; i < m.lines.size(); ++i) {
        const Text t = m.text(i);
        if (i == timeout || i == defaultAt) {
            out += (i == timeout ? Text(kTimeoutLine) : Text(kDefaultLine.text)) + t.substr(t.size() - blanksAtEnd(t));
        } else {
            out += t;
        }
        out += m.end(i);
        if (i == loader) {
            if (timeout == none) out += kTimeoutLine + m.end(i);
            if (defaultAt == none) out += kDefaultLine.text + m.end(i);
        }
        if (i == systems) out += kEntryLine.text + m.end(i);
    }
    return plan;
}

MenuTakeOut takeOutLines(const Text& menu, const MenuMemo& memo) {
    MenuTakeOut r;
    if (memo.changes.empty()) return r;
    if (menu.find('\0') != Text::npos) {
        r.what = MenuTaken::NotText;
        return r;
    }
    const Menu m{menu};
    std::vector<int> change(m.lines.size());
    std::vector<int> count(memo.changes.size());
    for (size_t i = 0; i < m.lines.size(); ++i)
        if ((change[i] = changeOf(m.text(i), memo)) >= 0) ++count[static_cast<size_t>(change[i])];
    if (count[0] == 0) {
        r.what = MenuTaken::NothingOurs;
        for (size_t k = 1; k < count.size(); ++k) {
            const MenuChange& c = memo.changes[k];
            if (count[k] && folded(c.was) != folded(c.line) && namesLoader(c.line)) r.what = MenuTaken::EntryGone;
        }
        if (r.what == MenuTaken::NothingOurs) r.menu = menu;
        return r;
    }
    for (int n : count)
        if (n > 1) {
            r.what = MenuTaken::Twice;
            return r;
        }
    r.what = MenuTaken::Edited;
    for (size_t i = 0; i < m.lines.size(); ++i) {
        const Text t = m.text(i);
        if (change[i] < 0) {
            r.menu += t + m.end(i);
            continue;
        }
        const Text& was = memo.changes[static_cast<size_t>(change[i])].was;
        if (!was.empty()) r.menu += was + t.substr(t.size() - blanksAtEnd(t)) + m.end(i);
    }
    return r;
}

bool holdsJobEntry(const Text& menu) {
    const Menu m{menu};
    for (size_t i = 0; i < m.lines.size(); ++i)
        if (m.lines[i].length <= kMenuLineLimit && folded(m.text(i)) == folded(kEntryLine.text)) return true;
    return false;
}

bool namesLoader(const Text& menu) {
    if (menu.find('\0') != Text::npos) return true;
    const Menu m{menu};
    const Text loader = folded(handoff::kLoaderPath.text);
    for (size_t i = 0; i < m.lines.size(); ++i) {
        const Text f = m.foldedAt(i);
        const size_t eq = f.find('=');
        if (eq == Text::npos) continue;
        const Text key = folded(f.substr(0, eq)), value = folded(f.substr(eq + 1));
        if (key == loader || (key == "default" && value == loader)) return true;
    }
    return false;
}

Text menuSum(const Text& bytes) {
    uint32_t h = 2166136261u;
    for (char c : bytes) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    static const char kHex[] = "0123456789ABCDEF";
    Text out(8, '0');
    for (size_t i = 8; i-- > 0; h >>= 4) out[i] = kHex[h & 15];
    return out;
}

}  // namespace trivex::job
