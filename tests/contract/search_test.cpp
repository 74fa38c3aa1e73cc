// Folder listings: what a pattern matches, long names and short names,
// folders and the dot entries.
#include <algorithm>
#include <vector>

#include "tests/contract/contract.h"

namespace trivex::contract {
namespace {

class Listing : public ContractTest {
protected:
    // Every name the listing yields for the pattern, sorted.
    std::vector<Text> names(const Text& pattern) {
        std::vector<DirEntry> entries;
        std::vector<Text> out;
        if (m.listFolder(pattern, entries))
            for (const DirEntry& e : entries) out.push_back(e.name);
        else
            EXPECT_TRUE(entries.empty());
        std::sort(out.begin(), out.end());
        return out;
    }
    static std::vector<Text> sorted(std::vector<Text> v) {
        std::sort(v.begin(), v.end());
        return v;
    }
};

TEST_F(Listing, FoldersAndDotEntriesComeWithTheirAttributes) {
    ASSERT_TRUE(m.createFolder(at("sub1")));
    ASSERT_TRUE(put("file.gho", "x"));
    ASSERT_TRUE(put("hidden.txt", "x"));
    ASSERT_TRUE(rig().setAttributes(at("hidden.txt"), kAttrHidden | kAttrArchive));
    std::vector<DirEntry> entries;
    ASSERT_TRUE(m.listFolder(at("*"), entries));
    std::vector<Text> folders, files;
    for (const DirEntry& e : entries) {
        (e.attributes & kAttrDirectory ? folders : files).push_back(e.name);
        if (e.name == "hidden.txt") {
            EXPECT_EQ(e.attributes & kAttrHidden, kAttrHidden);
        }
        if (e.name == "file.gho") {
            EXPECT_EQ(e.size, 1);
        }
    }
    EXPECT_EQ(sorted(folders), (std::vector<Text>{".", "..", "sub1"}));
    EXPECT_EQ(sorted(files), (std::vector<Text>{"file.gho", "hidden.txt"}));
    EXPECT_EQ(names(at("missing\\*")), std::vector<Text>{});
    EXPECT_EQ(names(at("sub1\\*.gho")), std::vector<Text>{}) << "an empty folder matches nothing";
}

TEST_F(Listing, PatternsIgnoreLetterCaseAndMatchWholeNames) {
    ASSERT_TRUE(put("a.gho", "x"));
    ASSERT_TRUE(put("B.GHO", "x"));
    ASSERT_TRUE(put("c.ghx", "x"));
    ASSERT_TRUE(put("d.gho.txt", "x"));
    ASSERT_TRUE(put("镜像.gho", "x"));
    EXPECT_EQ(names(at("*.gho")), sorted({"a.gho", "B.GHO", "镜像.gho"}));
    EXPECT_EQ(names(at("?.gho")), sorted({"a.gho", "B.GHO"}));
    EXPECT_EQ(names(at("nothing*.gho")), std::vector<Text>{});
    // A plain path lists the file itself.
    EXPECT_EQ(names(at("A.GHO")), std::vector<Text>{"a.gho"});
}

// Long names carry an 8.3 short name, and a pattern matches either name: so
// "*.gho" also finds "backup.ghost" (through a short name such as
// "BACKUP~1.GHO"), as a search for images on Windows does.
TEST_F(Listing, PatternsMatchShortNamesToo) {
    ASSERT_TRUE(put("backup.ghost", "x"));
    ASSERT_TRUE(put("G_WinXP.gho", "x"));
    EXPECT_EQ(names(at("*.gho")), sorted({"G_WinXP.gho", "backup.ghost"}));
    std::vector<DirEntry> entries;
    ASSERT_TRUE(m.listFolder(at("backup.ghost"), entries));
    EXPECT_NE(entries[0].shortName.find('~'), Text::npos) << entries[0].shortName;
    EXPECT_LE(entries[0].shortName.size(), 12u);
    ASSERT_TRUE(m.listFolder(at("G_WinXP.gho"), entries));
    EXPECT_EQ(entries[0].shortName, "") << "already an 8.3 name";
}

}  // namespace
}  // namespace trivex::contract
