// main_window_check.exe [timeout-ms]
//
// Compares the running program's main window with its layout table, as it
// stands once the start-up sequence has run: every control with a window is
// found under its parent at its place, with its class, caption, visibility,
// enabled and checked state, size, list items and status-bar panels. The
// expected values come from the table itself plus the few changes start-up
// makes (listed in `applyStartup`).
//
// Start-up may still be running when this begins (and may wait for a user
// to answer a message box): the check retries until the window matches or
// the time is up. Prints every difference and the window tree; exit code 0
// when it matches. A match also prints, for each control, where it is on the
// screen ("screen <name> <left> <top> <width> <height>"), and for each entry
// of the partition list where its line is ("item <name> <index> <left> <top>
// <width> <height>"), so that a test can look at their pixels in a screenshot.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/wine/inspect/inspect_core.h"
#include "ui/layout.h"
#include "ui/names.h"

namespace {

namespace ui = trivex::ui;
namespace ctl = trivex::ctl;
using trivex::inspect::Control;
using trivex::inspect::Window;
using trivex::inspect::describe;

// The test prefix maps exactly these drives (scripts/wine-env.sh); each has
// free space, so start-up lists all three.
constexpr char kDriveLetters[] = "CDE";
const char kNotBackedUp[] = "尚未用本软件备份系统，请及时备份镜像！";
constexpr int kCentreTolerance = 2;

const char* classOf(ui::Kind kind) {
    switch (kind) {
        case ui::Kind::GroupBox:
        case ui::Kind::Button:
        case ui::Kind::RadioButton:
        case ui::Kind::CheckBox: return "Button";
        case ui::Kind::Label:
        case ui::Kind::TransparentLabel:
        case ui::Kind::PictureBox: return "Static";
        case ui::Kind::Edit: return "Edit";
        case ui::Kind::ListBox: return "ListBox";
        case ui::Kind::ComboBox: return "ComboBox";
        case ui::Kind::StatusBar: return STATUSCLASSNAMEA;
        case ui::Kind::Timer:
        case ui::Kind::FileDialog: return nullptr;
    }
    return nullptr;
}

// One expected control: the values in inspector form, and what may vary.
struct Expected {
    const ui::Control* row = nullptr;
    Control want;
    bool docked = false;      // status bar: along the bottom, full width
    bool anyHeight = false;   // combo box: the closed height follows the font
    int minDropped = -1;      // combo box: its list at least this high when dropped
    std::string driveLetters; // partition list: one entry per letter, "  X:" first
};

Expected expectRow(const ui::Control& row) {
    Expected e;
    e.row = &row;
    Control& c = e.want;
    c.cls = classOf(row.kind);
    c.text = row.caption ? row.caption : "";
    c.visible = !(row.state & ui::kHidden);
    c.enabled = !(row.state & ui::kDisabled);
    if (row.kind == ui::Kind::RadioButton || row.kind == ui::Kind::CheckBox)
        c.checked = (row.state & ui::kChecked) ? 1 : 0;
    c.x = row.x;
    c.y = row.y;
    c.w = row.w;
    c.h = row.h;
    switch (row.kind) {
        case ui::Kind::ListBox:
            c.hasItems = true;
            break;
        case ui::Kind::ComboBox:
            c.hasItems = true;
            for (const char* const* i = row.items; i && *i; ++i) c.items.push_back(*i);
            c.current = 0;
            e.anyHeight = true;
            e.minDropped = row.dropHeight;
            c.droppedHeight = row.dropHeight;
            break;
        case ui::Kind::StatusBar: {
            e.docked = true;
            int edge = 0;
            for (const int* p = row.panelWidths; p && *p != 0; ++p) {
                edge = (*p < 0) ? -1 : edge + *p;
                c.partEdges.push_back(edge);
                if (*p < 0) break;
            }
            for (const char* const* t = row.panelTexts; t && *t; ++t) c.panels.push_back(*t);
            break;
        }
        default:
            break;
    }
    c.depth = 1;
    return e;
}

// What the start-up sequence changes before the window takes input:
// restore mode applied (its column of the mode refresh, the OK button
// disabled), the Ghost32 box disabled, the partition list filled with its
// first entry current, the backed-up check's text in panel 1, the title of
// the advanced options hidden.
void applyStartup(std::map<std::string, Expected*>& byName) {
    auto set = [&](const char* name) -> Control& { return byName.at(name)->want; };
    set(ctl::打开1).text = "打开(&F)";
    set(ctl::编辑框1).text = "";
    set(ctl::压缩组合框).visible = false;
    set(ctl::标签7).visible = false;
    set(ctl::搜索按钮).enabled = true;
    set(ctl::CRC选择框).visible = true;
    set(ctl::确定).enabled = false;
    set(ctl::G选择框).enabled = false;
    set(ctl::标签6).visible = false;
    Expected& list = *byName.at(ctl::列表框1);
    list.driveLetters = kDriveLetters;
    list.want.current = 0;
    for (char letter : list.driveLetters) list.want.items.push_back(std::string("  ") + letter + ":...");
    set(ctl::状态条1).panels.at(1) = kNotBackedUp;
}

// Names of the fields of `got` that differ from `e`.
std::vector<std::string> differences(const Expected& e, const Control& got, const Window& window) {
    const Control& w = e.want;
    std::vector<std::string> out;
    auto check = [&](bool same, const char* field) {
        if (!same) out.push_back(field);
    };
    if (e.docked) {
        check(got.x == 0 && got.w == window.clientW, "full width");
        check(got.y + got.h == window.clientH, "docked at the bottom");
        check(!(got.style & SBARS_SIZEGRIP), "no size grip");
        check(got.partEdges == w.partEdges, "parts");
        check(got.panels == w.panels, "panel texts");
    } else {
        check(got.text == w.text, "text");
        check(got.x == w.x && got.y == w.y, "position");
        check(got.w == w.w && (e.anyHeight || got.h == w.h), "size");
    }
    check(got.visible == w.visible, "visible");
    check(got.enabled == w.enabled, "enabled");
    check(got.checked == w.checked, "checked");
    if (w.hasItems) {
        check(got.current == w.current, "current item");
        if (e.driveLetters.empty()) {
            check(got.items == w.items, "items");
        } else {
            bool same = got.items.size() == e.driveLetters.size();
            for (size_t i = 0; same && i < got.items.size(); ++i) {
                const std::string& item = got.items[i];
                // No CR or LF: a list box draws them as boxes after the sizes.
                same = item.rfind(std::string("  ") + e.driveLetters[i] + ":", 0) == 0 &&
                       item.find_first_of("\r\n") == std::string::npos;
            }
            check(same, "partition entries");
        }
    }
    if (e.minDropped >= 0) check(got.droppedHeight >= e.minDropped, "dropped list height");
    return out;
}

std::vector<std::string> checkWindow(const ui::WindowLayout& layout, const Window& w) {
    std::vector<std::string> out;
    const int outerW = w.rect.right - w.rect.left, outerH = w.rect.bottom - w.rect.top;
    if (w.title != layout.caption) out.push_back("window: title");
    if (!w.visible || !w.enabled) out.push_back("window: visible and enabled");
    if (outerW != layout.outerW || outerH != layout.outerH) out.push_back("window: outer size");
    if (w.style & WS_MAXIMIZEBOX) out.push_back("window: has a maximize button");
    if (w.style & WS_THICKFRAME) out.push_back("window: resizable border");
    if (((w.style & WS_MINIMIZEBOX) != 0) != layout.minimizeBox) out.push_back("window: minimize button");
    if (((w.style & WS_SYSMENU) != 0) != layout.systemMenu) out.push_back("window: system menu");
    const int left = (GetSystemMetrics(SM_CXSCREEN) - outerW) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - outerH) / 2;
    if (std::abs(w.rect.left - left) > kCentreTolerance || std::abs(w.rect.top - top) > kCentreTolerance)
        out.push_back("window: not centred on the screen");
    return out;
}

struct Result {
    std::vector<std::string> problems;
    std::map<std::string, HWND> windows;  // layout name -> its window
};

Result compare(const ui::WindowLayout& layout, const Window& window) {
    Result r;
    r.problems = checkWindow(layout, window);
    if (!r.problems.empty()) r.problems.insert(r.problems.begin(), describe(window));

    std::vector<Expected> expected;
    expected.reserve(layout.count);
    for (size_t i = 0; i < layout.count; ++i)
        if (classOf(layout.controls[i].kind)) expected.push_back(expectRow(layout.controls[i]));
    std::map<std::string, Expected*> byName;
    for (Expected& e : expected) byName[e.row->name] = &e;
    applyStartup(byName);

    std::map<std::string, const Control*> found;  // layout name -> its window
    std::set<const Control*> matched;
    for (Expected& e : expected) {
        const std::vector<Control>* siblings = &window.children;
        int depth = 1;
        if (e.row->parent) {
            auto p = found.find(e.row->parent);
            if (p == found.end()) {
                r.problems.push_back(std::string(e.row->name) + ": missing (its group box is missing)");
                continue;
            }
            siblings = &p->second->children;
            depth = p->second->depth + 1;
        }
        e.want.depth = depth;
        const Control* got = nullptr;
        for (const Control& c : *siblings) {
            if (matched.count(&c) || lstrcmpiA(c.cls.c_str(), e.want.cls.c_str()) != 0) continue;
            if (e.docked || (c.x == e.want.x && c.y == e.want.y)) {
                got = &c;
                break;
            }
        }
        if (!got) {
            r.problems.push_back(std::string(e.row->name) + ": missing; expected " + describe(e.want));
            continue;
        }
        matched.insert(got);
        found[e.row->name] = got;
        r.windows[e.row->name] = got->hwnd;
        std::vector<std::string> diff = differences(e, *got, window);
        if (diff.empty()) continue;
        std::string fields;
        for (const std::string& f : diff) fields += (fields.empty() ? "" : ", ") + f;
        r.problems.push_back(std::string(e.row->name) + ": differs in " + fields);
        r.problems.push_back("  expected " + describe(e.want));
        r.problems.push_back("  actual   " + describe(*got));
    }
    auto extras = [&](const auto& self, const std::vector<Control>& v) -> void {
        for (const Control& c : v) {
            if (!matched.count(&c)) r.problems.push_back("unexpected control: " + describe(c));
            self(self, c.children);
        }
    };
    extras(extras, window.children);
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    trivex::inspect::binaryStdio();
    const DWORD timeout = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 30000;
    const ui::WindowLayout& layout = ui::layoutOf(trivex::WindowId::Main);
    const DWORD start = GetTickCount();
    for (;;) {
        HWND hwnd = trivex::inspect::findWindow(layout.caption);
        Window window;
        Result result;
        if (hwnd) {
            window = trivex::inspect::inspectWindow(hwnd);
            result = compare(layout, window);
        } else {
            result.problems.push_back("no window titled " + trivex::inspect::quoted(layout.caption));
        }
        if (result.problems.empty()) {
            std::printf("the main window matches its layout\n");
            trivex::inspect::printTree(stdout, window);
            for (const auto& [name, h] : result.windows) {
                RECT s;
                if (GetWindowRect(h, &s))
                    std::printf("screen %s %ld %ld %ld %ld\n", name.c_str(), s.left, s.top, s.right - s.left,
                                s.bottom - s.top);
            }
            const HWND list = result.windows[ctl::列表框1];
            const LRESULT items = SendMessageA(list, LB_GETCOUNT, 0, 0);
            for (LRESULT i = 0; i < items; ++i) {
                RECT r{};
                if (SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r)) == LB_ERR)
                    continue;
                MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&r), 2);
                std::printf("item %s %ld %ld %ld %ld %ld\n", ctl::列表框1, static_cast<long>(i), r.left, r.top,
                            r.right - r.left, r.bottom - r.top);
            }
            return 0;
        }
        if (GetTickCount() - start >= timeout) {
            for (const std::string& p : result.problems) std::printf("%s\n", p.c_str());
            if (hwnd) {
                std::printf("\nthe window as it is:\n");
                trivex::inspect::printTree(stdout, window);
            }
            return 1;
        }
        Sleep(250);
    }
}
