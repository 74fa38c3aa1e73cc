// The DOS boot image: the one this build embeds, and images made by the
// builder from test-made "supplied" DOS files.
#include <string>
#include <vector>

#include "helpers.h"
#include "payload/handoff_text.h"

namespace trivex::test {
namespace {

const fs::path kGen = TRIVEX_PAYLOAD_GEN_DIR;
const fs::path kSource = TRIVEX_PAYLOAD_SOURCE_DIR;
const fs::path kStandins = TRIVEX_PAYLOAD_STANDIN_DIR;
const std::string kMkimage = TRIVEX_MKIMAGE;

constexpr size_t kImageSize = 2949120;
constexpr size_t kRootAt = 19 * 512;

// A script of payloads/dos/ as the image holds it: the hand-off's values filled in.
std::string filled(const std::string& name) {
    tools::Bytes text;
    std::string err;
    EXPECT_TRUE(tools::readHandoffSource((kSource / "dos" / name).string(), text, err)) << err;
    return std::string(text.begin(), text.end());
}

std::string lines(const std::vector<std::string>& ls, bool finalLineEnd) {
    std::string s;
    for (size_t i = 0; i < ls.size(); ++i) s += ls[i] + (i + 1 < ls.size() || finalLineEnd ? "\r\n" : "");
    return s;
}

// The scripts as the image must hold them.
const std::vector<std::pair<std::string, std::string>>& expectedScripts() {
    static const std::vector<std::pair<std::string, std::string>> scripts = {
        {"MSDOS.SYS", lines({";W98EBD"}, true)},
        {"CONFIG.SYS", lines({"device=himem.sys /testmem:off", "files=10", "buffers=10", "dos=high,umb",
                              "stacks=9,256", "lastdrive=z"},
                             true)},
        {"AUTOEXEC.BAT",
         lines({"@echo off", "cls", "smartdrv>nul", "set DIRCMD=/O", "xmsdsk 4096 z: /y>nul", "set ramdrive=z:",
                "copy command.com z:\\>nul", "path=a:\\;z:\\",
                "if exist z:\\command.com set comspec=z:\\command.com",
                "copy attrib.com z:\\>nul", "copy restart.com z:\\>nul", "copy xmsman.exe z:\\>nul",
                "tw /np /nm /nw >nul", "call ntfs.bat"},
               false)},
        {"NTFS.BAT", lines({"@echo off", "set cp=936", "if not %1#==# set cp=%1", "echo Loading IFS driver..",
                            "lh hdpmi32", "lh ndos -lfn -mountall -cp:%cp%", "ndlist -", "set cp=", "call menu.bat"},
                           false)},
        // The hand-off's behaviour is proven by booting it (tests/boot) and its
        // values by handoff_test.cpp; here it must reach the image byte for byte.
        {"MENU.BAT", filled("MENU.BAT")},
        {"TOKEN.BAT", "set token=????????????????\r\n"},
        {"DRIVE.BAT", filled("DRIVE.BAT")},
        {"JOBFILE.BAT", filled("JOBFILE.BAT")},
        {"RECORD.BAT", filled("RECORD.BAT")},
        {"VOLUMES.BAT", filled("VOLUMES.BAT")},
        {"VOLSTOP.BAT", filled("VOLSTOP.BAT")},
    };
    return scripts;
}

// mov ah,0Dh; int 21h; mov ax,40h; mov ds,ax; mov word [72h],1234h; jmp FFFF:0000
const std::string kRestartCom("\xB4\x0D\xCD\x21\xB8\x40\x00\x8E\xD8\xC7\x06\x72\x00\x34\x12\xEA\x00\x00\xFF\xFF", 20);

void expectBootFields(const std::string& img) {
    ASSERT_GE(img.size(), 512u);
    EXPECT_EQ(img.substr(0, 3), "\xEB\x3C\x90");
    EXPECT_EQ(img.substr(3, 8), "MSWIN4.1");
    EXPECT_EQ(le(img, 11, 2), 512u);
    EXPECT_EQ(le(img, 13, 1), 2u);
    EXPECT_EQ(le(img, 14, 2), 1u);
    EXPECT_EQ(le(img, 16, 1), 2u);
    EXPECT_EQ(le(img, 17, 2), 240u);
    EXPECT_EQ(le(img, 19, 2), 5760u);
    EXPECT_EQ(le(img, 21, 1), 0xF0u);
    EXPECT_EQ(le(img, 22, 2), 9u);
    EXPECT_EQ(le(img, 24, 2), 36u);
    EXPECT_EQ(le(img, 26, 2), 2u);
    EXPECT_EQ(le(img, 28, 4), 0u);
    EXPECT_EQ(le(img, 32, 4), 0u);
    EXPECT_EQ(le(img, 36, 1), 0u);
    EXPECT_EQ(le(img, 37, 1), 0u);
    EXPECT_EQ(le(img, 38, 1), 0x29u);
    EXPECT_EQ(le(img, 39, 4), 0x447F1BF3u);
    EXPECT_EQ(img.substr(43, 11), "NO NAME    ");
    EXPECT_EQ(img.substr(54, 8), "FAT12   ");
    EXPECT_EQ(img.substr(510, 2), "\x55\xAA");
}

// Every directory entry of the root: label first, no long names, no hidden,
// system or read-only attribute.
void expectRootEntries(const std::string& img) {
    EXPECT_EQ(img.substr(kRootAt, 11), "GHOST 2003 ");
    EXPECT_EQ(le(img, kRootAt + 11, 1), 0x08u);
    for (size_t slot = 1; slot < 240; ++slot) {
        const size_t at = kRootAt + slot * 32;
        if (img[at] == 0) break;
        const unsigned attr = le(img, at + 11, 1);
        EXPECT_NE(attr, 0x0Fu) << "long name entry in slot " << slot;
        EXPECT_EQ(attr & 0x07u, 0u) << img.substr(at, 11);
    }
}

// fsck.fat finds nothing to say about the image, apart from one thing: the
// boot sector's label field reads "NO NAME" while the root holds the label
// "GHOST 2003", which dosfstools reports as a label to copy. With the boot
// label set to match (on a copy) the check must be fully clean.
void expectFsckClean(const fs::path& image) {
    std::string out;
    const int rc = run("fsck.fat -n " + quote(image), out);
    std::string rest;
    for (size_t pos = 0; pos < out.size();) {
        const size_t end = out.find('\n', pos);
        const std::string line = out.substr(pos, end - pos);
        pos = end == std::string::npos ? out.size() : end + 1;
        if (line.starts_with("fsck.fat ") || line.empty() || line == "Leaving filesystem unchanged." ||
            line.find("There is no label in boot sector, but there is volume label 'GHOST 2003'") == 0 ||
            line.find("Auto-copying volume label from root directory to boot sector.") != std::string::npos ||
            line.find(" files, ") != std::string::npos)
            continue;
        rest += line + "\n";
    }
    EXPECT_EQ(rest, "") << out;
    EXPECT_LE(rc, 1) << out;

    TempDir tmp;
    std::string img = readAll(image);
    img.replace(43, 11, "GHOST 2003 ");
    writeAll(tmp / "copy.img", img);
    EXPECT_EQ(run("fsck.fat -n " + quote(tmp / "copy.img"), out), 0) << out;
    EXPECT_EQ(out.find("label"), std::string::npos) << out;
}

TEST(BuiltDosImage, HasTheSizeAndBootSectorFields) {
    const std::string img = readAll(kGen / "DosImage.bin");
    EXPECT_EQ(img.size(), kImageSize);
    expectBootFields(img);
    expectRootEntries(img);
}

TEST(BuiltDosImage, PassesFsckAndMtoolsReadsEveryScriptBack) {
    expectFsckClean(kGen / "DosImage.bin");
    std::string listing;
    ASSERT_EQ(run("MTOOLS_SKIP_CHECK=1 mdir -i " + quote(kGen / "DosImage.bin") + " ::", listing), 0) << listing;
    EXPECT_NE(listing.find("Volume in drive : is GHOST 2003"), std::string::npos) << listing;
    for (const auto& [name, text] : expectedScripts()) {
        int rc = -1;
        EXPECT_EQ(mtype(kGen / "DosImage.bin", name, &rc), text) << name;
        EXPECT_EQ(rc, 0) << name;
        EXPECT_EQ(filled(name), text) << "payloads/dos/" << name;
    }
    EXPECT_EQ(mtype(kGen / "DosImage.bin", "RESTART.COM"), kRestartCom);
    EXPECT_EQ(mtype(kGen / "DosImage.bin", "JOBTOOL.COM"), readAll(kStandins / "JOBTOOL.COM"));
    EXPECT_EQ(mtype(kGen / "DosImage.bin", "VOLSCAN.COM"), readAll(kStandins / "VOLSCAN.COM"));
}

size_t occurrences(const std::string& haystack, const std::string& needle) {
    size_t n = 0;
    for (size_t at = 0; (at = haystack.find(needle, at)) != std::string::npos; ++at) ++n;
    return n;
}

// The job writes its token over the one placeholder it finds in the image.
TEST(BuiltDosImage, HoldsTheTokenPlaceholderExactlyOnce) {
    EXPECT_EQ(occurrences(readAll(kGen / "DosImage.bin"), "set token=????????????????"), 1u);
}

TEST(BuiltDosImage, SizesOfTheFixedScripts) {
    EXPECT_EQ(filled("CONFIG.SYS").size(), 94u);
    EXPECT_EQ(filled("AUTOEXEC.BAT").size(), 287u);
    EXPECT_EQ(filled("NTFS.BAT").size(), 152u);
    EXPECT_EQ(filled("MSDOS.SYS").size(), 9u);
}

// ---- Images from test-made supplied files ---------------------------------------

class SuppliedDos : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* f : {"IO.SYS", "COMMAND.COM", "HIMEM.SYS", "SMARTDRV.EXE", "XMSDSK.EXE", "ATTRIB.COM",
                              "TW.EXE", "HDPMI32.EXE", "NDOS.EXE", "NDLIST.EXE", "XMSMAN.EXE"})
            writeAll(dos() / f, std::string("fake ") + f + std::string(3000, 'x'));
        writeAll(dos() / "NLS" / "936.CPI", std::string(99376, '\x36'));
        writeAll(dos() / "NLS" / "850.UCT", std::string(128, '\x50'));
        writeAll(dos() / "wbat.ini", "[menu]\r\n");  // lower case on the build machine
        bootSector = std::string(512, '\0');
        bootSector.replace(0, 3, "\xEB\x3C\x90");
        bootSector.replace(3, 59, std::string(59, '\x77'));  // fields to be overwritten
        bootSector.replace(0x3E, 20, "SUPPLIED BOOT CODE!!");
        bootSector.replace(510, 2, "\x55\xAA");
        writeAll(dos() / "BOOTSECT.BIN", bootSector);
    }
    fs::path dos() const { return tmp / "dos"; }
    int build(std::string& out, const fs::path& scripts = kSource / "dos") {
        return run(kMkimage + " --scripts " + quote(scripts) + " --restart " + quote(kStandins / "RESTART.COM") +
                       " --jobtool " + quote(kStandins / "JOBTOOL.COM") + " --volscan " + quote(kStandins / "VOLSCAN.COM") + " --boot-sector " + quote(kStandins / "bootsect.bin") + " --dos " + quote(dos()) + " --out " +
                       quote(tmp / "out.img"),
                   out);
    }
    TempDir tmp;
    std::string bootSector;
};

TEST_F(SuppliedDos, CompleteSetGivesABootableLayout) {
    std::string out;
    ASSERT_EQ(build(out), 0) << out;
    EXPECT_NE(out.find("boot sector: supplied"), std::string::npos) << out;
    EXPECT_EQ(out.find("missing chain file"), std::string::npos) << out;

    const std::string img = readAll(tmp / "out.img");
    ASSERT_EQ(img.size(), kImageSize);
    expectBootFields(img);
    EXPECT_EQ(img.substr(62, 448), bootSector.substr(62, 448));  // the supplied code is kept
    expectRootEntries(img);
    EXPECT_EQ(img.substr(kRootAt + 32, 11), "IO      SYS");  // first file: what the boot code loads
    EXPECT_EQ(le(img, kRootAt + 32 + 26, 2), 2u);              // from the first cluster
    expectFsckClean(tmp / "out.img");

    EXPECT_EQ(mtype(tmp / "out.img", "NLS/936.CPI"), readAll(dos() / "NLS/936.CPI"));
    EXPECT_EQ(mtype(tmp / "out.img", "WBAT.INI"), "[menu]\r\n");
    EXPECT_EQ(mtype(tmp / "out.img", "IO.SYS"), readAll(dos() / "IO.SYS"));
    for (const auto& [name, text] : expectedScripts()) EXPECT_EQ(mtype(tmp / "out.img", name), text) << name;
}

TEST_F(SuppliedDos, MissingChainFilesAreReportedAndOurScriptsWin) {
    fs::remove(dos() / "TW.EXE");
    fs::remove_all(dos() / "NLS");
    writeAll(dos() / "CONFIG.SYS", "files=99\r\n");
    std::string out;
    ASSERT_EQ(build(out), 0) << out;
    EXPECT_NE(out.find("missing chain file: TW.EXE"), std::string::npos) << out;
    EXPECT_NE(out.find("missing chain file: NLS\\936.CPI"), std::string::npos) << out;
    EXPECT_NE(out.find("CONFIG.SYS left out"), std::string::npos) << out;
    EXPECT_EQ(mtype(tmp / "out.img", "CONFIG.SYS"), expectedScripts()[1].second);
}

TEST_F(SuppliedDos, RefusesWhatTheImageCannotHold) {
    std::string out;
    writeAll(dos() / "LongFileName.txt", "x");
    EXPECT_EQ(build(out), 1);
    EXPECT_NE(out.find("not a DOS 8.3 name"), std::string::npos) << out;
    fs::remove(dos() / "LongFileName.txt");

    writeAll(dos() / "BIG.BIN", std::string(3 << 20, 'b'));
    EXPECT_EQ(build(out), 1);
    EXPECT_NE(out.find("do not fit"), std::string::npos) << out;
    fs::remove(dos() / "BIG.BIN");

    writeAll(dos() / "BOOTSECT.BIN", bootSector.substr(0, 500));
    EXPECT_EQ(build(out), 1);
    EXPECT_NE(out.find("BOOTSECT.BIN"), std::string::npos) << out;
}

// A second placeholder would let the job write its token into the wrong
// place; none at all, nowhere.
TEST_F(SuppliedDos, RefusesAnImageWithoutExactlyOneTokenPlaceholder) {
    std::string out;
    writeAll(dos() / "SETUP.BAT", "@echo off\r\nset token=????????????????\r\n");
    EXPECT_EQ(build(out), 1);
    EXPECT_NE(out.find("2 times, not once"), std::string::npos) << out;
    fs::remove(dos() / "SETUP.BAT");

    const fs::path scripts = tmp / "scripts";
    fs::create_directories(scripts);
    for (const auto& [name, text] : expectedScripts()) writeAll(scripts / name, text);
    writeAll(scripts / "TOKEN.BAT", "set token=???????????????\r\n");  // 15
    EXPECT_EQ(build(out, scripts), 1);
    EXPECT_NE(out.find("TOKEN.BAT: must be exactly the line"), std::string::npos) << out;
    writeAll(scripts / "TOKEN.BAT", "set token=????????????????\r\n");
    EXPECT_EQ(build(out, scripts), 0) << out;
}

TEST_F(SuppliedDos, RefusesScriptsWhoseLineEndsChanged) {
    const fs::path scripts = tmp / "scripts";
    fs::create_directories(scripts);
    for (const auto& [name, text] : expectedScripts()) writeAll(scripts / name, text);
    std::string unix = expectedScripts()[4].second;  // MENU.BAT with LF only
    for (size_t at; (at = unix.find("\r\n")) != std::string::npos;) unix.erase(at, 1);
    writeAll(scripts / "MENU.BAT", unix);
    std::string out;
    EXPECT_EQ(build(out, scripts), 1);
    EXPECT_NE(out.find("MENU.BAT: line ends changed"), std::string::npos) << out;

    writeAll(scripts / "MENU.BAT", expectedScripts()[4].second + "\r\n");  // a final line end it must not have
    EXPECT_EQ(build(out, scripts), 1);
    EXPECT_NE(out.find("MENU.BAT: line ends changed"), std::string::npos) << out;
}

}  // namespace
}  // namespace trivex::test
