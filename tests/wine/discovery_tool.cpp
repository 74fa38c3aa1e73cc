// discovery_tool.exe: the Windows side of the discovery tests under Wine.
//
// On the real platform, without a window:
//   probe                     runs the partition-count probe; prints
//                             "count=[X]" and the script's output
//   walk <root>...            the folder walk as plain listings give it: the
//                             "*.gho" files of a folder (every non-folder),
//                             then its folders ("*.*", directory mask) not
//                             starting with a dot and not reparse points,
//                             each in turn; one path per line
// On the running program's main window ("Trivex"), controls by layout name:
//   text <control>            its text (GBK, as it is)
//   items <control>           its list entries, one per line (CR and LF
//                             inside an entry shown as \r and \n)
//   state <control>           "visible enabled" as 0/1
//   panel <n>                 the status bar's panel n
//   click <control> [times]   posts that many button clicks at once
//   point <control> [item]    screen point of the control's centre or of a
//                             list entry, "X Y" (for xdotool)
//   wait <control> <text>... [ms]  until its text has read each text in turn
//                             (exit 1 on timeout)
//   click-when <control> <text> [ms]  posts a click as soon as its text reads so
//   boxes                     prints the texts of the program's open
//                             message boxes ("信息：") and closes them
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "discovery/probe.h"
#include "platform/search.h"
#include "platform/win32/win32_platform.h"
#include "tests/wine/inspect/inspect_core.h"
#include "ui/layout.h"

namespace {

namespace ui = trivex::ui;
using trivex::inspect::Control;
using trivex::inspect::Window;

// A list entry on one line: its CR and LF bytes written as \r and \n (neither
// can be part of a two-byte character).
std::string oneLine(const std::string& text) {
    std::string out;
    for (char ch : text) {
        if (ch == '\r') out += "\\r";
        else if (ch == '\n') out += "\\n";
        else out += ch;
    }
    return out;
}

int usage() {
    std::fprintf(stderr, "usage: discovery_tool probe | walk <root>... | text|items|state <control> | panel <n> |\n"
                         "       click <control> [times] | point <control> [item] | wait <control> <text> [ms] | boxes\n");
    return 2;
}

// ---- Without a window ----------------------------------------------------------

int probe() {
    auto platform = trivex::win32::makePlatform();
    std::printf("count=[%s]\n", trivex::probePartitionCount(*platform).c_str());
    return 0;
}

void walk(trivex::Platform& p, const std::string& folder) {
    trivex::SearchState files;
    for (std::string n = trivex::findFirst(p, folder + "*.gho", trivex::kNoMask, files); !n.empty();
         n = trivex::findNext(p, trivex::kNoMask, files))
        std::printf("%s\n", oneLine(folder + n).c_str());
    // The attributes of each folder come from a listing of the folder itself.
    trivex::SearchState dirs;
    for (std::string n = trivex::findFirst(p, folder + "*.*", trivex::kAttrDirectory, dirs); !n.empty();
         n = trivex::findNext(p, trivex::kAttrDirectory, dirs)) {
        if (n[0] == '.') continue;
        if (p.fileAttributes(folder + n) & trivex::kAttrReparsePoint) continue;
        walk(p, folder + n + "\\");
    }
}

// ---- The main window -----------------------------------------------------------

// Every control of the layout with a window, found in the tree by its parent
// and position (the way the layout check finds them).
std::map<std::string, const Control*> controlsByName(const Window& w) {
    std::map<std::string, const Control*> found;
    const ui::WindowLayout& layout = ui::layoutOf(trivex::WindowId::Main);
    for (size_t i = 0; i < layout.count; ++i) {
        const ui::Control& row = layout.controls[i];
        const std::vector<Control>* siblings = &w.children;
        if (row.parent) {
            auto p = found.find(row.parent);
            if (p == found.end()) continue;
            siblings = &p->second->children;
        }
        for (const Control& c : *siblings)
            if (c.x == row.x && c.y == row.y && row.kind != ui::Kind::StatusBar) found[row.name] = &c;
        if (row.kind == ui::Kind::StatusBar)
            for (const Control& c : *siblings)
                if (!c.partEdges.empty()) found[row.name] = &c;
    }
    return found;
}

struct MainWindow {
    Window tree;
    std::map<std::string, const Control*> byName;

    bool read() {
        HWND h = trivex::inspect::findWindow(ui::layoutOf(trivex::WindowId::Main).caption);
        if (!h) return false;
        tree = trivex::inspect::inspectWindow(h);
        byName = controlsByName(tree);
        return true;
    }
    const Control* find(const char* name) const {
        auto it = byName.find(name);
        return it == byName.end() ? nullptr : it->second;
    }
};

const Control* need(MainWindow& m, const char* name) {
    if (!m.read()) {
        std::fprintf(stderr, "discovery_tool: no main window\n");
        std::exit(1);
    }
    const Control* c = m.find(name);
    if (!c) {
        std::fprintf(stderr, "discovery_tool: no control %s\n", name);
        std::exit(1);
    }
    return c;
}

void printBoxes() {
    HWND main = trivex::inspect::findWindow(ui::layoutOf(trivex::WindowId::Main).caption);
    DWORD pid = 0;
    if (main) GetWindowThreadProcessId(main, &pid);
    for (HWND box : trivex::inspect::findWindows("信息：", pid)) {
        std::string said;
        for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            char cls[32] = {};
            GetClassNameA(c, cls, sizeof cls);
            if (lstrcmpiA(cls, "Static") == 0) said += trivex::inspect::windowText(c);
        }
        if (!said.empty()) std::printf("%s\n", said.c_str());
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);  // lines end in LF only
    if (argc < 2) return usage();
    const std::string mode = argv[1];
    if (mode == "probe") return probe();
    if (mode == "walk") {
        auto platform = trivex::win32::makePlatform();
        for (int i = 2; i < argc; ++i) walk(*platform, argv[i]);
        return 0;
    }
    if (mode == "boxes") {
        printBoxes();
        return 0;
    }
    MainWindow m;
    if (mode == "panel" && argc == 3) {
        const Control* bar = need(m, "状态条1");
        const size_t n = std::strtoul(argv[2], nullptr, 10);
        std::printf("%s\n", n < bar->panels.size() ? bar->panels[n].c_str() : "");
        return 0;
    }
    if (argc < 3) return usage();
    const char* name = argv[2];
    if (mode == "text") {
        std::printf("%s\n", need(m, name)->text.c_str());
        return 0;
    }
    if (mode == "items") {
        for (const std::string& item : need(m, name)->items)
            std::printf("%s\n", oneLine(item).c_str());
        return 0;
    }
    if (mode == "state") {
        const Control* c = need(m, name);
        std::printf("%d %d\n", c->visible ? 1 : 0, c->enabled ? 1 : 0);
        return 0;
    }
    if (mode == "click") {
        const HWND button = need(m, name)->hwnd;
        const int times = argc > 3 ? std::atoi(argv[3]) : 1;
        for (int i = 0; i < times; ++i) PostMessageA(button, BM_CLICK, 0, 0);
        return 0;
    }
    if (mode == "point") {
        const HWND hwnd = need(m, name)->hwnd;
        RECT r;
        GetClientRect(hwnd, &r);
        POINT pt{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        if (argc > 3) {
            const int item = std::atoi(argv[3]);
            const int height = static_cast<int>(SendMessageA(hwnd, LB_GETITEMHEIGHT, 0, 0));
            const int top = static_cast<int>(SendMessageA(hwnd, LB_GETTOPINDEX, 0, 0));
            pt = POINT{r.left + 20, r.top + (item - top) * height + height / 2};
        }
        ClientToScreen(hwnd, &pt);
        std::printf("%ld %ld\n", pt.x, pt.y);
        return 0;
    }
    if ((mode == "wait" || mode == "click-when") && argc >= 4) {
        // The window is read once; then only this control's text is polled,
        // which a busy program answers at its next message step.
        const HWND hwnd = need(m, name)->hwnd;
        std::vector<std::string> texts(argv + 3, argv + argc);
        DWORD timeout = 60000;
        if (texts.size() > 1 && std::strspn(texts.back().c_str(), "0123456789") == texts.back().size()) {
            timeout = std::strtoul(texts.back().c_str(), nullptr, 10);
            texts.pop_back();
        }
        const DWORD start = GetTickCount();
        for (const std::string& want : texts) {
            while (trivex::inspect::windowText(hwnd) != want) {
                if (GetTickCount() - start >= timeout || !IsWindow(hwnd)) {
                    std::fprintf(stderr, "discovery_tool: %s did not read \"%s\" within %lu ms\n", name,
                                 want.c_str(), static_cast<unsigned long>(timeout));
                    return 1;
                }
                Sleep(10);
            }
        }
        if (mode == "click-when") PostMessageA(hwnd, BM_CLICK, 0, 0);
        return 0;
    }
    return usage();
}
