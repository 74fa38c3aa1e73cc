// The loader payload: patching a GRUB4DOS grldr (a synthetic one made here
// with the layout the loader relies on) and refusing files without it.
#include <cstring>
#include <string>
#include <vector>

#include "fake_files.h"
#include "helpers.h"
#include "payload/handoff_text.h"
#include "payload/loader_patch.h"

namespace trivex::test {
namespace {

using tools::Bytes;

const fs::path kSource = TRIVEX_PAYLOAD_SOURCE_DIR;
const fs::path kStandins = TRIVEX_PAYLOAD_STANDIN_DIR;
const fs::path kGen = TRIVEX_PAYLOAD_GEN_DIR;
const std::string kPatchldr = TRIVEX_PATCHLDR;

Bytes toBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }
std::string toString(const Bytes& b) { return std::string(b.begin(), b.end()); }

std::string refusal(const std::string& loader) {
    tools::LoaderPatch patch;
    std::string err;
    EXPECT_FALSE(tools::patchLoader(toBytes(loader), toBytes(kPresetMenu), patch, err));
    EXPECT_NE(err.find("not a GRUB4DOS grldr of the expected layout"), std::string::npos) << err;
    return err;
}

TEST(PresetMenu, FileIsTheFiveCommandsAndTheStandInEndsWithThem) {
    Bytes text, menu;
    std::string err;
    ASSERT_TRUE(tools::readHandoffSource((kSource / "dos/preset_menu.lst").string(), text, err)) << err;
    ASSERT_TRUE(tools::presetMenuFromText(text, menu, err)) << err;
    EXPECT_EQ(toString(menu), kPresetMenu);

    // The stand-in is a boot sector; the build appends the list to make the payload.
    const std::string standIn = readAll(kStandins / "grldr");
    ASSERT_EQ(standIn.size(), 512u);
    EXPECT_EQ(standIn.substr(510, 2), "\x55\xAA");  // loadable as a boot sector file
    EXPECT_EQ(readAll(kGen / "Loader.bin"), standIn + kPresetMenu);

    EXPECT_FALSE(tools::presetMenuFromText(toBytes("map --hook\r\n"), menu, err));
    EXPECT_FALSE(tools::presetMenuFromText(toBytes("map --hook"), menu, err));
}

// The DOS Ghost stand-in is a well-formed DOS program: its header's sizes
// agree with the file, so DOS loads all of it and nothing more.
TEST(StandIns, DosGhostIsAWellFormedExeAndSaysWhatItIs) {
    const std::string exe = readAll(kStandins / "ghost.exe");
    ASSERT_GE(exe.size(), 32u);
    EXPECT_EQ(exe.substr(0, 2), "MZ");
    const auto u16 = [&](size_t at) { return le(exe, at, 2); };
    EXPECT_EQ((u16(4) - 1) * 512 + (u16(2) == 0 ? 512 : u16(2)), exe.size());  // pages, bytes in the last
    EXPECT_EQ(u16(6), 0u);                                                     // no relocations
    EXPECT_EQ(u16(8) * 16u, 32u);                                              // header size
    EXPECT_LT(u16(0x14), exe.size() - 32);                                     // entry point inside the image
    EXPECT_NE(exe.find("Ghost stand-in"), std::string::npos);
    EXPECT_NE(exe.find("not included in this build"), std::string::npos);

    const std::string boot = readAll(kStandins / "bootsect.bin");
    ASSERT_EQ(boot.size(), 512u);
    EXPECT_EQ(boot.substr(0, 3), "\xEB\x3C\x90");
    EXPECT_NE(boot.find("DOS system files were not included"), std::string::npos);
    EXPECT_NE(readAll(kStandins / "grldr").find("boot loader (GRUB4DOS grldr) was not"), std::string::npos);
}

TEST(LoaderPatch, RenamesEveryMenuFileNameAndReplacesThePresetMenu) {
    TempDir tmp;
    const FakeLoader fake;
    writeAll(tmp / "grldr", fake.bytes);
    std::string out;
    ASSERT_EQ(run(kPatchldr + " " + quote(kSource / "dos/preset_menu.lst") + " " + quote(tmp / "grldr") + " " +
                      quote(tmp / "loader"),
                  out),
              0)
        << out;
    const std::string patched = readAll(tmp / "loader");
    EXPECT_EQ(patched.size(), fake.menuAt + 103);
    EXPECT_TRUE(patched == fake.expected());
    EXPECT_EQ(patched.find("menu.lst"), std::string::npos);
    EXPECT_NE(out.find("boot record, 0x3DC"), std::string::npos) << out;
    EXPECT_NE(out.find("default configuration file, 0x2022"), std::string::npos) << out;
}

TEST(LoaderPatch, AcceptsTheLayoutWithoutABootRecordName) {
    const FakeLoader fake(false);  // later builds name the menu file three times
    tools::LoaderPatch patch;
    std::string err;
    ASSERT_TRUE(tools::patchLoader(toBytes(fake.bytes), toBytes(kPresetMenu), patch, err)) << err;
    EXPECT_TRUE(toString(patch.loader) == fake.expected());
}

TEST(LoaderPatch, RefusesFilesWithoutTheExpectedLayout) {
    TempDir tmp;
    writeAll(tmp / "grldr", std::string(40000, 'x'));
    std::string out;
    EXPECT_EQ(run(kPatchldr + " " + quote(kSource / "dos/preset_menu.lst") + " " + quote(tmp / "grldr") + " " +
                      quote(tmp / "loader"),
                  out),
              1);
    EXPECT_NE(out.find("not a GRUB4DOS grldr of the expected layout"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(tmp / "loader"));

    refusal(std::string(100, '\0'));  // too short

    FakeLoader f;
    f.bytes[f.menuAt - 16] = '\xB1';
    EXPECT_NE(refusal(f.bytes).find("signature"), std::string::npos);

    f = FakeLoader();
    f.bytes[f.menuAt - 5] = '\x01';
    EXPECT_NE(refusal(f.bytes).find("12 bytes"), std::string::npos);

    f = FakeLoader();
    f.bytes[0x2000 + 0x6C + 2] = '\x7F';  // pointer far past the end
    EXPECT_NE(refusal(f.bytes).find("pointer"), std::string::npos);

    f = FakeLoader();
    f.bytes.replace(0x2000 + 0x17, 20, std::string("/boot/grub/grub.cfg\0", 20));
    EXPECT_NE(refusal(f.bytes).find("default configuration file"), std::string::npos);

    f = FakeLoader();
    f.bytes.replace(0x2000 + 0x2000, 14, "edit menu.lst!");  // the name where no path is
    EXPECT_NE(refusal(f.bytes).find("not part of a menu file path"), std::string::npos);

    f = FakeLoader();
    f.bytes.resize(f.menuAt);  // built without preset menus: nothing to replace
    EXPECT_NE(refusal(f.bytes).find("without preset menu support"), std::string::npos);

    f = FakeLoader(false);
    f.bytes.replace(0x2000 + 0x1800, 11, std::string(11, '\xC3'));  // only two names left
    EXPECT_NE(refusal(f.bytes).find("occurs 2 times"), std::string::npos);
}

// The store route's boot-sector file looks for the loader by a name of the
// program's: every place in the whole file where the old name stands (any
// letter case, either width) gets it, in either of GRUB4DOS's forms, or the
// file is refused with where: a partly patched one starts another's GRLDR.
TEST(LoaderMbrPatch, GivesTheLoaderTheProgramsNameEverywhereOrRefusesTheFile) {
    const auto put = [](std::string file, size_t at, const std::string& text) {
        if (file.size() < at + text.size()) file.resize(at + text.size(), '\x90');
        return file.replace(at, text.size(), text);
    };
    const std::string supplied = readAll(fs::path(TRIVEX_BOOTCHAIN_DIR) / "grldr.mbr");
    const std::string big = std::string("No GRLDR\0\0\0\0\0\0\0\0", 16), small = std::string("No grldr\0\0\0\0\0\0\0", 15);
    const FakeLoaderMbr plain;
    std::string older = plain.bytes;  // a boot record per file system, FAT's padded to 8.3
    older.replace(0x5E0, 16, std::string("No GRLDR      \0\0", 16));
    older.replace(0x7E0, 16, std::string("No GRLDR      \0\0", 16));
    std::string olderPatched = older;
    olderPatched.replace(0x5E3, 11, "TVXLDR     ");
    olderPatched.replace(0x7E3, 11, "TVXLDR     ");

    const struct {
        const char* name;
        std::string file, loaderName, patched, refusal;
    } cases[] = {
        {"supplied 0.4.6a", supplied, "TVXLDR", put(supplied, 0x5E3, std::string("TVXLDR\0", 7)), ""},
        {"0.4.6a", plain.bytes, "TVXLDR", plain.expected(), ""},
        {"past 8 KB", put(plain.bytes, 0x2400, big), "TVXLDR", put(plain.expected(), 0x2400, "No TVXLDR" + big.substr(9)), ""},
        {"lower case", put(plain.bytes, 0x1000, small), "TVXLDR", put(plain.expected(), 0x1000, "No tvxldr" + small.substr(9)), ""},
        {"two-byte characters", put(plain.bytes, 0x1000, std::string("G\0R\0L\0D\0R\0\0\0", 12)), "TVXLDR", "",
         "\"GRLDR\" in two-byte characters at 0x1000"},
        {"8.3 forms", older, "TVXLDR", olderPatched, ""},
        {"a name of 8", plain.bytes, "ABCDEFGH", "", "no room for 8 characters and a zero byte at 0x5E3"},
        {"lower case", plain.bytes, "tvxldr", "", "not 1 to 8 capital letters or digits"},
        {"no name", std::string(510, '\x90') + "\x55\xAA", "TVXLDR", "", "no loader name"},
        {"another use", plain.bytes + std::string(16, '\x90'), "TVXLDR", "", "\"GRLDR\" at 0x200A is not the name after \"No \""},
        {"no room", plain.bytes, "TVXLDR", "", "no room for 6 characters and a zero byte at 0x5E3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string file = c.file;
        if (file.empty()) continue;  // no supplied file: said below
        if (std::string(c.name) == "another use") file.replace(0x2005, 11, "load GRLDR!");  // past 8 KB
        if (std::string(c.name) == "no room") file[0x5E9] = 'x';
        if (std::string(c.name) == "a name of 8") file[0x5EB] = '0';
        tools::LoaderPatch patch;
        std::string err;
        const bool done = tools::patchLoaderMbr(toBytes(file), c.loaderName, patch, err);
        EXPECT_EQ(done, c.refusal.empty()) << err;
        if (done) {
            EXPECT_TRUE(toString(patch.loader) == c.patched);
        } else {
            EXPECT_NE(err.find(c.refusal), std::string::npos) << err;
        }
    }
    if (supplied.empty()) GTEST_SKIP() << "no grldr.mbr in " << TRIVEX_BOOTCHAIN_DIR << " (TRIVEX_BOOTCHAIN_DIR)";
}

}  // namespace
}  // namespace trivex::test
