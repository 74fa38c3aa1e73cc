// job_locate.exe: where a user would click a control of another program.
//
//   job_locate <window title> <control text>
//
// Prints "X Y", the screen position of the centre of the first visible
// control below the visible top-level window with that exact title whose
// text is exactly <control text> (ANSI code page). Exit code 1 when there is
// no such window or control, 2 on wrong arguments.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/wine/inspect/inspect_core.h"

namespace {

struct Search {
    std::string text;
    HWND found = nullptr;
};

BOOL CALLBACK visit(HWND h, LPARAM lp) {
    Search* s = reinterpret_cast<Search*>(lp);
    if (IsWindowVisible(h) && trivex::inspect::windowText(h) == s->text) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: job_locate <window title> <control text>\n");
        return 2;
    }
    const HWND top = trivex::inspect::findWindow(argv[1]);
    if (!top || !IsWindowVisible(top)) {
        std::fprintf(stderr, "job_locate: no visible window titled %s\n", trivex::inspect::quoted(argv[1]).c_str());
        return 1;
    }
    Search s{argv[2]};
    EnumChildWindows(top, visit, reinterpret_cast<LPARAM>(&s));
    RECT r;
    if (!s.found || !GetWindowRect(s.found, &r)) {
        std::fprintf(stderr, "job_locate: no control %s in %s\n", trivex::inspect::quoted(argv[2]).c_str(),
                     trivex::inspect::quoted(argv[1]).c_str());
        return 1;
    }
    std::printf("%ld %ld\n", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    return 0;
}
