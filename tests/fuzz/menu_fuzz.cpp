// libFuzzer target: the boot menu's reader (job/menu_lines.h) on any bytes.
// The input is a menu, then (after a byte 0xFF, if any) a line of the
// user's; its first two bytes choose what the user does to the job's menu
// while the job waits and where. What must hold:
//  - a menu the job redirects comes back byte for byte when its lines are
//    taken out, and the redirected menu holds the job's entry and names
//    the loader;
//  - a line the user adds to the job's menu or takes out of it is added to
//    or missing from the menu taken back at the same place, every other
//    byte the same;
//  - without its entry, nothing of the job's is taken out;
//  - on any bytes, a menu taken back holds no entry of the job's and gives
//    nothing more to take out.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "job/menu_lines.h"

using namespace trivex;
using namespace trivex::job;

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

struct Line {
    std::string bytes;  // with its end
    bool dropped;       // a line the job added: taking out drops it
};

std::vector<Line> lines(const std::string& menu, const MenuMemo& memo) {
    std::vector<Line> out;
    for (size_t at = 0; at < menu.size();) {
        const size_t lf = menu.find('\n', at);
        const size_t end = lf == std::string::npos ? menu.size() : lf + 1;
        Line l{menu.substr(at, end - at), false};
        std::string text = l.bytes;
        if (!text.empty() && text.back() == '\n') text.pop_back();
        if (!text.empty() && text.back() == '\r' && lf != std::string::npos) text.pop_back();
        // The job's own line that it added (not one it put in place of the user's).
        const MenuTakeOut alone = takeOutLines(text, MenuMemo{{memo.changes[0]}, ""});
        l.dropped = alone.what == MenuTaken::Edited && alone.menu.empty();
        for (size_t k = 1; k < memo.changes.size() && !l.dropped; ++k)
            if (memo.changes[k].was.empty()) {
                MenuMemo one{{memo.changes[k]}, ""};
                const MenuTakeOut t = takeOutLines(text, one);
                l.dropped = t.what == MenuTaken::Edited && t.menu.empty();
            }
        out.push_back(l);
        at = end;
    }
    return out;
}

std::string joined(const std::vector<Line>& ls) {
    std::string s;
    for (const Line& l : ls) s += l.bytes;
    return s;
}

// `line` can be a line of the user's: no line end or zero byte in it, and
// none of the job's lines in any spelling.
bool isUsersLine(const std::string& line, const MenuMemo& memo) {
    if (line.find('\n') != std::string::npos || line.find('\0') != std::string::npos) return false;
    std::string probe = line;
    if (!probe.empty() && probe.back() == '\r') probe.pop_back();
    for (const MenuChange& c : memo.changes) {
        const MenuTakeOut t = takeOutLines(probe, MenuMemo{{c}, ""});
        if (t.what == MenuTaken::Edited) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const int op = data[0] % 4;
    const size_t where = data[1];
    const std::string rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    const size_t cut = rest.find('\xFF');
    const std::string menu = rest.substr(0, cut), added = cut == std::string::npos ? "" : rest.substr(cut + 1);

    // Any bytes, with the lines of a standard job.
    static const MenuMemo standard =
        planRedirect("[boot loader]\r\ntimeout=30\r\ndefault=a\r\n[operating systems]\r\na=\"A\"\r\n").memo;
    const MenuTakeOut any = takeOutLines(menu, standard);
    (void)namesLoader(menu);
    (void)holdsJobEntry(menu);
    if (any.what == MenuTaken::Edited) {
        check(!holdsJobEntry(any.menu));
        check(takeOutLines(any.menu, standard).what == MenuTaken::NothingOurs);
        check(any.menu.size() <= menu.size() + 2 * 255);
    }
    if (any.what == MenuTaken::NothingOurs) check(any.menu == menu);

    const MenuPlan plan = planRedirect(menu);
    if (plan.refusal != MenuRefusal::None) {
        check(plan.redirected.empty() && plan.memo.changes.empty());
        return 0;
    }
    // Redirected and taken back: the menu byte for byte.
    check(plan.memo.changes.size() == 3 && plan.memo.savedSum == menuSum(menu));
    for (const MenuChange& c : plan.memo.changes) {
        check(c.was.find_first_of(std::string("\r\n\0", 3)) == std::string::npos && c.was.size() <= 200);
        check(c.was.empty() || (c.was.back() != ' ' && c.was.back() != '\t'));
    }
    check(holdsJobEntry(plan.redirected) && namesLoader(plan.redirected));
    const MenuTakeOut back = takeOutLines(plan.redirected, plan.memo);
    check(back.what == MenuTaken::Edited && back.menu == menu);
    check(takeOutLines(back.menu, plan.memo).what == MenuTaken::NothingOurs);
    check(planRedirect(plan.redirected).refusal == MenuRefusal::Redirected);

    // The user changes the job's menu while the job waits.
    std::vector<Line> job = lines(plan.redirected, plan.memo);
    std::vector<Line> user = lines(menu, plan.memo);
    // Which of the user's lines each line of the job's menu is (or comes before).
    std::vector<size_t> mine;
    for (size_t i = 0, j = 0; i < job.size(); ++i) {
        mine.push_back(j);
        if (!job[i].dropped) ++j;
    }
    check(user.size() + 1 + (plan.memo.changes[1].was.empty() ? 1 : 0) + (plan.memo.changes[2].was.empty() ? 1 : 0) ==
          job.size());
    const size_t i = where % job.size();
    if (op == 0 && isUsersLine(added, plan.memo)) {
        // A line added before line i (ended as that line is, when it is).
        const std::string& before = job[i].bytes;
        const std::string end = before.size() >= 2 && before.compare(before.size() - 2, 2, "\r\n") == 0 ? "\r\n" : "\n";
        const Line line{added + end, false};
        job.insert(job.begin() + static_cast<std::ptrdiff_t>(i), line);
        user.insert(user.begin() + static_cast<std::ptrdiff_t>(mine[i]), line);
        const MenuTakeOut t = takeOutLines(joined(job), plan.memo);
        check(t.what == MenuTaken::Edited && t.menu == joined(user));
    } else if (op == 1 && !job[i].dropped && mine[i] < user.size() && job[i].bytes == user[mine[i]].bytes &&
               job[i].bytes.back() == '\n') {
        // One of the user's lines taken out.
        job.erase(job.begin() + static_cast<std::ptrdiff_t>(i));
        user.erase(user.begin() + static_cast<std::ptrdiff_t>(mine[i]));
        const MenuTakeOut t = takeOutLines(joined(job), plan.memo);
        check(t.what == MenuTaken::Edited && t.menu == joined(user));
    } else if (op == 2) {
        // The job's entry taken out: nothing else can be told as the job's.
        for (size_t k = 0; k < job.size(); ++k)
            if (job[k].dropped && takeOutLines(job[k].bytes, MenuMemo{{plan.memo.changes[0]}, ""}).what == MenuTaken::Edited) {
                job.erase(job.begin() + static_cast<std::ptrdiff_t>(k));
                break;
            }
        const MenuTakeOut t = takeOutLines(joined(job), plan.memo);
        check(t.what == MenuTaken::NothingOurs || t.what == MenuTaken::EntryGone);
    } else if (op == 3) {
        // Line ends changed by an editor: the same menu with LF ends (where
        // every CR is part of a line end).
        bool plain = true;
        for (size_t k = 0; k < menu.size(); ++k)
            plain = plain && (menu[k] != '\r' || (k + 1 < menu.size() && menu[k + 1] == '\n'));
        if (plain) {
            std::string lf, userLf;
            for (char c : plan.redirected)
                if (c != '\r') lf += c;
            for (char c : menu)
                if (c != '\r') userLf += c;
            const MenuTakeOut t = takeOutLines(lf, plan.memo);
            check(t.what == MenuTaken::Edited && t.menu == userLf);
        }
    }
    return 0;
}
