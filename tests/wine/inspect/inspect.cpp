// inspect.exe: looks at another program's windows from outside.
//
//   inspect tree  <title>       print the window and every control below it
//   inspect wait  <title> [ms]  wait until a visible window with this title exists
//   inspect gone  <title> [ms]  wait until no window with this title exists
//   inspect close <title>       ask every window with this title to close
//
// Titles are matched exactly (ANSI code page). Exit code 0: done; 1: no such
// window or timed out; 2: wrong arguments.
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
                 "       inspect close <title>\n");
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
    if (mode == "close" && argc == 3) {
        std::vector<HWND> all = findWindows(title);
        for (HWND h : all) PostMessageA(h, WM_CLOSE, 0, 0);
        std::printf("%u\n", static_cast<unsigned>(all.size()));
        return all.empty() ? 1 : 0;
    }
    return usage();
}
