// Files and folders: write, copy, rename, delete, create folder, size, time,
// attributes, drive space.
#include <cmath>

#include "platform/disk.h"
#include "tests/contract/contract.h"

namespace trivex::contract {
namespace {

class WriteFile : public ContractTest {};

TEST_F(WriteFile, EmptyPathFailsAndNoBlocksGiveAnEmptyFile) {
    EXPECT_FALSE(p.writeFile("", {bytesOf("x")}));
    EXPECT_TRUE(p.writeFile(at("empty.bin"), {}));
    EXPECT_EQ(contentOf(at("empty.bin")), Text());
    EXPECT_EQ(p.fileSize(at("empty.bin")), 0);
}

TEST_F(WriteFile, WritesBlocksInOrderSkippingEmptyOnesAndTruncates) {
    const Text gbk = "还原";  // GBK bytes
    ASSERT_TRUE(p.writeFile(at("f.txt"), {bytesOf("abc"), ByteView{}, bytesOf(gbk), bytesOf("\r\n")}));
    EXPECT_EQ(contentOf(at("f.txt")), "abc" + gbk + "\r\n");
    ASSERT_TRUE(put("f.txt", "z"));
    EXPECT_EQ(contentOf(at("f.txt")), Text("z"));
}

TEST_F(WriteFile, FailsInAMissingFolderAndOverAFolder) {
    EXPECT_FALSE(p.writeFile(at("no\\f.txt"), {bytesOf("x")}));
    ASSERT_TRUE(p.createFolder(at("sub")));
    EXPECT_FALSE(p.writeFile(at("sub"), {bytesOf("x")}));
}

// Writing over a protected file is refused, which is why the boot menu's
// attributes are cleared before it is rewritten, saved or put back.
const char kOnlyForAnOrdinaryUser[] =
    "Wine protects a read-only file from an ordinary user only: run this with tests/wine/run_in_wine.sh --ordinary-user";

TEST_F(WriteFile, RefusesAReadOnlyFileAndLeavesItAlone) {
    ASSERT_TRUE(put("boot.ini", "old"));
    ASSERT_TRUE(machine().setAttributes(at("boot.ini"), kAttrReadOnly));
    EXPECT_FALSE(put("boot.ini", "new")) << kOnlyForAnOrdinaryUser;
    EXPECT_EQ(contentOf(at("boot.ini")), Text("old"));
    ASSERT_TRUE(machine().setAttributes(at("boot.ini"), 0));
    EXPECT_TRUE(put("boot.ini", "new"));
    EXPECT_EQ(contentOf(at("boot.ini")), Text("new"));
}

TEST_F(WriteFile, OnWindowsHiddenSystemAndMovesOntoReadOnlyAreRefusedToo) {
    if (!machine().guardsHiddenSystemAndMoves())
        GTEST_SKIP() << "Wine creates and copies over hidden and system files and moves onto read-only ones";
    ASSERT_TRUE(put("menu.ini", "menu"));
    for (uint32_t attr : {uint32_t{kAttrHidden}, uint32_t{kAttrSystem}, uint32_t{kAttrHidden | kAttrSystem}}) {
        const Text name = "p" + std::to_string(attr) + ".ini";
        ASSERT_TRUE(put(name, "old"));
        ASSERT_TRUE(machine().setAttributes(at(name), attr));
        EXPECT_FALSE(put(name, "new")) << attr;
        if (attr & kAttrHidden) {  // a file that is only system is copied over
            EXPECT_FALSE(p.copyFile(at("menu.ini"), at(name))) << attr;
        }
        EXPECT_EQ(contentOf(at(name)), Text("old")) << attr;
    }
    ASSERT_TRUE(put("ro.ini", "old"));
    ASSERT_TRUE(machine().setAttributes(at("ro.ini"), kAttrReadOnly));
    EXPECT_FALSE(p.replaceFile(at("menu.ini"), at("ro.ini")));
    EXPECT_EQ(contentOf(at("ro.ini")), Text("old"));
    EXPECT_EQ(contentOf(at("menu.ini")), Text("menu"));
}

// The job's files are written whole: the name shows the old file or the
// new one, never a part, and the temporary file does not stay.
TEST_F(WriteFile, AWholeWriteReplacesTheFileAndLeavesNoTemporaryFile) {
    ASSERT_TRUE(put("grldr", "an older loader, longer than the new one"));
    ASSERT_TRUE(p.writeFileWhole(at("grldr"), {bytesOf("new "), bytesOf("loader")}));
    EXPECT_EQ(contentOf(at("grldr")), Text("new loader"));
    EXPECT_TRUE(p.writeFileWhole(at("fresh.img"), {bytesOf("image")}));
    EXPECT_EQ(contentOf(at("fresh.img")), Text("image"));
    EXPECT_EQ(p.fileAttributes(at("TRIVEX.TMP")), -1);

    // A temporary file that a cut left behind, read-only even, is replaced.
    ASSERT_TRUE(put("TRIVEX.TMP", "half of something"));
    ASSERT_TRUE(machine().setAttributes(at("TRIVEX.TMP"), kAttrReadOnly));
    EXPECT_TRUE(p.writeFileWhole(at("grldr"), {bytesOf("third")}));
    EXPECT_EQ(contentOf(at("grldr")), Text("third"));
    EXPECT_EQ(p.fileAttributes(at("TRIVEX.TMP")), -1);

    // A protected file is refused and keeps its bytes; nothing is left beside it.
    ASSERT_TRUE(put("boot.ini", "menu"));
    ASSERT_TRUE(machine().setAttributes(at("boot.ini"), kAttrReadOnly | kAttrHidden | kAttrSystem));
    EXPECT_FALSE(p.writeFileWhole(at("boot.ini"), {bytesOf("other")}));
    EXPECT_EQ(contentOf(at("boot.ini")), Text("menu"));
    EXPECT_EQ(p.fileAttributes(at("TRIVEX.TMP")), -1);
    EXPECT_FALSE(p.writeFileWhole(at("no\\f.txt"), {bytesOf("x")}));
    EXPECT_FALSE(p.writeFileWhole("", {bytesOf("x")}));
}

TEST_F(WriteFile, TheLocalTimeIsTheTimeFilesAreWrittenAt) {
    ASSERT_TRUE(put("now.txt", "x"));
    const double written = p.fileModTime(at("now.txt"));
    const double now = p.localTime();
    EXPECT_NEAR(now, written, 2.0 / (24 * 60)) << "two minutes";
}

class CopyRenameDelete : public ContractTest {};

TEST_F(CopyRenameDelete, CopyReplacesAnExistingTargetAndKeepsTheSource) {
    ASSERT_TRUE(put("a.ini", "first"));
    ASSERT_TRUE(put("b.bak", "older and longer"));
    EXPECT_TRUE(p.copyFile(at("a.ini"), at("b.bak")));
    EXPECT_EQ(contentOf(at("b.bak")), Text("first"));
    EXPECT_EQ(contentOf(at("a.ini")), Text("first"));
    EXPECT_FALSE(p.copyFile(at("missing"), at("c")));
    EXPECT_EQ(p.fileSize(at("c")), -1);
}

TEST_F(CopyRenameDelete, CopyCarriesTheAttributes) {
    ASSERT_TRUE(put("boot.ini", "menu"));
    ASSERT_TRUE(machine().setAttributes(at("boot.ini"), kAttrHidden | kAttrSystem | kAttrReadOnly));
    ASSERT_TRUE(p.copyFile(at("boot.ini"), at("boot.bak")));
    const int64_t attrs = p.fileAttributes(at("boot.bak"));
    const uint32_t all = kAttrHidden | kAttrSystem | kAttrReadOnly;
    EXPECT_EQ(attrs & all, machine().guardsHiddenSystemAndMoves() ? all : kAttrReadOnly);
    // A read-only target is not replaced.
    ASSERT_TRUE(machine().setAttributes(at("boot.ini"), 0));
    ASSERT_TRUE(put("boot.ini", "changed"));
    EXPECT_FALSE(p.copyFile(at("boot.ini"), at("boot.bak"))) << kOnlyForAnOrdinaryUser;
    EXPECT_EQ(contentOf(at("boot.bak")), Text("menu"));
}

TEST_F(CopyRenameDelete, RenameOntoAnExistingFileFailsAndLeavesBoth) {
    ASSERT_TRUE(put("boot.bak", "saved"));
    ASSERT_TRUE(put("boot.ini", "redirected"));
    EXPECT_FALSE(p.renameFile(at("boot.bak"), at("boot.ini")));
    EXPECT_EQ(contentOf(at("boot.bak")), Text("saved"));
    EXPECT_EQ(contentOf(at("boot.ini")), Text("redirected"));

    ASSERT_TRUE(p.deleteFile(at("boot.ini")));
    EXPECT_TRUE(p.renameFile(at("boot.bak"), at("boot.ini")));
    EXPECT_EQ(contentOf(at("boot.ini")), Text("saved"));
    EXPECT_EQ(p.fileSize(at("boot.bak")), -1);
    EXPECT_FALSE(p.renameFile(at("boot.bak"), at("x")));
}

TEST_F(CopyRenameDelete, RenameKeepsTheAttributes) {
    ASSERT_TRUE(put("boot.bak", "saved"));
    ASSERT_TRUE(machine().setAttributes(at("boot.bak"), kAttrHidden | kAttrSystem | kAttrReadOnly));
    ASSERT_TRUE(p.renameFile(at("boot.bak"), at("boot.ini")));
    EXPECT_EQ(p.fileAttributes(at("boot.ini")) & (kAttrHidden | kAttrSystem | kAttrReadOnly),
              kAttrHidden | kAttrSystem | kAttrReadOnly);
}

// The saved boot menu replaces the redirected one in one move: there is no
// moment without the file, and it keeps its own attributes.
TEST_F(CopyRenameDelete, ReplaceMovesOverAnExistingFileInOneStep) {
    ASSERT_TRUE(put("boot.bak", "saved"));
    ASSERT_TRUE(machine().setAttributes(at("boot.bak"), kAttrHidden | kAttrSystem | kAttrReadOnly));
    ASSERT_TRUE(put("boot.ini", "redirected"));
    EXPECT_TRUE(p.replaceFile(at("boot.bak"), at("boot.ini")));
    EXPECT_EQ(contentOf(at("boot.ini")), Text("saved"));
    EXPECT_EQ(p.fileSize(at("boot.bak")), -1);
    EXPECT_EQ(p.fileAttributes(at("boot.ini")) & (kAttrHidden | kAttrSystem), kAttrHidden | kAttrSystem);
    // Onto nothing it is a rename; from nothing it fails.
    EXPECT_TRUE(p.replaceFile(at("boot.ini"), at("menu.ini")));
    EXPECT_EQ(contentOf(at("menu.ini")), Text("saved"));
    EXPECT_FALSE(p.replaceFile(at("boot.ini"), at("menu.ini")));
    EXPECT_EQ(contentOf(at("menu.ini")), Text("saved"));
}

TEST_F(CopyRenameDelete, SetAttributesSetsTheWholeWord) {
    ASSERT_TRUE(put("grldr", "x"));
    const uint32_t rhs = kAttrReadOnly | kAttrHidden | kAttrSystem;
    ASSERT_TRUE(p.setFileAttributes(at("grldr"), kAttrHidden | kAttrSystem));
    EXPECT_EQ(p.fileAttributes(at("grldr")) & rhs, kAttrHidden | kAttrSystem);
    ASSERT_TRUE(p.setFileAttributes(at("grldr"), rhs));  // a boot menu's protection, all at once
    EXPECT_EQ(p.fileAttributes(at("grldr")) & rhs, rhs);
    ASSERT_TRUE(p.setFileAttributes(at("grldr"), 0));
    EXPECT_EQ(p.fileAttributes(at("grldr")) & rhs, 0);
    EXPECT_FALSE(p.setFileAttributes(at("missing"), 0));
}

// The custom Ghost guard: every spelling of a path leads to the same file.
TEST_F(CopyRenameDelete, FullPathsAndFileIdentity) {
    ASSERT_TRUE(put("ghost.exe", "g"));
    ASSERT_TRUE(put("other.exe", "g"));
    const Text full = p.fullPath(at("ghost.exe"));
    for (const Text& spelling : {at(".\\ghost.exe"), at("ghost.exe."), at("sub\\..\\ghost.exe")})
        EXPECT_EQ(p.fullPath(spelling), full) << spelling;
    Text slashed = at("ghost.exe");
    for (char& c : slashed)
        if (c == '\\') c = '/';
    EXPECT_EQ(p.fullPath(slashed), full);
    EXPECT_TRUE(p.sameFile(at("GHOST.EXE"), at("ghost.exe")));
    EXPECT_TRUE(p.sameFile(slashed, at("ghost.exe")));
    EXPECT_FALSE(p.sameFile(at("other.exe"), at("ghost.exe")));  // same bytes, another file
    EXPECT_FALSE(p.sameFile(at("missing.exe"), at("missing.exe")));
}

TEST_F(CopyRenameDelete, DeleteRemovesFilesOnly) {
    ASSERT_TRUE(put("Ghost.bat", "x"));
    EXPECT_TRUE(p.deleteFile(at("GHOST.BAT")));  // letter case does not matter
    EXPECT_EQ(p.fileSize(at("ghost.bat")), -1);
    EXPECT_FALSE(p.deleteFile(at("ghost.bat")));
    ASSERT_TRUE(p.createFolder(at("sub")));
    EXPECT_FALSE(p.deleteFile(at("sub")));
    ASSERT_TRUE(put("ro.txt", "x"));
    ASSERT_TRUE(machine().setAttributes(at("ro.txt"), kAttrReadOnly));
    EXPECT_FALSE(p.deleteFile(at("ro.txt")));
    EXPECT_EQ(contentOf(at("ro.txt")), Text("x"));
}

class FoldersAndEntries : public ContractTest {};

TEST_F(FoldersAndEntries, CreateFolderMakesTheLastLevelOnly) {
    EXPECT_TRUE(p.createFolder(at("Ghost")));
    EXPECT_FALSE(p.createFolder(at("Ghost")));
    EXPECT_FALSE(p.createFolder(at("ghost")));
    EXPECT_FALSE(p.createFolder(at("a\\b")));
    EXPECT_EQ(p.fileAttributes(at("a")), -1);
    EXPECT_EQ(p.fileAttributes(at("Ghost")) & kAttrDirectory, kAttrDirectory);
}

TEST_F(FoldersAndEntries, SizeAndTimeOfMissingPathsFilesAndFolders) {
    EXPECT_EQ(p.fileSize(at("none.gho")), -1);
    EXPECT_EQ(p.fileModTime(at("none.gho")), kNoDate);
    EXPECT_EQ(p.fileAttributes(at("none.gho")), -1);

    ASSERT_TRUE(p.writeFile(at("img.gho"), {bytesOf(Text(5000, 'g'))}));
    EXPECT_EQ(p.fileSize(at("img.gho")), 5000);
    const double fiveMinutes = 5.0 / (24 * 60);
    EXPECT_NEAR(p.fileModTime(at("img.gho")), machine().localNow(), fiveMinutes);
    EXPECT_EQ(p.fileAttributes(at("img.gho")) & (kAttrDirectory | kAttrHidden), 0);

    // A folder is found like a file: its own entry.
    ASSERT_TRUE(p.createFolder(at("G_WinXP.gho")));
    EXPECT_EQ(p.fileSize(at("G_WinXP.gho")), 0);
    EXPECT_NEAR(p.fileModTime(at("G_WinXP.gho")), machine().localNow(), fiveMinutes);
    // A pattern gives the first match.
    EXPECT_EQ(p.fileSize(at("img.g*")), 5000);
}

TEST_F(FoldersAndEntries, DiskSpaceInKilobytes) {
    const Text drive = dir.substr(0, 1);
    const int64_t total = totalDiskKB64(p, drive);
    const int64_t free = freeDiskKB64(p, drive);
    EXPECT_GT(total, 0);
    EXPECT_GE(free, 0);
    EXPECT_LE(free, total);
    const Text lower(1, static_cast<char>(drive[0] - 'A' + 'a'));
    EXPECT_EQ(totalDiskKB64(p, lower), total);
    const Text missing(1, machine().missingDrive());
    EXPECT_EQ(totalDiskKB(p, missing), -1);
    EXPECT_EQ(freeDiskKB(p, missing), -1);
    EXPECT_GT(totalDiskKB64(p, "1"), 0);  // not a letter: the current drive
}

}  // namespace
}  // namespace trivex::contract
