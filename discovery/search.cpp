#include "discovery/search.h"

#include <vector>

#include "app/app.h"
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
bool windowGone(App& app) { return !app.platform.windowExists(kMain); }

// The window's messages are processed at the start of a folder once at least
// kStepMs have passed since the last time, and the result list is repainted
// at most every kPaintMs: it holds its painting while entries arrive in
// between. Both keep the walk close to the cost of reading the folders.
constexpr uint32_t kStepMs = 10;
constexpr uint32_t kPaintMs = 250;

struct Walk {
    bool stopShown = false;  // the button is known to read "停止(&S)"
};

void messageStep(App& app, Walk& walk, bool now) {
    Platform& p = app.platform;
    const uint32_t t = p.tickCount();
    if (windowGone(app) || (!now && t - app.state.searchStepAt < kStepMs)) return;
    app.state.searchStepAt = t;
    if (p.getProp(kMain, ctl::列表框2, Prop::Redraw) == 0 && t - app.state.searchPaintAt >= kPaintMs) {
        p.setProp(kMain, ctl::列表框2, Prop::Redraw, 1);
        app.state.searchPaintAt = t;
    }
    p.processPendingMessages();
    walk.stopShown = false;  // a command run meanwhile may have changed it
}

void addImage(App& app, const Text& path) {
    Platform& p = app.platform;
    if (p.getProp(kMain, ctl::列表框2, Prop::Redraw) != 0) p.setProp(kMain, ctl::列表框2, Prop::Redraw, 0);
    p.listAdd(kMain, ctl::列表框2, path);
    ++app.state.foundImages;
}

// One folder: its own images in listing order, then each of its subfolders in
// listing order, depth first. The folder is listed once ("*"); the images
// are picked from that listing as a listing of "*.gho" would return them.
void walkFolder(App& app, Walk& walk, Text folder, bool first = false) {
    Platform& p = app.platform;
    messageStep(app, walk, first);
    if (windowGone(app)) return;
    if (app.state.searchRunning == 1) {
        if (!endsWithBackslash(folder)) folder += '\\';
        std::vector<Text> subfolders;
        uintptr_t handle = 0;
        DirEntry entry;
        if (p.listFirst(folder + "*", handle, entry)) {
            do {
                if (isImageEntry(entry)) addImage(app, folder + entry.name);
                else if (isSearchedFolder(entry)) subfolders.push_back(entry.name);
            } while (p.listNext(handle, entry));
            p.listClose(handle);
        }
        for (const Text& name : subfolders) {
            walkFolder(app, walk, folder + name);
            if (windowGone(app)) return;
        }
    }
    // Every finished folder leaves the button reading "停止(&S)"; it is only
    // written when it reads otherwise, which spares a repaint per folder.
    if (!walk.stopShown) {
        if (p.getText(kMain, ctl::搜索按钮) != kStopCaption) p.setText(kMain, ctl::搜索按钮, kStopCaption);
        walk.stopShown = true;
    }
}

void runSearch(App& app) {
    Platform& p = app.platform;
    app.state.searchRunning = 1;
    app.state.foundImages = 0;
    p.listClear(kMain, ctl::列表框2);
    bool first = true;
    Walk walk;
    for (const Text& letter : text::split(kSearchDrives, ":")) {
        walkFolder(app, walk, letter + ":\\", first);
        first = false;
    }
    if (windowGone(app)) return;
    p.setProp(kMain, ctl::列表框2, Prop::Redraw, 1);
    p.setText(kMain, ctl::透明标签1,
              "本地磁盘共有" + text::toText(static_cast<int32_t>(app.state.foundImages)) +
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

void searchButton(App& app, WindowId, int) {
    app.state.searchRunning = 1;
    const Text caption = app.platform.getText(kMain, ctl::搜索按钮);
    if (caption == kSearchCaption) runSearch(app);
    else if (caption == kStopCaption) app.state.searchRunning = 0;
}

}  // namespace trivex
