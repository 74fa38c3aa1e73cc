// search_bench.exe: the image search against the system's own recursive
// listing, measured side by side in one run (a benchmark, not a test).
//
//   search_bench.exe [rounds] [host-find-seconds]
//
// Walks D:\, E:\ and F:\ as the search button does, in the program's own
// main window (start-up is skipped: no probe, no drive list, no skin), and
// times against it, round after round:
//   - cmd /c dir /s /b D:\*.gho (output to NUL);
//   - a walk that lists every folder twice, "*.gho" and then "*.*" for its
//     subfolders (the same results and order, as the search must give);
//   - a walk that lists every folder once, without a window: what the
//     search's folder reading costs by itself.
// Prints each round, the medians, the ratios (each the median of the ratios
// of the rounds, whose measures ran side by side), and whether the search's
// results equal those of the two-listing walk entry for entry.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/app.h"
#include "discovery/search.h"
#include "platform/win32/win32_machine.h"
#include "ui/names.h"
#include "ui/win32/win32_toolkit.h"

namespace {

using trivex::Machine;
using trivex::Text;
constexpr trivex::WindowId kMain = trivex::WindowId::Main;

double seconds() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(freq.QuadPart);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double timeDir() {
    char cmd[] = "cmd /c dir /s /b D:\\*.gho >NUL";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION pi{};
    const double start = seconds();
    if (!CreateProcessA(nullptr, cmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    const double took = seconds() - start;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return took;
}

void twoListings(Machine& m, const Text& folder, std::vector<Text>& out) {
    std::vector<trivex::DirEntry> entries;
    if (m.listFolder(folder + "*.gho", entries))
        for (const trivex::DirEntry& e : entries)
            if (!(e.attributes & trivex::kAttrDirectory)) out.push_back(folder + e.name);
    if (m.listFolder(folder + "*.*", entries))
        for (const trivex::DirEntry& e : entries)
            if ((e.attributes & trivex::kAttrDirectory) && e.name[0] != '.') twoListings(m, folder + e.name + "\\", out);
}

void oneListing(Machine& m, const Text& folder, size_t& images) {
    std::vector<Text> subfolders;
    std::vector<trivex::DirEntry> entries;
    if (m.listFolder(folder + "*", entries))
        for (const trivex::DirEntry& e : entries) {
            if (trivex::isImageEntry(e)) ++images;
            else if (trivex::isSearchedFolder(e)) subfolders.push_back(e.name);
        }
    for (const Text& name : subfolders) oneListing(m, folder + name + "\\", images);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const double findSeconds = argc > 2 ? std::atof(argv[2]) : -1;

    trivex::win32::Win32Machine machine;
    trivex::win32::Win32Toolkit windows;
    trivex::App app(machine, windows);
    windows.setCommandSink([&app](trivex::WindowId w, const std::string& command, int arg) {
        if (command != trivex::cmd::startup) app.dispatch(w, command, arg);
    });
    if (!windows.openWindow(kMain, false)) {
        std::printf("search_bench: the main window did not open\n");
        return 1;
    }
    windows.processPendingMessages();

    std::vector<double> dir, search, two, one;
    std::vector<Text> reference, found;
    for (int r = 1; r <= rounds; ++r) {
        dir.push_back(timeDir());

        double start = seconds();
        app.dispatch(kMain, trivex::cmd::search, 0);
        search.push_back(seconds() - start);

        reference.clear();
        start = seconds();
        for (const char* root : {"D:\\", "E:\\", "F:\\"}) twoListings(machine, root, reference);
        two.push_back(seconds() - start);

        size_t images = 0;
        start = seconds();
        for (const char* root : {"D:\\", "E:\\", "F:\\"}) oneListing(machine, root, images);
        one.push_back(seconds() - start);

        std::printf("round %d: dir /s /b %.2f s, Trivex search %.2f s, two listings per folder %.2f s, "
                    "one listing per folder without a window %.2f s\n",
                    r, dir.back(), search.back(), two.back(), one.back());
        std::fflush(stdout);
    }
    for (int i = 0; i < windows.listCount(kMain, trivex::ctl::列表框2); ++i)
        found.push_back(windows.listItem(kMain, trivex::ctl::列表框2, i));

    const double d = median(dir), s = median(search), t = median(two), o = median(one);
    auto ratio = [&](const std::vector<double>& a, const std::vector<double>& b) {
        std::vector<double> r;
        for (size_t i = 0; i < a.size() && i < b.size(); ++i) r.push_back(a[i] / b[i]);
        return median(r);
    };
    std::printf("median: dir /s /b %.2f s, Trivex search %.2f s, two listings per folder %.2f s, "
                "one listing per folder without a window %.2f s",
                d, s, t, o);
    if (findSeconds >= 0) std::printf(", host find %.2f s", findSeconds);
    std::printf("\n");
    std::printf("ratio Trivex search / dir /s /b: %.2f (goal: at most 0.60)\n", ratio(search, dir));
    std::printf("ratio two listings per folder / dir /s /b: %.2f\n", ratio(two, dir));
    std::printf("ratio one listing per folder without a window / dir /s /b: %.2f\n", ratio(one, dir));
    std::printf("ratio Trivex search / one listing per folder without a window: %.2f\n", ratio(search, one));
    if (findSeconds > 0) {
        std::printf("ratio host find / dir /s /b: %.3f\n", findSeconds / d);
        std::printf("ratio Trivex search / host find: %.1f\n", s / findSeconds);
    }
    std::printf("results: %zu images; the same entries in the same order as the two-listing walk: %s\n",
                found.size(), found == reference ? "yes" : "NO");
    windows.closeWindow(kMain);
    windows.processPendingMessages();
    return found == reference ? 0 : 1;
}
