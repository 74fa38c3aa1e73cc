// discovery_tool.exe: the Windows side of the discovery tests under Wine.
//
// On the real machine, without a window:
//   probe                     runs the partition-count probe; prints
//                             "count=[X]" and the script's output
//   walk <root>...            the folder walk as plain listings give it: what
//                             a folder lists for "*.gho" but folders, then
//                             the folders it lists for "*.*" not starting
//                             with a dot and not reparse points, each in
//                             turn; one path per line
// On the running program's main window ("Trivex"), controls by layout name:
//   text <control>            its text (GBK, as it is)
//   items <control>           its list entries, one per line (CR and LF
//                             inside an entry shown as \r and \n)
//   state <control>           "visible enabled" as 0/1
//   panel <n>                 the status bar's panel n
//   click <control> [times]   posts that many button clicks at once
//   point <control> [item]    screen point of the control's centre or of a
//                             list entry, "X Y" (for xdotool)
//   wait <control> <text> [ms]  until its text reads so (exit 1 on timeout)
//   boxes                     prints the texts of the program's open
//                             message boxes ("信息：") and closes them
//   startup [ms]              until start-up is over (the advanced-options
//                             title 标签6 hidden), closing the message boxes
//                             on the way and printing what they said
// The image search, each in one step that reads the window while the program
// is idle and afterwards only the few texts it needs (a busy search answers
// messages only between folders, so that reading the whole window takes
// long while it runs). Each ends once the search has ended: the count text
// differs from the one before the click, the button reads 搜索 and the list
// holds as many entries as the count text says; each prints that count.
//   search [ms]               one click on 搜索
//   search-end <text> [ms]    no click (a user's click comes from outside):
//                             the count text read before it is given
//   search-stop [ms]          one click, and a second one at the first sight
//                             of 停止 on the button; prints "saw-stop" first
//   search-twice [ms]         two clicks that reach the program together:
//                             its thread is held while both are posted
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
#include "platform/win32/win32_machine.h"
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
                         "       click <control> [times] | point <control> [item] | wait <control> <text> [ms] |\n"
                         "       boxes | startup [ms] | search [ms] | search-end <count text> [ms] | search-stop [ms] |\n"
                         "       search-twice [ms]\n");
    return 2;
}

// ---- Without a window ----------------------------------------------------------

int probe() {
    trivex::win32::Win32Machine machine;
    std::printf("count=[%s]\n", trivex::probePartitionCount(machine).c_str());
    return 0;
}

void walk(trivex::Machine& m, const std::string& folder) {
    std::vector<trivex::DirEntry> entries;
    if (m.listFolder(folder + "*.gho", entries))
        for (const trivex::DirEntry& e : entries)
            if (!(e.attributes & trivex::kAttrDirectory)) std::printf("%s\n", oneLine(folder + e.name).c_str());
    // The attributes of each folder come from a listing of the folder itself.
    if (!m.listFolder(folder + "*.*", entries)) return;
    for (const trivex::DirEntry& e : entries) {
        if (!(e.attributes & trivex::kAttrDirectory) || e.name[0] == '.') continue;
        if (m.fileAttributes(folder + e.name) & trivex::kAttrReparsePoint) continue;
        walk(m, folder + e.name + "\\");
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

    bool read(bool contents = true) {
        HWND h = trivex::inspect::findWindow(ui::layoutOf(trivex::WindowId::Main).caption);
        if (!h) return false;
        tree = trivex::inspect::inspectWindow(h, contents);
        byName = controlsByName(tree);
        return true;
    }
    const Control* find(const char* name) const {
        auto it = byName.find(name);
        return it == byName.end() ? nullptr : it->second;
    }
};

const Control* need(MainWindow& m, const char* name, bool contents = true) {
    if (!m.read(contents)) {
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

// Closes the program's open message boxes ("信息：") and returns what they said,
// one line per box.
std::string closeBoxes() {
    HWND main = trivex::inspect::findWindow(ui::layoutOf(trivex::WindowId::Main).caption);
    DWORD pid = 0;
    if (main) GetWindowThreadProcessId(main, &pid);
    std::string all;
    for (HWND box : trivex::inspect::findWindows("信息：", pid)) {
        std::string said;
        for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            char cls[32] = {};
            GetClassNameA(c, cls, sizeof cls);
            if (lstrcmpiA(cls, "Static") == 0) said += trivex::inspect::windowText(c);
        }
        if (!said.empty()) all += said + "\n";
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    return all;
}

DWORD timeoutArg(int argc, char** argv, int at, DWORD otherwise) {
    return argc > at ? std::strtoul(argv[at], nullptr, 10) : otherwise;
}

// Start-up is over once the advanced-options title is hidden: the start-up
// sequence hides it after its last check. Message boxes on the way (which
// hold start-up until answered) are closed and what they said printed.
int waitForStartup(DWORD timeout) {
    const DWORD start = GetTickCount();
    HWND title = nullptr;
    for (;;) {
        const std::string said = closeBoxes();
        std::fputs(said.c_str(), stdout);
        if (!title) {
            MainWindow m;
            if (m.read(false))
                if (const Control* c = m.find("标签6")) title = c->hwnd;
        }
        if (title && !IsWindow(title)) {
            std::fprintf(stderr, "discovery_tool: the main window closed during start-up\n");
            return 1;
        }
        // Its own WS_VISIBLE bit, read without a message.
        if (title && !(GetWindowLongA(title, GWL_STYLE) & WS_VISIBLE) && said.empty()) return 0;
        if (GetTickCount() - start >= timeout) {
            std::fprintf(stderr, "discovery_tool: start-up not over after %lu ms (%s)\n",
                         static_cast<unsigned long>(timeout), title ? "标签6 still shown" : "no main window");
            return 1;
        }
        Sleep(50);
    }
}

// ---- The image search ------------------------------------------------------------

const char kSearchCaption[] = "搜索(&S)";
const char kStopCaption[] = "停止(&S)";

// The three things that say where a search is, read with three messages.
struct SearchView {
    std::string count, button;
    long listed = -1;
};

struct SearchControls {
    HWND button = nullptr, count = nullptr, list = nullptr;

    SearchView read() const {
        SearchView v;
        v.count = trivex::inspect::windowText(count);
        v.button = trivex::inspect::windowText(button);
        DWORD_PTR n = 0;
        if (SendMessageTimeoutA(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &n)) v.listed = static_cast<long>(n);
        return v;
    }
};

// The number in the count text ("本地磁盘共有N个GHO文件..."), -1 without one.
long countIn(const std::string& text) {
    const size_t at = text.find_first_of("0123456789");
    if (at == std::string::npos) return -1;
    return std::strtol(text.c_str() + at, nullptr, 10);
}

bool ended(const SearchView& v, const std::string& before) {
    return v.count != before && v.button == kSearchCaption && countIn(v.count) >= 0 && countIn(v.count) == v.listed;
}

// Posts `post` while the thread that owns `hwnd` cannot run, so that
// everything posted is in its queue before it looks again. Suspension is
// asynchronous; reading the thread's context waits until it has taken hold.
bool whileHeld(HWND hwnd, void (*post)(HWND)) {
    const DWORD tid = GetWindowThreadProcessId(hwnd, nullptr);
    const HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE, tid);
    if (!thread) return false;
    bool held = SuspendThread(thread) != static_cast<DWORD>(-1);
    if (held) {
        CONTEXT context{};
        context.ContextFlags = CONTEXT_CONTROL;
        GetThreadContext(thread, &context);
        post(hwnd);
        ResumeThread(thread);
    }
    CloseHandle(thread);
    return held;
}

void postTwoClicks(HWND button) {
    PostMessageA(button, BM_CLICK, 0, 0);
    PostMessageA(button, BM_CLICK, 0, 0);
}

int search(const std::string& mode, DWORD timeout, const char* countBefore = nullptr) {
    // The controls are found by their places alone: the program may be
    // searching already, and each message waits for its next step.
    MainWindow m;
    SearchControls s;
    s.button = need(m, "搜索按钮", false)->hwnd;
    s.count = need(m, "透明标签1", false)->hwnd;
    s.list = need(m, "列表框2", false)->hwnd;
    SearchView before = s.read();
    if (countBefore) before.count = countBefore;
    else if (before.button != kSearchCaption) {
        std::fprintf(stderr, "discovery_tool: a search runs already (the button reads %s)\n", before.button.c_str());
        return 1;
    }
    if (mode == "search-twice") {
        if (!whileHeld(s.button, postTwoClicks)) {
            std::fprintf(stderr, "discovery_tool: could not hold the program's thread (error %lu)\n",
                         static_cast<unsigned long>(GetLastError()));
            return 1;
        }
    } else if (mode != "search-end") {
        PostMessageA(s.button, BM_CLICK, 0, 0);
    }
    const DWORD start = GetTickCount();
    auto late = [&] { return GetTickCount() - start >= timeout || !IsWindow(s.button); };
    if (mode == "search-stop") {
        // Nothing but the button is read until it reads 停止 (each read is
        // answered at the program's next message step).
        for (;;) {
            const std::string button = trivex::inspect::windowText(s.button);
            if (button == kStopCaption) break;
            if (button == kSearchCaption && trivex::inspect::windowText(s.count) != before.count) {
                std::fprintf(stderr, "discovery_tool: the search ended before its button read 停止\n");
                return 1;
            }
            if (late()) {
                std::fprintf(stderr, "discovery_tool: the button did not read 停止 within %lu ms\n",
                             static_cast<unsigned long>(timeout));
                return 1;
            }
            Sleep(5);
        }
        PostMessageA(s.button, BM_CLICK, 0, 0);
        std::printf("saw-stop\n");
    }
    SearchView now;
    while (!ended(now = s.read(), before.count)) {
        if (late()) {
            std::fprintf(stderr,
                         "discovery_tool: the search did not end within %lu ms: the button reads %s, %ld entries, "
                         "the count text reads %s (before the click: %s)\n",
                         static_cast<unsigned long>(timeout), now.button.c_str(), now.listed,
                         oneLine(now.count).c_str(), oneLine(before.count).c_str());
            return 1;
        }
        Sleep(10);
    }
    std::printf("%ld\n", now.listed);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);  // lines end in LF only
    if (argc < 2) return usage();
    const std::string mode = argv[1];
    if (mode == "probe") return probe();
    if (mode == "walk") {
        trivex::win32::Win32Machine machine;
        for (int i = 2; i < argc; ++i) walk(machine, argv[i]);
        return 0;
    }
    if (mode == "boxes") {
        std::fputs(closeBoxes().c_str(), stdout);
        return 0;
    }
    if (mode == "startup") return waitForStartup(timeoutArg(argc, argv, 2, 120000));
    if (mode == "search" || mode == "search-stop" || mode == "search-twice")
        return search(mode, timeoutArg(argc, argv, 2, 300000));
    if (mode == "search-end" && argc >= 3) return search(mode, timeoutArg(argc, argv, 3, 300000), argv[2]);
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
    if (mode == "wait" && (argc == 4 || argc == 5)) {
        // The window is read once; then only this control's text is polled.
        const HWND hwnd = need(m, name)->hwnd;
        const std::string want = argv[3];
        const DWORD timeout = timeoutArg(argc, argv, 4, 60000);
        const DWORD start = GetTickCount();
        std::string now;
        while ((now = trivex::inspect::windowText(hwnd)) != want) {
            if (GetTickCount() - start >= timeout || !IsWindow(hwnd)) {
                std::fprintf(stderr, "discovery_tool: %s did not read \"%s\" within %lu ms (it reads \"%s\")\n", name,
                             want.c_str(), static_cast<unsigned long>(timeout), now.c_str());
                return 1;
            }
            Sleep(10);
        }
        return 0;
    }
    return usage();
}
