#include "discovery/search.h"

#include <vector>

#include "platform/text.h"
#include "ui/names.h"

namespace trivex {

namespace {

constexpr WindowId kMain = WindowId::Main;
constexpr char kSearchCaption[] = "搜索(&S)";
constexpr char kStopCaption[] = "停止(&S)";
constexpr char kSearchDrives[] = "D:E:F:";

// Whether the name ends in the character "." and the three letters "gho" in
// any case. The characters are walked from the start, so that a byte that
// only looks like the dot (the trail of a two-byte character) does not count.
bool endsWithGho(const Text& name) {
    const size_t n = name.size();
    if (n < 4) return false;
    size_t i = 0;
    while (i < n - 4) i += text::isLeadByte(name[i]) ? 2 : 1;
    if (i != n - 4 || name[i] != '.') return false;
    auto is = [&](size_t k, char lower) { return name[k] == lower || name[k] == lower - ('a' - 'A'); };
    return is(n - 3, 'g') && is(n - 2, 'h') && is(n - 1, 'o');
}

// Whether the path's last character is a backslash (a two-byte character
// whose trail byte is 0x5C is not).
bool endsWithBackslash(const Text& path) {
    size_t i = 0, last = Text::npos;
    while (i < path.size()) {
        last = i;
        i += text::isLeadByte(path[i]) ? 2 : 1;
    }
    return last != Text::npos && path[last] == '\\' && last + 1 == path.size();
}

// Nobody is left to see the results once the main window is gone: the
// search then ends at once instead of walking the drives for nothing.
bool windowGone(Platform& p) { return !p.windowExists(kMain); }

// The window's messages are processed at the start of a folder once at least
// kStepMs have passed since the last time, and the result list is repainted
// at most every kPaintMs: it holds its painting while entries arrive in
// between. Both keep the walk close to the cost of reading the folders.
constexpr uint32_t kStepMs = 10;
constexpr uint32_t kPaintMs = 250;

struct Walk {
    Platform& p;
    ImageSearch& search;
    bool stopShown = false;  // the button is known to read "停止(&S)"
};

void messageStep(Walk& walk, bool now) {
    Platform& p = walk.p;
    ImageSearch& s = walk.search;
    const uint32_t t = p.tickCount();
    if (windowGone(p) || (!now && t - s.stepAt < kStepMs)) return;
    s.stepAt = t;
    if (p.getProp(kMain, ctl::列表框2, Prop::Redraw) == 0 && t - s.paintAt >= kPaintMs) {
        p.setProp(kMain, ctl::列表框2, Prop::Redraw, 1);
        s.paintAt = t;
    }
    p.processPendingMessages();
    walk.stopShown = false;  // a command run meanwhile may have changed it
}

void addImage(Walk& walk, const Text& path) {
    Platform& p = walk.p;
    if (p.getProp(kMain, ctl::列表框2, Prop::Redraw) != 0) p.setProp(kMain, ctl::列表框2, Prop::Redraw, 0);
    p.listAdd(kMain, ctl::列表框2, path);
    ++walk.search.found;
}

// One folder: its own images in listing order, then each of its subfolders in
// listing order, depth first. The folder is listed once ("*"); the images
// are picked from that listing as a listing of "*.gho" would return them.
void walkFolder(Walk& walk, Text folder, bool first = false) {
    Platform& p = walk.p;
    messageStep(walk, first);
    if (windowGone(p)) return;
    if (walk.search.running) {
        if (!endsWithBackslash(folder)) folder += '\\';
        std::vector<Text> subfolders;
        uintptr_t handle = 0;
        DirEntry entry;
        if (p.listFirst(folder + "*", handle, entry)) {
            do {
                if (isImageEntry(entry)) addImage(walk, folder + entry.name);
                else if (isSearchedFolder(entry)) subfolders.push_back(entry.name);
            } while (p.listNext(handle, entry));
            p.listClose(handle);
        }
        for (const Text& name : subfolders) {
            walkFolder(walk, folder + name);
            if (windowGone(p)) return;
        }
    }
    // Every finished folder leaves the button reading "停止(&S)"; it is only
    // written when it reads otherwise, which spares a repaint per folder.
    if (!walk.stopShown) {
        if (p.getText(kMain, ctl::搜索按钮) != kStopCaption) p.setText(kMain, ctl::搜索按钮, kStopCaption);
        walk.stopShown = true;
    }
}

void runSearch(Platform& p, ImageSearch& search) {
    search.walking = true;
    search.running = true;
    search.found = 0;
    p.listClear(kMain, ctl::列表框2);
    bool first = true;
    Walk walk{p, search};
    for (const Text& letter : text::split(kSearchDrives, ":")) {
        walkFolder(walk, letter + ":\\", first);
        first = false;
    }
    search.walking = false;
    if (windowGone(p)) return;
    p.setProp(kMain, ctl::列表框2, Prop::Redraw, 1);
    p.setText(kMain, ctl::透明标签1,
              "本地磁盘共有" + text::toText(static_cast<int32_t>(search.found)) +
                  "个GHO文件\r\n请正确选择要还原的镜像！");
    p.setText(kMain, ctl::搜索按钮, kSearchCaption);
}

}  // namespace

bool isImageEntry(const DirEntry& entry) {
    if (entry.attributes & kAttrDirectory) return false;
    return endsWithGho(entry.name) || endsWithGho(entry.shortName);
}

bool isSearchedFolder(const DirEntry& entry) {
    if (!(entry.attributes & kAttrDirectory) || (entry.attributes & kAttrReparsePoint)) return false;
    return !entry.name.empty() && entry.name[0] != '.';
}

// Whether a search is under way is the search's own record, not the button's
// caption: the caption reads "搜索(&S)" until the first innermost folder is
// done, and a click in that time stops the search as well.
void searchButton(Platform& p, ImageSearch& search) {
    if (search.walking) search.running = false;
    else runSearch(p, search);
}

}  // namespace trivex
