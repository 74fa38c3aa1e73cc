// Files and folders: write, read, rename, delete, create folder, size, time,
// attributes, drive space, and the system's error numbers and words.
#include <algorithm>
#include <cmath>

#include "platform/files.h"
#include "tests/contract/contract.h"

namespace trivex::contract {
namespace {

class WriteFile : public ContractTest {};

TEST_F(WriteFile, EmptyPathFailsAndNoBlocksGiveAnEmptyFile) {
    EXPECT_FALSE(m.writeFile("", {bytesOf("x")}));
    EXPECT_TRUE(m.writeFile(at("empty.bin"), {}));
    EXPECT_EQ(contentOf(at("empty.bin")), Text());
    EXPECT_EQ(fileSize(m, at("empty.bin")), 0);
}

TEST_F(WriteFile, WritesBlocksInOrderSkippingEmptyOnesAndTruncates) {
    const Text gbk = "还原";  // GBK bytes
    ASSERT_TRUE(m.writeFile(at("f.txt"), {bytesOf("abc"), ByteView{}, bytesOf(gbk), bytesOf("\r\n")}));
    EXPECT_EQ(contentOf(at("f.txt")), "abc" + gbk + "\r\n");
    ASSERT_TRUE(put("f.txt", "z"));
    EXPECT_EQ(contentOf(at("f.txt")), Text("z"));
}

TEST_F(WriteFile, FailsInAMissingFolderAndOverAFolder) {
    EXPECT_FALSE(m.writeFile(at("no\\f.txt"), {bytesOf("x")}));
    ASSERT_TRUE(m.createFolder(at("sub")));
    EXPECT_FALSE(m.writeFile(at("sub"), {bytesOf("x")}));
}

// Writing over a protected file is refused, which is why the boot menu's
// attributes are cleared before it is rewritten, saved or put back.
const char kOnlyForAnOrdinaryUser[] =
    "Wine protects a read-only file from an ordinary user only: run this with tests/wine/run_in_wine.sh --ordinary-user";

TEST_F(WriteFile, RefusesAReadOnlyFileAndLeavesItAlone) {
    ASSERT_TRUE(put("boot.ini", "old"));
    ASSERT_TRUE(rig().setAttributes(at("boot.ini"), kAttrReadOnly));
    EXPECT_FALSE(put("boot.ini", "new")) << kOnlyForAnOrdinaryUser;
    EXPECT_EQ(contentOf(at("boot.ini")), Text("old"));
    ASSERT_TRUE(rig().setAttributes(at("boot.ini"), 0));
    EXPECT_TRUE(put("boot.ini", "new"));
    EXPECT_EQ(contentOf(at("boot.ini")), Text("new"));
}

TEST_F(WriteFile, OnWindowsHiddenSystemAndMovesOntoReadOnlyAreRefusedToo) {
    if (!rig().guardsHiddenSystemAndMoves())
        GTEST_SKIP() << "Wine creates and copies over hidden and system files and moves onto read-only ones";
    ASSERT_TRUE(put("menu.ini", "menu"));
    for (uint32_t attr : {uint32_t{kAttrHidden}, uint32_t{kAttrSystem}, uint32_t{kAttrHidden | kAttrSystem}}) {
        const Text name = "p" + std::to_string(attr) + ".ini";
        ASSERT_TRUE(put(name, "old"));
        ASSERT_TRUE(rig().setAttributes(at(name), attr));
        EXPECT_FALSE(put(name, "new")) << attr;
        EXPECT_EQ(contentOf(at(name)), Text("old")) << attr;
    }
    ASSERT_TRUE(put("ro.ini", "old"));
    ASSERT_TRUE(rig().setAttributes(at("ro.ini"), kAttrReadOnly));
    EXPECT_FALSE(m.replaceFile(at("menu.ini"), at("ro.ini")));
    EXPECT_EQ(contentOf(at("ro.ini")), Text("old"));
    EXPECT_EQ(contentOf(at("menu.ini")), Text("menu"));
}

// The job's files are written whole: the name shows the old file or the
// new one, never a part, and the temporary file does not stay. Each write
// makes a temporary file of its own: a file that is there already, whatever
// its name (a user's TRIVEX.TMP, one named as ours are), keeps its bytes.
TEST_F(WriteFile, AWholeWriteReplacesTheFileAndLeavesNoTemporaryFile) {
    ASSERT_TRUE(put("grldr", "an older loader, longer than the new one"));
    ASSERT_TRUE(m.writeFileWhole(at("grldr"), {bytesOf("new "), bytesOf("loader")}));
    EXPECT_EQ(contentOf(at("grldr")), Text("new loader"));
    EXPECT_TRUE(m.writeFileWhole(at("fresh.img"), {bytesOf("image")}));
    EXPECT_EQ(contentOf(at("fresh.img")), Text("image"));
    EXPECT_EQ(temporariesIn(m, dir), std::vector<Text>{});

    ASSERT_TRUE(put("TRIVEX.TMP", "the user's own"));
    ASSERT_TRUE(put("TVX00001.TMP", "half of something"));
    ASSERT_TRUE(rig().setAttributes(at("TVX00001.TMP"), kAttrReadOnly));
    for (const char* text : {"third", "fourth", "fifth"}) {
        EXPECT_TRUE(m.writeFileWhole(at("grldr"), {bytesOf(text)}));
        EXPECT_EQ(contentOf(at("grldr")), Text(text));
    }
    EXPECT_EQ(contentOf(at("TRIVEX.TMP")), Text("the user's own"));
    EXPECT_EQ(contentOf(at("TVX00001.TMP")), Text("half of something"));
    EXPECT_EQ(temporariesIn(m, dir), std::vector<Text>{at("TVX00001.TMP")});
    ASSERT_TRUE(rig().setAttributes(at("TVX00001.TMP"), 0));
    ASSERT_TRUE(m.deleteFile(at("TVX00001.TMP")));

    // A protected file is refused and keeps its bytes; nothing is left beside it.
    ASSERT_TRUE(put("boot.ini", "menu"));
    ASSERT_TRUE(rig().setAttributes(at("boot.ini"), kAttrReadOnly | kAttrHidden | kAttrSystem));
    EXPECT_FALSE(m.writeFileWhole(at("boot.ini"), {bytesOf("other")}));
    EXPECT_EQ(contentOf(at("boot.ini")), Text("menu"));
    EXPECT_EQ(temporariesIn(m, dir), std::vector<Text>{});
    EXPECT_FALSE(m.writeFileWhole(at("no\\f.txt"), {bytesOf("x")}));
    EXPECT_FALSE(m.writeFileWhole("", {bytesOf("x")}));
    EXPECT_EQ(contentOf(at("TRIVEX.TMP")), Text("the user's own"));
}

// The temporary files' names: their form, and nothing else, in the
// listing of a folder.
TEST_F(WriteFile, TemporaryNamesHaveTheirFormAndOnlyThoseAreListedAsSuch) {
    EXPECT_EQ(temporaryFor("C:\\grldr", 0x0A3F1), "C:\\TVX0A3F1.TMP");
    EXPECT_EQ(temporaryFor("E:\\Ghost\\G.gho", 0x123456), "E:\\Ghost\\TVX23456.TMP");
    EXPECT_EQ(temporaryFor("grldr", 1), "");
    for (const char* name : {"TVX0A3F1.TMP", "tvx0a3f1.tmp"}) EXPECT_TRUE(isTemporaryName(name)) << name;
    for (const char* name : {"TRIVEX.TMP", "TVX0A3F.TMP", "TVX0A3F12.TMP", "TVX0A3G1.TMP", "TVX0A3F1.TMP.txt", "XTVX0A3F1.TMP"})
        EXPECT_FALSE(isTemporaryName(name)) << name;
    for (const char* name : {"TRIVEX.TMP", "TVX0A3F.TMP", "TVXABCDEF.TMP", "TVX12345.TMP", "tvxfffff.tmp"})
        ASSERT_TRUE(put(name, name));
    ASSERT_TRUE(m.createFolder(at("TVX00000.TMP")));
    std::vector<Text> found = temporariesIn(m, dir);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<Text>{at("TVX12345.TMP"), at("tvxfffff.tmp")}));
}

TEST_F(WriteFile, TheLocalTimeIsTheTimeFilesAreWrittenAt) {
    ASSERT_TRUE(put("now.txt", "x"));
    const double written = fileModTime(m, at("now.txt"));
    const double now = m.localTime();
    EXPECT_NEAR(now, written, 2.0 / (24 * 60)) << "two minutes";
}

class RenameDelete : public ContractTest {};

TEST_F(RenameDelete, RenameOntoAnExistingFileFailsAndLeavesBoth) {
    ASSERT_TRUE(put("boot.bak", "saved"));
    ASSERT_TRUE(put("boot.ini", "redirected"));
    EXPECT_FALSE(m.renameFile(at("boot.bak"), at("boot.ini")));
    EXPECT_EQ(contentOf(at("boot.bak")), Text("saved"));
    EXPECT_EQ(contentOf(at("boot.ini")), Text("redirected"));

    ASSERT_TRUE(m.deleteFile(at("boot.ini")));
    EXPECT_TRUE(m.renameFile(at("boot.bak"), at("boot.ini")));
    EXPECT_EQ(contentOf(at("boot.ini")), Text("saved"));
    EXPECT_EQ(fileSize(m, at("boot.bak")), -1);
    EXPECT_FALSE(m.renameFile(at("boot.bak"), at("x")));
}

TEST_F(RenameDelete, RenameKeepsTheAttributes) {
    ASSERT_TRUE(put("boot.bak", "saved"));
    ASSERT_TRUE(rig().setAttributes(at("boot.bak"), kAttrHidden | kAttrSystem | kAttrReadOnly));
    ASSERT_TRUE(m.renameFile(at("boot.bak"), at("boot.ini")));
    EXPECT_EQ(m.fileAttributes(at("boot.ini")) & (kAttrHidden | kAttrSystem | kAttrReadOnly),
              kAttrHidden | kAttrSystem | kAttrReadOnly);
}

// The saved boot menu replaces the redirected one in one move: there is no
// moment without the file, and it keeps its own attributes.
TEST_F(RenameDelete, ReplaceMovesOverAnExistingFileInOneStep) {
    ASSERT_TRUE(put("boot.bak", "saved"));
    ASSERT_TRUE(rig().setAttributes(at("boot.bak"), kAttrHidden | kAttrSystem | kAttrReadOnly));
    ASSERT_TRUE(put("boot.ini", "redirected"));
    EXPECT_TRUE(m.replaceFile(at("boot.bak"), at("boot.ini")));
    EXPECT_EQ(contentOf(at("boot.ini")), Text("saved"));
    EXPECT_EQ(fileSize(m, at("boot.bak")), -1);
    EXPECT_EQ(m.fileAttributes(at("boot.ini")) & (kAttrHidden | kAttrSystem), kAttrHidden | kAttrSystem);
    // Onto nothing it is a rename; from nothing it fails.
    EXPECT_TRUE(m.replaceFile(at("boot.ini"), at("menu.ini")));
    EXPECT_EQ(contentOf(at("menu.ini")), Text("saved"));
    EXPECT_FALSE(m.replaceFile(at("boot.ini"), at("menu.ini")));
    EXPECT_EQ(contentOf(at("menu.ini")), Text("saved"));
}

TEST_F(RenameDelete, SetAttributesSetsTheWholeWord) {
    ASSERT_TRUE(put("grldr", "x"));
    const uint32_t rhs = kAttrReadOnly | kAttrHidden | kAttrSystem;
    ASSERT_TRUE(m.setFileAttributes(at("grldr"), kAttrHidden | kAttrSystem));
    EXPECT_EQ(m.fileAttributes(at("grldr")) & rhs, kAttrHidden | kAttrSystem);
    ASSERT_TRUE(m.setFileAttributes(at("grldr"), rhs));  // a boot menu's protection, all at once
    EXPECT_EQ(m.fileAttributes(at("grldr")) & rhs, rhs);
    ASSERT_TRUE(m.setFileAttributes(at("grldr"), 0));
    EXPECT_EQ(m.fileAttributes(at("grldr")) & rhs, 0);
    EXPECT_FALSE(m.setFileAttributes(at("missing"), 0));
}

// The custom Ghost guard: every spelling of a path leads to the same file.
TEST_F(RenameDelete, FullPathsAndFileIdentity) {
    ASSERT_TRUE(put("ghost.exe", "g"));
    ASSERT_TRUE(put("other.exe", "g"));
    const Text full = m.fullPath(at("ghost.exe"));
    for (const Text& spelling : {at(".\\ghost.exe"), at("ghost.exe."), at("sub\\..\\ghost.exe")})
        EXPECT_EQ(m.fullPath(spelling), full) << spelling;
    Text slashed = at("ghost.exe");
    for (char& c : slashed)
        if (c == '\\') c = '/';
    EXPECT_EQ(m.fullPath(slashed), full);
    EXPECT_TRUE(m.sameFile(at("GHOST.EXE"), at("ghost.exe")));
    EXPECT_TRUE(m.sameFile(slashed, at("ghost.exe")));
    EXPECT_FALSE(m.sameFile(at("other.exe"), at("ghost.exe")));  // same bytes, another file
    EXPECT_FALSE(m.sameFile(at("missing.exe"), at("missing.exe")));
}

TEST_F(RenameDelete, DeleteRemovesFilesOnly) {
    ASSERT_TRUE(put("Ghost.bat", "x"));
    EXPECT_TRUE(m.deleteFile(at("GHOST.BAT")));  // letter case does not matter
    EXPECT_EQ(fileSize(m, at("ghost.bat")), -1);
    EXPECT_FALSE(m.deleteFile(at("ghost.bat")));
    ASSERT_TRUE(m.createFolder(at("sub")));
    EXPECT_FALSE(m.deleteFile(at("sub")));
    ASSERT_TRUE(put("ro.txt", "x"));
    ASSERT_TRUE(rig().setAttributes(at("ro.txt"), kAttrReadOnly));
    EXPECT_FALSE(m.deleteFile(at("ro.txt")));
    EXPECT_EQ(contentOf(at("ro.txt")), Text("x"));
}

class FoldersAndEntries : public ContractTest {};

TEST_F(FoldersAndEntries, CreateFolderMakesTheLastLevelOnly) {
    EXPECT_TRUE(m.createFolder(at("Ghost")));
    EXPECT_FALSE(m.createFolder(at("Ghost")));
    EXPECT_FALSE(m.createFolder(at("ghost")));
    EXPECT_FALSE(m.createFolder(at("a\\b")));
    EXPECT_EQ(m.fileAttributes(at("a")), -1);
    EXPECT_EQ(m.fileAttributes(at("Ghost")) & kAttrDirectory, kAttrDirectory);
}

TEST_F(FoldersAndEntries, SizeAndTimeOfMissingPathsFilesAndFolders) {
    EXPECT_EQ(fileSize(m, at("none.gho")), -1);
    EXPECT_EQ(fileModTime(m, at("none.gho")), kNoDate);
    EXPECT_EQ(m.fileAttributes(at("none.gho")), -1);

    ASSERT_TRUE(m.writeFile(at("img.gho"), {bytesOf(Text(5000, 'g'))}));
    EXPECT_EQ(fileSize(m, at("img.gho")), 5000);
    const double fiveMinutes = 5.0 / (24 * 60);
    EXPECT_NEAR(fileModTime(m, at("img.gho")), rig().localNow(), fiveMinutes);
    EXPECT_EQ(m.fileAttributes(at("img.gho")) & (kAttrDirectory | kAttrHidden), 0);

    // A folder is found like a file: its own entry.
    ASSERT_TRUE(m.createFolder(at("G_WinXP.gho")));
    EXPECT_EQ(fileSize(m, at("G_WinXP.gho")), 0);
    EXPECT_NEAR(fileModTime(m, at("G_WinXP.gho")), rig().localNow(), fiveMinutes);
    // A pattern gives the first match.
    EXPECT_EQ(fileSize(m, at("img.g*")), 5000);
}

TEST_F(FoldersAndEntries, DiskSpace) {
    const char drive = dir[0];
    uint64_t total = 0, free = 0;
    ASSERT_TRUE(m.diskSpace(drive, total, free));
    EXPECT_GT(total, 0u);
    EXPECT_LE(free, total);
    uint64_t lowerTotal = 0, lowerFree = 0;
    ASSERT_TRUE(m.diskSpace(static_cast<char>(drive - 'A' + 'a'), lowerTotal, lowerFree));
    EXPECT_EQ(lowerTotal, total);
    EXPECT_FALSE(m.diskSpace(rig().missingDrive(), total, free));
    EXPECT_TRUE(m.diskSpace(0, total, free)) << "0: the current drive";
}

TEST_F(FoldersAndEntries, ReadGivesThePiecesAskedFor) {
    ASSERT_TRUE(put("img.gho", "\xFE\xEF" "0123456789"));
    Text got;
    ASSERT_TRUE(m.readFile(at("img.gho"), 0, 2, got));
    EXPECT_EQ(got, "\xFE\xEF");
    ASSERT_TRUE(m.readFile(at("img.gho"), 10, 100, got));
    EXPECT_EQ(got, "89") << "fewer at the end of the file";
    ASSERT_TRUE(m.readFile(at("img.gho"), 50, 4, got));
    EXPECT_EQ(got, "") << "none past it";
    // A file that is read-only, hidden and system is read all the same.
    ASSERT_TRUE(rig().setAttributes(at("img.gho"), kAttrReadOnly | kAttrHidden | kAttrSystem));
    EXPECT_EQ(readWholeFile(m, at("img.gho")), Text("\xFE\xEF" "0123456789"));
    EXPECT_FALSE(m.readFile(at("missing.gho"), 0, 2, got));
    EXPECT_FALSE(m.readFile(dir.substr(0, dir.size() - 1), 0, 2, got)) << "a folder";
}

// A failure carries the system's error number, and the system has words for it.
TEST_F(FoldersAndEntries, FailuresSayWhyInTheSystemsWords) {
    constexpr uint32_t kFileNotFound = 2, kPathNotFound = 3, kAlreadyExists = 183;
    EXPECT_EQ(m.writeFile(at("no\\f.txt"), {bytesOf("x")}).error, kPathNotFound);
    EXPECT_EQ(m.deleteFile(at("none.txt")).error, kFileNotFound);
    ASSERT_TRUE(put("a.txt", "a"));
    ASSERT_TRUE(put("b.txt", "b"));
    EXPECT_EQ(m.renameFile(at("a.txt"), at("b.txt")).error, kAlreadyExists);
    ASSERT_TRUE(rig().setAttributes(at("b.txt"), kAttrReadOnly));
    EXPECT_EQ(m.deleteFile(at("b.txt")).error, kErrorAccessDenied);
    EXPECT_EQ(m.writeFileWhole(at("b.txt"), {bytesOf("x")}).error, kErrorAccessDenied);
    for (const uint32_t e : {uint32_t{kErrorAccessDenied}, uint32_t{kErrorDiskFull}, kPathNotFound}) {
        const Text words = m.errorText(e);
        EXPECT_FALSE(words.empty()) << e;
        EXPECT_EQ(words.find_first_of("\r\n"), Text::npos) << e;
    }
}

}  // namespace
}  // namespace trivex::contract
