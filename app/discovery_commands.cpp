#include "app/discovery_commands.h"

#include "app/app.h"
#include "app/window_commands.h"
#include "discovery/details.h"
#include "discovery/drives.h"
#include "discovery/search.h"
#include "platform/text.h"
#include "ui/catalogue.h"
#include "ui/names.h"

namespace trivex {

namespace {

constexpr WindowId kMain = WindowId::Main;
constexpr int kDetailsPanel = 1;

// The window's messages are processed at the start of a folder once at least
// kStepMs have passed since the last time, and the result list is repainted
// at most every kPaintMs: it holds its painting while entries arrive in
// between. Both keep the walk close to the cost of reading the folders.
constexpr uint32_t kStepMs = 10;
constexpr uint32_t kPaintMs = 250;

// The search as the main window shows it.
class SearchView : public SearchWatcher {
public:
    explicit SearchView(App& app) : app_(app), w_(app.windows), s_(app.state) {}

    void started() override {
        s_.stopShown = false;
        s_.images.clear();
        w_.listClear(kMain, ctl::列表框2);
    }
    void found(const Text& path) override {
        if (w_.getProp(kMain, ctl::列表框2, Prop::Redraw) != 0) w_.setProp(kMain, ctl::列表框2, Prop::Redraw, 0);
        s_.images.push_back(path);
        w_.listAdd(kMain, ctl::列表框2, path);
    }
    bool between(bool first) override {
        const uint32_t t = app_.machine.tickCount();
        if (gone() || (!first && t - s_.stepAt < kStepMs)) return !gone();
        s_.stepAt = t;
        if (w_.getProp(kMain, ctl::列表框2, Prop::Redraw) == 0 && t - s_.paintAt >= kPaintMs) {
            w_.setProp(kMain, ctl::列表框2, Prop::Redraw, 1);
            s_.paintAt = t;
        }
        w_.processPendingMessages();
        s_.stopShown = false;  // a command run meanwhile may have changed the button
        return !gone();
    }
    // Every finished folder leaves the button reading "停止(&S)"; it is only
    // written when it may read otherwise, which spares a repaint per folder.
    void folderDone() override {
        if (s_.stopShown) return;
        w_.setText(kMain, ctl::搜索按钮, say::kStopCaption);
        s_.stopShown = true;
    }

private:
    // Nobody is left to see the results once the main window is gone.
    bool gone() { return !w_.windowExists(kMain); }

    App& app_;
    Toolkit& w_;
    ProgramState& s_;
};

}  // namespace

void showDrives(App& app) {
    const DriveList list = listDrives(app.machine);
    app.windows.listClear(kMain, ctl::列表框1);
    app.state.drives = list.rows;
    for (const DriveRow& r : list.rows)
        app.windows.listAdd(kMain, ctl::列表框1, say::partitionEntry(r.letter, r.usedMB, r.freeMB, r.totalMB));
    app.state.driveCount = text::toText(static_cast<int64_t>(list.rows.size()));
    app.state.lastDriveLetter = list.lastLetter ? Text(1, list.lastLetter) : Text();
}

// Whether a search is under way is the search's own record, not the button's
// caption: the caption reads "搜索(&S)" until the first innermost folder is
// done, and a click in that time stops the search as well.
void searchCommand(App& app, WindowId, int) {
    SearchView view(app);
    if (!searchButton(app.machine, app.state.search, view)) return;
    Toolkit& w = app.windows;
    w.setProp(kMain, ctl::列表框2, Prop::Redraw, 1);
    w.setText(kMain, ctl::透明标签1, say::imagesFound(app.state.search.found));
    w.setText(kMain, ctl::搜索按钮, say::kSearchCaption);
    app.state.stopShown = false;
}

void imageDetailsCommand(App& app, WindowId, int) {
    Toolkit& w = app.windows;
    const int current = static_cast<int>(w.getProp(kMain, ctl::列表框2, Prop::CurrentIndex));
    const std::vector<Text>& images = app.state.images;
    const Text path = current >= 0 && current < static_cast<int>(images.size()) ? images[static_cast<size_t>(current)] : Text();
    const ImageDetails d = imageDetails(app.machine, path);
    w.setText(kMain, ctl::透明标签2, say::imageName(d.name));
    w.setText(kMain, ctl::编辑框1, path);
    w.setText(kMain, ctl::透明标签3, say::imageSize(d.size));
    w.setText(kMain, ctl::透明标签4, say::imageDate(d.modified));
    w.setPanelText(kMain, ctl::状态条1, kDetailsPanel, say::imageShown(path, d.name, d.size, d.modified));
    updateConfirmButton(app);
}

}  // namespace trivex
