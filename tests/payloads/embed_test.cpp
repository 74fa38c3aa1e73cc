// Gathering the payloads: supplied files replace the stand-ins, the table
// says which is which, and a build with test-made supplied files embeds
// exactly those bytes in the program.
#include <string>

#include "fake_files.h"
#include "helpers.h"

namespace trivex::test {
namespace {

const fs::path kSource = TRIVEX_PAYLOAD_SOURCE_DIR;
const fs::path kStandins = TRIVEX_PAYLOAD_STANDIN_DIR;
const fs::path kTreeRoot = TRIVEX_SOURCE_ROOT;
const std::string kEmbed = TRIVEX_EMBED;

// A supplied folder with every outside product faked, names in the letter
// case a builder might use.
struct FakeSupplied {
    explicit FakeSupplied(const fs::path& dir) : dir(dir) {
        writeAll(dir / "grldr", loader.bytes);
        writeAll(dir / "GRLDR.MBR", mbr);
        writeAll(dir / "GHOST.EXE", "MZ fake Ghost for DOS");
        writeAll(dir / "Ghost32.exe", "MZ fake Ghost32");
        writeAll(dir / "SkinH_EL.dll", "MZ fake skin library");
        writeAll(dir / "skin.she", std::string(".SHE\0\x03 fake skin", 16));
        for (const char* f : {"IO.SYS", "COMMAND.COM", "HIMEM.SYS", "SMARTDRV.EXE", "XMSDSK.EXE", "ATTRIB.COM",
                              "TW.EXE", "HDPMI32.EXE", "NDOS.EXE", "NDLIST.EXE", "XMSMAN.EXE"})
            writeAll(dir / "dos" / f, std::string("fake ") + f);
        writeAll(dir / "dos/NLS/936.CPI", "fake code page");
        std::string boot(512, '\0');
        boot.replace(0, 3, "\xEB\x3C\x90");
        boot.replace(510, 2, "\x55\xAA");
        writeAll(dir / "dos/BOOTSECT.BIN", boot);
    }
    fs::path dir;
    FakeLoader loader;
    std::string mbr = FakeLoaderMbr().bytes;
};

std::string embed(const fs::path& supplied, const fs::path& out, int& rc) {
    std::string text;
    rc = run(kEmbed + " --source " + quote(kSource) + " --standins " + quote(kStandins) + " --supplied " +
                 quote(supplied) + " --out " + quote(out),
             text);
    return text;
}

TEST(Embed, SuppliedFilesReplaceEveryStandIn) {
    TempDir tmp;
    FakeSupplied supplied(tmp / "supplied");
    int rc = -1;
    const std::string table = embed(supplied.dir, tmp / "out", rc);
    ASSERT_EQ(rc, 0) << table;
    for (const char* row : {"Loader       C:\\grldr        supplied", "GhostDos     C:\\ghost.exe    supplied",
                            "DosImage     C:\\Vemo.img     supplied", "ProbeScript  C:\\fqs.bat      own",
                            "Skin         (memory)        supplied", "SkinLibrary  (memory)        supplied",
                            "Ghost32      E:\\Ghost32.exe  supplied", "LoaderMbr    C:\\grldr.mbr    supplied",
                            "Boot path complete"})
        EXPECT_NE(table.find(row), std::string::npos) << row << "\n" << table;
    EXPECT_EQ(readAll(tmp / "out/payloads.txt"), table);

    EXPECT_EQ(readAll(tmp / "out/GhostDos.bin"), "MZ fake Ghost for DOS");
    EXPECT_EQ(readAll(tmp / "out/Ghost32.bin"), "MZ fake Ghost32");
    EXPECT_EQ(readAll(tmp / "out/LoaderMbr.bin"), FakeLoaderMbr().expected());
    EXPECT_NE(table.find("loader name GRLDR changed to TVXLDR (0x5E3)"), std::string::npos) << table;
    EXPECT_EQ(table.find("Windows Vista and later also boot through LoaderMbr"), std::string::npos) << table;
    EXPECT_EQ(readAll(tmp / "out/SkinLibrary.bin"), "MZ fake skin library");
    EXPECT_EQ(readAll(tmp / "out/Skin.bin"), readAll(supplied.dir / "skin.she"));
    EXPECT_TRUE(readAll(tmp / "out/Loader.bin") == supplied.loader.expected());
    EXPECT_EQ(mtype(tmp / "out/DosImage.bin", "IO.SYS"), "fake IO.SYS");
    EXPECT_NE(readAll(tmp / "out/payload_table.cpp").find("\"C:\\\\grldr\", Origin::Supplied"), std::string::npos);
}

TEST(Embed, WithoutSuppliedFilesEverythingIsAStandInAndSaysSo) {
    TempDir tmp;
    int rc = -1;
    const std::string table = embed(tmp / "nothing here", tmp / "out", rc);
    ASSERT_EQ(rc, 0) << table;
    EXPECT_NE(table.find("DEMO BUILD: stand-ins on the boot path (Loader, GhostDos, DosImage)"), std::string::npos)
        << table;
    EXPECT_NE(table.find("start-up chain files not supplied: IO.SYS COMMAND.COM"), std::string::npos) << table;
    EXPECT_NE(table.find("Windows Vista and later also boot through LoaderMbr, a stand-in: a demo build there."),
              std::string::npos)
        << table;
    EXPECT_EQ(readAll(tmp / "out/Loader.bin"), readAll(kStandins / "grldr") + kPresetMenu);  // the list appended
    EXPECT_EQ(readAll(tmp / "out/LoaderMbr.bin"), readAll(kStandins / "grldr.mbr"));
    EXPECT_EQ(readAll(tmp / "out/GhostDos.bin"), readAll(kStandins / "ghost.exe"));
    EXPECT_EQ(readAll(tmp / "out/Skin.bin"), readAll(kStandins / "trivex.skin"));
    EXPECT_EQ(readAll(tmp / "out/SkinLibrary.bin"), readAll(kStandins / "trivex_skin.dll"));
}

TEST(Embed, UnchangedInputsLeaveTheOutputsUntouched) {
    TempDir tmp;
    int rc = -1;
    embed(tmp / "none", tmp / "out", rc);
    ASSERT_EQ(rc, 0);
    const auto before = fs::last_write_time(tmp / "out/payloads.S");
    const auto imageBefore = fs::last_write_time(tmp / "out/DosImage.bin");
    embed(tmp / "none", tmp / "out", rc);
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(fs::last_write_time(tmp / "out/payloads.S"), before);
    EXPECT_EQ(fs::last_write_time(tmp / "out/DosImage.bin"), imageBefore);
}

// A supplied loader or boot-sector file that is not what the program relies on.
TEST(Embed, ALoaderFileOfTheWrongFormStopsTheBuild) {
    const struct {
        const char* file;
        size_t size;
        const char* says;
    } cases[] = {
        {"grldr", 20000, "supplied grldr: not a GRUB4DOS grldr of the expected layout"},
        {"grldr.mbr", 8192, "supplied grldr.mbr: not a boot-sector file (no 55 AA at offset 510)"},
        {"grldr.mbr", 0, "supplied grldr.mbr: not a GRUB4DOS grldr.mbr whose loader name can be changed safely: no loader name"},
    };
    for (const auto& c : cases) {
        TempDir tmp;
        // A boot sector that names no loader (size 0 here).
        std::string file(c.size, 'g');
        if (c.size == 0) file = std::string(510, '\x90') + "\x55\xAA";
        writeAll(tmp / "supplied" / c.file, file);
        int rc = -1;
        const std::string out = embed(tmp / "supplied", tmp / "out", rc);
        EXPECT_EQ(rc, 1) << c.file;
        EXPECT_NE(out.find(c.says), std::string::npos) << out;
    }
}

TEST(ProbeScript, DecodesFromGbkToItsSourceLines) {
    const fs::path gen = TRIVEX_PAYLOAD_GEN_DIR;
    std::string utf8;
    ASSERT_EQ(run("iconv -f GBK -t UTF-8 " + quote(gen / "ProbeScript.bin"), utf8), 0) << utf8;
    EXPECT_EQ(utf8, readAll(kSource / "probe/fqs.bat"));
    EXPECT_EQ(readAll(gen / "ProbeScript.bin").size(), 646u);
    EXPECT_TRUE(utf8.starts_with("@echo off\r\n:: 显示磁盘分区数\r\n::"));
    EXPECT_TRUE(utf8.ends_with("        echo 磁盘 %%b        含有!num!\r\n)\r\npause"));
    size_t lines = 1;
    for (size_t at = 0; (at = utf8.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
    EXPECT_EQ(lines, 18u);
}

// A second, separate build of the payloads with a test-made supplied folder:
// the program side (store) then hands out exactly the supplied bytes.
TEST(SuppliedBuild, EmbedsTheSuppliedFilesInTheProgram) {
    TempDir tmp;
    FakeSupplied supplied(tmp / "supplied");
    std::string out;
    ASSERT_EQ(run("cmake -S " + quote(kTreeRoot / "tests/payloads/supplied_build") + " -B " + quote(tmp / "build") +
                      " -DTRIVEX_SOURCE=" + quote(kTreeRoot) + " -DTRIVEX_SUPPLIED_DIR=" + quote(supplied.dir),
                  out),
              0)
        << out;
    ASSERT_EQ(run("cmake --build " + quote(tmp / "build") + " --target payload_dump -j2", out), 0) << out;
    EXPECT_NE(out.find("Boot path complete"), std::string::npos) << out;
    ASSERT_EQ(run(quote(tmp / "build/payload_dump") + " " + quote(tmp / "dump"), out), 0) << out;
    EXPECT_NE(out.find("demo build: no"), std::string::npos) << out;
    EXPECT_NE(out.find("Ghost32 supplied 15"), std::string::npos) << out;
    EXPECT_EQ(readAll(tmp / "dump/GhostDos"), "MZ fake Ghost for DOS");
    EXPECT_EQ(readAll(tmp / "dump/Ghost32"), "MZ fake Ghost32");
    EXPECT_EQ(readAll(tmp / "dump/LoaderMbr"), FakeLoaderMbr().expected());
    EXPECT_NE(out.find("demo build through the boot store: no"), std::string::npos) << out;
    EXPECT_EQ(readAll(tmp / "dump/SkinLibrary"), "MZ fake skin library");
    EXPECT_TRUE(readAll(tmp / "dump/Loader") == supplied.loader.expected());
    EXPECT_EQ(mtype(tmp / "dump/DosImage", "NLS/936.CPI"), "fake code page");
}

}  // namespace
}  // namespace trivex::test
