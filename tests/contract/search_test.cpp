// File search: find first / find next / close with the attribute filter.
#include <algorithm>
#include <vector>

#include "platform/search.h"
#include "tests/contract/contract.h"

namespace trivex::contract {
namespace {

class Search : public ContractTest {
protected:
    // Every name the search yields for the pattern, in order.
    std::vector<Text> all(const Text& pattern, int mask) {
        std::vector<Text> names;
        SearchState state;
        for (Text name = findFirst(p, pattern, mask, state); !name.empty(); name = findNext(p, mask, state))
            names.push_back(name);
        EXPECT_EQ(state.handle, 0u) << "the search closes itself when it runs out";
        return names;
    }
    static std::vector<Text> sorted(std::vector<Text> v) {
        std::sort(v.begin(), v.end());
        return v;
    }
};

TEST_F(Search, NoMaskOverOnlyFoldersFindsNothingAndLeavesNoSearchOpen) {
    ASSERT_TRUE(p.createFolder(at("a")));
    ASSERT_TRUE(p.createFolder(at("b")));
    SearchState state;
    EXPECT_EQ(findFirst(p, at("*.*"), kNoMask, state), Text());
    EXPECT_EQ(state.handle, 0u);
    EXPECT_EQ(findNext(p, kNoMask, state), Text());
}

TEST_F(Search, FolderMaskYieldsDotEntriesAndFoldersOnly) {
    ASSERT_TRUE(p.createFolder(at("sub1")));
    ASSERT_TRUE(p.createFolder(at(".hidden")));
    ASSERT_TRUE(put("file.gho", "x"));
    EXPECT_EQ(sorted(all(at("*.*"), kAttrDirectory)), (std::vector<Text>{".", "..", ".hidden", "sub1"}));
}

TEST_F(Search, AttributeFilter) {
    ASSERT_TRUE(put("plain.txt", "x"));
    ASSERT_TRUE(put("hidden.txt", "x"));
    ASSERT_TRUE(put("ro.txt", "x"));
    ASSERT_TRUE(p.createFolder(at("dir")));
    ASSERT_TRUE(machine().setAttributes(at("hidden.txt"), kAttrHidden | kAttrArchive));
    ASSERT_TRUE(machine().setAttributes(at("ro.txt"), kAttrReadOnly));

    // No mask: every file, whatever its attributes; no folders.
    EXPECT_EQ(sorted(all(at("*"), kNoMask)), (std::vector<Text>{"hidden.txt", "plain.txt", "ro.txt"}));
    EXPECT_EQ(all(at("*"), kAttrHidden), (std::vector<Text>{"hidden.txt"}));
    EXPECT_EQ(all(at("*"), kAttrReadOnly), (std::vector<Text>{"ro.txt"}));
    // One shared bit is enough.
    EXPECT_EQ(sorted(all(at("*"), kAttrHidden | kAttrReadOnly)), (std::vector<Text>{"hidden.txt", "ro.txt"}));
    EXPECT_EQ(sorted(all(at("*"), kAttrHidden | kAttrDirectory)),
              (std::vector<Text>{".", "..", "dir", "hidden.txt"}));
    // The volume bit is dropped: a mask of 8 alone passes only attribute words
    // of 0, which no entry has.
    EXPECT_EQ(all(at("*"), kAttrVolume), std::vector<Text>{});
    EXPECT_EQ(sorted(all(at("*"), kAttrVolume | kAttrReadOnly)), (std::vector<Text>{"ro.txt"}));
}

TEST_F(Search, PatternsIgnoreLetterCaseAndMatchWholeNames) {
    ASSERT_TRUE(put("a.gho", "x"));
    ASSERT_TRUE(put("B.GHO", "x"));
    ASSERT_TRUE(put("c.ghx", "x"));
    ASSERT_TRUE(put("d.gho.txt", "x"));
    ASSERT_TRUE(put("镜像.gho", "x"));
    EXPECT_EQ(sorted(all(at("*.gho"), kNoMask)), sorted({"a.gho", "B.GHO", "镜像.gho"}));
    EXPECT_EQ(sorted(all(at("?.gho"), kNoMask)), sorted({"a.gho", "B.GHO"}));
    EXPECT_EQ(all(at("nothing*.gho"), kNoMask), std::vector<Text>{});
    EXPECT_EQ(all(at("missing\\*.gho"), kNoMask), std::vector<Text>{});
}

// Long names carry an 8.3 short name, and a pattern matches either name: so
// "*.gho" also finds "backup.ghost" (through a short name such as
// "BACKUP~1.GHO"), as a search for images on Windows does.
TEST_F(Search, PatternsMatchShortNamesToo) {
    ASSERT_TRUE(put("backup.ghost", "x"));
    ASSERT_TRUE(put("G_WinXP.gho", "x"));
    EXPECT_EQ(sorted(all(at("*.gho"), kNoMask)), sorted({"G_WinXP.gho", "backup.ghost"}));
    uintptr_t handle = 0;
    DirEntry entry;
    ASSERT_TRUE(p.listFirst(at("backup.ghost"), handle, entry));
    p.listClose(handle);
    EXPECT_NE(entry.shortName.find('~'), Text::npos) << entry.shortName;
    EXPECT_LE(entry.shortName.size(), 12u);
    ASSERT_TRUE(p.listFirst(at("G_WinXP.gho"), handle, entry));
    p.listClose(handle);
    EXPECT_EQ(entry.shortName, "") << "already an 8.3 name";
}

TEST_F(Search, FindFirstClosesTheSearchAlreadyOpenInTheState) {
    ASSERT_TRUE(put("1.gho", "x"));
    ASSERT_TRUE(put("2.gho", "x"));
    SearchState state;
    const Text first = findFirst(p, at("*.gho"), kNoMask, state);
    ASSERT_FALSE(first.empty());
    ASSERT_NE(state.handle, 0u);
    // Starting again restarts from the first entry.
    EXPECT_EQ(findFirst(p, at("*.gho"), kNoMask, state), first);
    closeSearch(p, state);
    EXPECT_EQ(state.handle, 0u);
    EXPECT_EQ(findNext(p, kNoMask, state), Text());
}

}  // namespace
}  // namespace trivex::contract
