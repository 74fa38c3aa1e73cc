// inspect.exe: looks at another program's windows from outside.
//
//   inspect tree  <title>       print the window and every control below it
//   inspect wait  <title> [ms]  wait until a visible window with this title exists
//   inspect gone  <title> [ms]  wait until no window with this title exists
//   inspect close <title>       ask every window with this title to close
//   inspect idle  <title> [ms]  wait until the window's program answers a
//                               message: whatever it was doing when asked is
//                               done, up to its next wait for input
//   inspect active <title> [ms] wait until that window is the foreground window
//   inspect focus <title> [ms]  wait until it is the foreground window and the
//                               keyboard focus is on a control inside it;
//                               prints the control's class and text
//   inspect typed <title> <text> [ms]  wait until that focused control reads <text>
//   inspect hidden <title> <control text> [ms]  wait until a control with that
//                               text below the window is hidden
//   inspect minimize <title>    minimize the window, as its caption button does,
//                               and wait until it is minimized
//   inspect restored <title> [ms]  wait until the window is shown, not
//                               minimized, and the foreground window
//   inspect count <title>       print how many windows have this title
//
// Titles are matched exactly (ANSI code page). Exit code 0: done; 1: no such
// window or timed out; 2: wrong arguments. Each wait reads the state again
// until its time is up; none of them waits a fixed time.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/wine/inspect/inspect_core.h"

namespace {

using namespace trivex::inspect;

constexpr DWORD kDefaultWaitMs = 30000;
constexpr DWORD kPollMs = 100;

int usage() {
    std::fprintf(stderr,
                 "usage: inspect tree <title>\n"
                 "       inspect wait <title> [timeout-ms]\n"
                 "       inspect gone <title> [timeout-ms]\n"
                 "       inspect close <title>\n"
                 "       inspect idle|active|focus <title> [timeout-ms]\n"
                 "       inspect typed <title> <text> [timeout-ms]\n"
                 "       inspect hidden <title> <control text> [timeout-ms]\n"
                 "       inspect minimize|count <title>\n"
                 "       inspect restored <title> [timeout-ms]\n");
    return 2;
}

template <class Done>
bool pollUntil(DWORD timeoutMs, Done done) {
    DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(kPollMs);
    }
}

bool visibleWindowExists(const std::string& title) {
    HWND h = findWindow(title);
    return h && IsWindowVisible(h);
}

// The control that has the keyboard focus, when it lies inside the
// foreground window and that window has this title.
HWND focusInForeground(const std::string& title) {
    const HWND fg = GetForegroundWindow();
    if (!fg || !IsWindowVisible(fg) || windowText(fg) != title) return nullptr;
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(fg, nullptr), &info)) return nullptr;
    const HWND focus = info.hwndFocus;
    return focus && focus != fg && IsChild(fg, focus) ? focus : nullptr;
}

struct ControlSearch {
    std::string text;
    HWND found = nullptr;
};

BOOL CALLBACK findByText(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<ControlSearch*>(lp);
    if (windowText(h) != s->text) return TRUE;
    s->found = h;
    return FALSE;
}

}  // namespace

int main(int argc, char** argv) {
    trivex::inspect::binaryStdio();
    if (argc < 3) return usage();
    const std::string mode = argv[1];
    const std::string title = argv[2];
    DWORD timeout = kDefaultWaitMs;
    if (argc > 3) timeout = static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10));

    if (mode == "tree" && argc == 3) {
        HWND h = findWindow(title);
        if (!h) {
            std::fprintf(stderr, "inspect: no window titled %s\n", quoted(title).c_str());
            return 1;
        }
        printTree(stdout, inspectWindow(h));
        return 0;
    }
    if (mode == "wait" && argc <= 4) {
        if (pollUntil(timeout, [&] { return visibleWindowExists(title); })) return 0;
        std::fprintf(stderr, "inspect: no window titled %s after %lu ms\n", quoted(title).c_str(),
                     static_cast<unsigned long>(timeout));
        return 1;
    }
    if (mode == "gone" && argc <= 4) {
        if (pollUntil(timeout, [&] { return findWindows(title).empty(); })) return 0;
        std::fprintf(stderr, "inspect: window titled %s still there after %lu ms\n",
                     quoted(title).c_str(), static_cast<unsigned long>(timeout));
        return 1;
    }
    if (mode == "idle" && argc <= 4) {
        const HWND h = findWindow(title);
        DWORD_PTR result = 0;
        if (h && SendMessageTimeoutA(h, WM_NULL, 0, 0, SMTO_NORMAL, timeout, &result)) return 0;
        std::fprintf(stderr, "inspect: the program of the window %s did not answer within %lu ms\n",
                     quoted(title).c_str(), static_cast<unsigned long>(timeout));
        return 1;
    }
    if (mode == "active" && argc <= 4) {
        if (pollUntil(timeout, [&] {
                const HWND fg = GetForegroundWindow();
                return fg && IsWindowVisible(fg) && windowText(fg) == title;
            }))
            return 0;
        std::fprintf(stderr, "inspect: the window %s is not the foreground window after %lu ms\n",
                     quoted(title).c_str(), static_cast<unsigned long>(timeout));
        return 1;
    }
    if (mode == "focus" && argc <= 4) {
        HWND focus = nullptr;
        if (pollUntil(timeout, [&] { return (focus = focusInForeground(title)) != nullptr; })) {
            char cls[64] = {};
            GetClassNameA(focus, cls, sizeof cls);
            std::printf("%s %s\n", cls, quoted(windowText(focus)).c_str());
            return 0;
        }
        std::fprintf(stderr, "inspect: no control of the window %s has the keyboard focus after %lu ms\n",
                     quoted(title).c_str(), static_cast<unsigned long>(timeout));
        return 1;
    }
    if (mode == "typed" && (argc == 4 || argc == 5)) {
        const std::string text = argv[3];
        timeout = argc > 4 ? static_cast<DWORD>(std::strtoul(argv[4], nullptr, 10)) : kDefaultWaitMs;
        std::string now;
        if (pollUntil(timeout, [&] {
                const HWND focus = focusInForeground(title);
                now = focus ? windowText(focus) : std::string();
                return focus && now == text;
            }))
            return 0;
        std::fprintf(stderr, "inspect: the focused control of %s reads %s, not %s, after %lu ms\n",
                     quoted(title).c_str(), quoted(now).c_str(), quoted(text).c_str(),
                     static_cast<unsigned long>(timeout));
        return 1;
    }
    if (mode == "hidden" && (argc == 4 || argc == 5)) {
        ControlSearch s{argv[3]};
        timeout = argc > 4 ? static_cast<DWORD>(std::strtoul(argv[4], nullptr, 10)) : kDefaultWaitMs;
        // Found by its text once, then only its own WS_VISIBLE bit is read
        // (no message: a busy program need not answer).
        if (pollUntil(timeout, [&] {
                if (!s.found || !IsWindow(s.found)) {
                    s.found = nullptr;
                    if (const HWND top = findWindow(title))
                        EnumChildWindows(top, findByText, reinterpret_cast<LPARAM>(&s));
                }
                return s.found && !(GetWindowLongA(s.found, GWL_STYLE) & WS_VISIBLE);
            }))
            return 0;
        std::fprintf(stderr, "inspect: no hidden control %s in %s after %lu ms\n", quoted(s.text).c_str(),
                     quoted(title).c_str(), static_cast<unsigned long>(timeout));
        return 1;
    }
    if (mode == "minimize" && argc == 3) {
        const HWND h = findWindow(title);
        if (h) PostMessageA(h, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        if (h && pollUntil(kDefaultWaitMs, [&] { return IsIconic(h) != FALSE; })) return 0;
        std::fprintf(stderr, "inspect: the window %s was not minimized\n", quoted(title).c_str());
        return 1;
    }
    if (mode == "restored" && argc <= 4) {
        if (pollUntil(timeout, [&] {
                const HWND fg = GetForegroundWindow();
                return fg && IsWindowVisible(fg) && !IsIconic(fg) && windowText(fg) == title;
            }))
            return 0;
        std::fprintf(stderr, "inspect: the window %s is not shown in front after %lu ms\n", quoted(title).c_str(),
                     static_cast<unsigned long>(timeout));
        return 1;
    }
    if (mode == "count" && argc == 3) {
        std::printf("%u\n", static_cast<unsigned>(findWindows(title).size()));
        return 0;
    }
    if (mode == "close" && argc == 3) {
        std::vector<HWND> all = findWindows(title);
        for (HWND h : all) PostMessageA(h, WM_CLOSE, 0, 0);
        std::printf("%u\n", static_cast<unsigned>(all.size()));
        return all.empty() ? 1 : 0;
    }
    return usage();
}
