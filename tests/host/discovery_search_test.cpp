// The image search on the simulated machine: what it lists and in which
// order (the same as listing "*.gho" and then the subfolders of each folder),
// the count text, stopping, a search started inside a search, selecting a
// result meanwhile, and folders it must not enter.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "app/app.h"
#include "discovery/search.h"
#include "tests/support/sim_machine.h"
#include "tests/support/test_toolkit.h"
#include "ui/names.h"

namespace trivex {
namespace {

using sim::SimMachine;
constexpr WindowId kMain = WindowId::Main;
constexpr uint64_t GB = 1ull << 30;
const char kSearch[] = "搜索(&S)";
const char kStop[] = "停止(&S)";

Text countText(int n) {
    return "本地磁盘共有" + std::to_string(n) + "个GHO文件\r\n请正确选择要还原的镜像！";
}

// The walk as the folder listings give it: what the file system lists for
// "*.gho" but folders, then the folders it lists for "*.*" not starting with
// a dot, each walked in turn.
void referenceWalk(Machine& m, const Text& folder, std::vector<Text>& out) {
    std::vector<DirEntry> entries;
    if (m.listFolder(folder + "*.gho", entries))
        for (const DirEntry& e : entries)
            if (!(e.attributes & kAttrDirectory)) out.push_back(folder + e.name);
    if (m.listFolder(folder + "*.*", entries))
        for (const DirEntry& e : entries)
            if ((e.attributes & kAttrDirectory) && e.name[0] != '.') referenceWalk(m, folder + e.name + "\\", out);
}

class SearchTest : public ::testing::Test {
protected:
    SearchTest() {
        machine.onCommand("C:\\fqs.bat", "磁盘 0        含有3\r\n");
        machine.addDrive('C', 40 * GB, 20 * GB);
        machine.addDrive('D', 80 * GB, 60 * GB);
        machine.addDrive('E', 80 * GB, 60 * GB);
        machine.addDrive('F', 80 * GB, 60 * GB);
    }
    void SetUp() override { ASSERT_TRUE(windows.openWindow(kMain, false)); }
    std::vector<Text> results() {
        std::vector<Text> out;
        for (int i = 0; i < windows.listCount(kMain, ctl::列表框2); ++i)
            out.push_back(windows.listItem(kMain, ctl::列表框2, i));
        return out;
    }
    std::vector<Text> reference() {
        std::vector<Text> out;
        for (const char* root : {"D:\\", "E:\\", "F:\\"}) referenceWalk(machine, root, out);
        return out;
    }
    // Runs `action` at the first message processing at which `when` holds.
    // The step re-posts itself, so it looks once per message processing.
    void whenThen(std::function<bool()> when, std::function<void()> action) {
        steps_.push_back(std::make_unique<std::function<void()>>());
        std::function<void()>* step = steps_.back().get();
        *step = [this, when, action, step] {
            if (when()) action();
            else windows.post(*step);
        };
        windows.post(*step);
    }
    void search() { ASSERT_TRUE(windows.click(kMain, ctl::搜索按钮)); }

    std::vector<std::unique_ptr<std::function<void()>>> steps_;
    SimMachine machine;
    sim::TestToolkit windows;
    App app{machine, windows};
};

TEST_F(SearchTest, ImagesOfAFolderComeBeforeThoseOfItsSubfolders) {
    machine.addFile("D:\\a\\b\\x.gho", "1");
    machine.addFile("D:\\a\\y.gho", "2");
    machine.addFile("D:\\a\\z.GHO", "3");
    machine.addFile("F:\\first.gho", "4");
    machine.addFile("E:\\deep\\er\\still\\deeper.gho", "5");
    machine.addFile("D:\\top.gho", "6");
    search();
    EXPECT_EQ(results(), (std::vector<Text>{"D:\\top.gho", "D:\\a\\y.gho", "D:\\a\\z.GHO", "D:\\a\\b\\x.gho",
                                            "E:\\deep\\er\\still\\deeper.gho", "F:\\first.gho"}));
    EXPECT_EQ(windows.getText(kMain, ctl::透明标签1), countText(6));
    EXPECT_EQ(windows.getText(kMain, ctl::搜索按钮), kSearch);
    EXPECT_EQ(app.state.search.found, 6);
}

TEST_F(SearchTest, WhatIsListedAndEnteredMatchesTheFolderListings) {
    // Long names that match only through their 8.3 name, folders named like
    // images, dot-folders, hidden and system files, GBK names (one ending in
    // a character whose trail byte is a backslash), names like the pattern.
    machine.addFile("D:\\备份\\系统.gho", "a");
    machine.addFile("D:\\备份\\old.ghost", "b");         // short name OLD~1.GHO
    machine.addFile("D:\\备份\\notes.gho.txt", "c");
    machine.addFile("D:\\备份\\.gho", "d");
    machine.addFile("D:\\备份\\hidden.gho", "e", kAttrHidden | kAttrSystem);
    machine.addFile("D:\\备份\\plain.gho", "f", 0);
    machine.addFolder("D:\\x.gho");
    machine.addFile("D:\\x.gho\\inside.gho", "g");
    machine.addFile("D:\\.hidden\\never.gho", "h");
    machine.addFile("D:\\乗\\trail.gho", "i");           // 乗 is 81 5C in GBK
    machine.addFile("D:\\乗\\乗.gho", "j");
    machine.addFile("E:\\Ghost\\G_WinXP.gho", "k");
    machine.addFile("E:\\a b\\c d.gho", "l");
    machine.addFile("E:\\photos.ghostly", "m");         // short name PHOTOS~1.GHO
    machine.addFile("E:\\ghost", "n");
    machine.addFile("E:\\gho", "o");
    search();
    const std::vector<Text> got = results();
    EXPECT_EQ(got, reference());
    auto listed = [&](const Text& path) { return std::find(got.begin(), got.end(), path) != got.end(); };
    EXPECT_TRUE(listed("D:\\备份\\old.ghost"));
    EXPECT_TRUE(listed("D:\\备份\\hidden.gho"));
    EXPECT_TRUE(listed("D:\\备份\\.gho"));
    EXPECT_TRUE(listed("D:\\x.gho\\inside.gho"));
    EXPECT_FALSE(listed("D:\\x.gho"));
    EXPECT_FALSE(listed("D:\\.hidden\\never.gho"));
    EXPECT_FALSE(listed("D:\\备份\\notes.gho.txt"));
    EXPECT_TRUE(listed("D:\\乗\\trail.gho"));
    EXPECT_TRUE(listed("E:\\photos.ghostly"));
    EXPECT_EQ(windows.getText(kMain, ctl::透明标签1), countText(static_cast<int>(got.size())));
}

TEST_F(SearchTest, ManyFoldersGiveTheSameResultsAndOrderAsTheListings) {
    // A tree whose file-system order differs from creation order.
    for (int i = 0; i < 12; ++i) {
        const Text top = "D:\\f" + std::to_string((i * 7) % 12);
        machine.addFile(top + "\\img" + std::to_string(i) + ".gho", "x");
        for (int j = 0; j < 4; ++j) {
            const Text sub = top + "\\s" + std::to_string((j * 3 + i) % 5);
            machine.addFile(sub + "\\n" + std::to_string(j) + ".GhO", "y");
            if (j % 2) machine.addFile(sub + "\\deep\\" + std::to_string(i) + "长名字的镜像文件.gho", "z");
        }
    }
    search();
    EXPECT_EQ(results(), reference());
    EXPECT_GT(results().size(), 40u);
}

TEST_F(SearchTest, NoSearchedDriveGivesAnEmptyListAndZero) {
    machine.removeDrive('D');
    machine.removeDrive('E');
    machine.removeDrive('F');
    machine.addFile("C:\\only.gho", "x");
    windows.listAdd(kMain, ctl::列表框2, "old entry");
    search();
    EXPECT_TRUE(results().empty());
    EXPECT_EQ(windows.getText(kMain, ctl::透明标签1), countText(0));
    EXPECT_EQ(windows.getText(kMain, ctl::搜索按钮), kSearch);
}

TEST_F(SearchTest, TheButtonReadsStopOnceTheFirstInnermostFolderIsDone) {
    machine.addFile("D:\\a\\b\\1.gho", "x");
    machine.addFile("D:\\a\\c\\2.gho", "x");
    std::vector<Text> captions;  // the caption at each folder's message step
    whenThen([&] {
        captions.push_back(windows.getText(kMain, ctl::搜索按钮));
        return false;
    }, [] {});
    search();
    // D:\, D:\a, D:\a\b: still "search"; after D:\a\b is finished, "stop".
    ASSERT_GE(captions.size(), 4u);
    EXPECT_EQ(captions[0], kSearch);
    EXPECT_EQ(captions[1], kSearch);
    EXPECT_EQ(captions[2], kSearch);
    EXPECT_EQ(captions[3], kStop);
}

TEST_F(SearchTest, StopDuringDSkipsEverythingElse) {
    for (int i = 0; i < 6; ++i) machine.addFile("D:\\d" + std::to_string(i) + "\\img.gho", "x");
    machine.addFile("E:\\e.gho", "x");
    machine.addFile("F:\\f.gho", "x");
    whenThen([&] { return windows.getText(kMain, ctl::搜索按钮) == kStop && results().size() >= 2; },
             [&] { ASSERT_TRUE(windows.click(kMain, ctl::搜索按钮)); });
    search();
    const std::vector<Text> got = results();
    ASSERT_GE(got.size(), 2u);
    EXPECT_LT(got.size(), 6u);
    for (const Text& r : got) EXPECT_EQ(r[0], 'D') << r;
    EXPECT_EQ(windows.getText(kMain, ctl::透明标签1), countText(static_cast<int>(got.size())));
    EXPECT_EQ(windows.getText(kMain, ctl::搜索按钮), kSearch);
    EXPECT_FALSE(app.state.search.running);
    EXPECT_FALSE(app.state.search.walking);

    // The next search starts afresh and finds everything.
    search();
    EXPECT_EQ(results().size(), 8u);
}

TEST_F(SearchTest, AClickWhileTheButtonStillReadsSearchStopsTheSearch) {
    machine.addFile("D:\\1.gho", "x");
    machine.addFile("D:\\a\\2.gho", "x");
    machine.addFile("E:\\3.gho", "x");
    // A second click at the first folder, while the button still reads "search":
    // it stops the search that runs instead of starting one inside it.
    int clicks = 0;
    whenThen([] { return true; }, [&] {
        ASSERT_EQ(windows.getText(kMain, ctl::搜索按钮), kSearch);
        ++clicks;
        windows.click(kMain, ctl::搜索按钮);
    });
    search();
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(results().empty());  // stopped before D:\ was listed
    EXPECT_EQ(windows.getText(kMain, ctl::透明标签1), countText(0));
    EXPECT_EQ(windows.getText(kMain, ctl::搜索按钮), kSearch);

    // Two clicks queued at once: the second stops the first; no image twice.
    windows.post([&] { windows.click(kMain, ctl::搜索按钮); });
    search();
    const std::vector<Text> got = results(), all = reference();
    ASSERT_LE(got.size(), all.size());
    EXPECT_EQ(got, std::vector<Text>(all.begin(), all.begin() + static_cast<long>(got.size())));
    EXPECT_EQ(windows.getText(kMain, ctl::透明标签1), countText(static_cast<int>(got.size())));
    search();
    EXPECT_EQ(results(), reference());
    EXPECT_EQ(windows.getText(kMain, ctl::透明标签1), countText(3));
}

TEST_F(SearchTest, ASearchStartedLaterKeepsWhatTheFirstFoundBeforeIt) {
    machine.addFile("D:\\1.gho", "x");
    machine.addFile("D:\\z\\2.gho", "x");  // D:\z has no subfolders: "stop" after it
    machine.addFile("E:\\3.gho", "x");
    // Clicked while E:\ is walked the caption reads "stop": the click stops.
    whenThen([&] { return results().size() == 2; }, [&] { windows.click(kMain, ctl::搜索按钮); });
    search();
    EXPECT_EQ(results(), (std::vector<Text>{"D:\\1.gho", "D:\\z\\2.gho"}));
    EXPECT_EQ(windows.getText(kMain, ctl::透明标签1), countText(2));
}

TEST_F(SearchTest, SelectingAResultWhileSearchingTakesItAtOnce) {
    machine.addFile("D:\\a\\1.gho", "x");
    for (int i = 0; i < 5; ++i) machine.addFile("E:\\e" + std::to_string(i) + "\\x.gho", "x");
    Text pathAtSelection, stillSearching;
    whenThen([&] { return !results().empty(); }, [&] {
        ASSERT_TRUE(windows.select(kMain, ctl::列表框2, 0));
        pathAtSelection = windows.getText(kMain, ctl::编辑框1);
    });
    search();
    EXPECT_EQ(pathAtSelection, "D:\\a\\1.gho");
    EXPECT_EQ(windows.getText(kMain, ctl::编辑框1), "D:\\a\\1.gho");
    EXPECT_EQ(results().size(), 6u);
}

TEST_F(SearchTest, JunctionsAreNotEntered) {
    machine.addFile("D:\\data\\real.gho", "x");
    machine.addFile("D:\\link\\through-link.gho", "x");
    ASSERT_TRUE(machine.setReparsePoint("D:\\link"));
    search();
    EXPECT_EQ(results(), (std::vector<Text>{"D:\\data\\real.gho"}));
}

TEST_F(SearchTest, ClosingTheWindowEndsTheSearch) {
    for (int i = 0; i < 20; ++i) machine.addFile("D:\\d" + std::to_string(i) + "\\x.gho", "x");
    int foundAtClose = -1;
    whenThen([&] { return results().size() == 3; }, [&] {
        foundAtClose = app.state.search.found;
        windows.pressKey(kMain, sim::kVkEscape);
    });
    search();
    EXPECT_FALSE(windows.windowExists(kMain));
    EXPECT_EQ(app.state.search.found, foundAtClose);
    EXPECT_TRUE(windows.strayControls().empty());
}

TEST_F(SearchTest, MessagesAndRepaintsArePacedByTheClock) {
    for (int i = 0; i < 60; ++i) machine.addFile("D:\\d" + std::to_string(i) + "\\x.gho", "x");
    machine.setClockStep(1);  // 1 ms per look at the clock: a folder every millisecond
    int steps = 0, held = 0;
    whenThen([&] {
        ++steps;
        held += windows.getProp(kMain, ctl::列表框2, Prop::Redraw) == 0;
        return false;
    }, [] {});
    search();
    // 61 folders in about 61 ms: messages at the first folder and then
    // every 10 ms; the list was held between its repaints.
    EXPECT_GE(steps, 4);
    EXPECT_LE(steps, 10);
    EXPECT_GT(held, 0);
    EXPECT_EQ(windows.getProp(kMain, ctl::列表框2, Prop::Redraw), 1);
    EXPECT_EQ(results().size(), 60u);
}

TEST(ImageEntries, MatchLikeThePattern) {
    auto file = [](const Text& name, const Text& shortName = {}) {
        DirEntry e;
        e.name = name;
        e.shortName = shortName;
        e.attributes = kAttrArchive;
        return e;
    };
    EXPECT_TRUE(isImageEntry(file("a.gho")));
    EXPECT_TRUE(isImageEntry(file("A.GHO")));
    EXPECT_TRUE(isImageEntry(file("a.b.gho")));
    EXPECT_TRUE(isImageEntry(file("backup.ghost", "BACKUP~1.GHO")));
    EXPECT_FALSE(isImageEntry(file("a.gh")));
    EXPECT_FALSE(isImageEntry(file("agho")));
    EXPECT_FALSE(isImageEntry(file("a.ghos")));
    // The last byte pair "\x81." is one character: no dot before "gho".
    EXPECT_FALSE(isImageEntry(file("\x81.gho")));
    DirEntry folder = file("x.gho");
    folder.attributes = kAttrDirectory;
    EXPECT_FALSE(isImageEntry(folder));
    EXPECT_TRUE(isSearchedFolder(folder));
    folder.name = ".git";
    EXPECT_FALSE(isSearchedFolder(folder));
}

}  // namespace
}  // namespace trivex
