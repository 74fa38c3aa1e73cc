// The DOS side booted for real. A build of the payloads whose supplied
// folder holds free boot software (GRUB4DOS, the FreeDOS kernel and FreeCOM)
// and the test's own stand-ins for the other DOS tools gives the loader, the
// DOS boot image and a Ghost that records its command line. A disk whose
// MBR code is GRUB4DOS's and whose first partition holds what a job leaves
// on C: is booted in qemu; afterwards the partition is read back.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>

#include "../payloads/helpers.h"
#include "machine.h"

namespace trivex::test {
namespace {

using namespace std::chrono_literals;

const fs::path kBootchain = TRIVEX_BOOTCHAIN_DIR;
const fs::path kStandins = TRIVEX_BOOT_STANDINS;
const fs::path kWork = TRIVEX_BOOT_WORK;
const fs::path kTreeRoot = TRIVEX_SOURCE_ROOT;
const fs::path kPayloadStandins = TRIVEX_PAYLOAD_STANDIN_DIR;
const std::string kMkimage = TRIVEX_MKIMAGE;

// A boot that gets as far as Ghost takes 10-30 s; the machines run side by side.
constexpr auto kBootLimit = 120s;

std::string bootchainMissing() {
    for (const char* f : {"grldr", "grldr.mbr", "KERNEL.SYS", "COMMAND.COM", "fdboot.bin"})
        if (!fs::is_regular_file(kBootchain / f))
            return "the boot chain folder " + kBootchain.string() + " has no " + f +
                   " (set the CMake cache variable TRIVEX_BOOTCHAIN_DIR)";
    return "";
}

double secondsSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

// ---- What a job leaves on C: ------------------------------------------------------

const std::string kSavedMenu =
    "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n"
    "[operating systems]\r\nmulti(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Microsoft Windows XP Professional\" "
    "/fastdetect\r\n";
const std::string kRedirectedMenu =
    "[boot loader]\r\ntimeout=2\r\ndefault=C:\\grldr\r\n[operating systems]\r\n"
    "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Microsoft Windows XP Professional\" /fastdetect\r\n"
    "\r\n\r\nC:\\grldr=Trivex Ghost";
const std::string kGhostLine = "Ghost.exe -nousb -clone,mode=pload,src=1:2\\Ghost\\G_WinXP.gho:1,dst=1:1  -sure -rb";
const std::string kGhostBat = kGhostLine + "\r\nrestart";

// Files of the user's in the root, each with its own attributes.
const Root& userFiles() {
    static const Root files = {
        {"README.TXT", {false, "", "a file of the user's, no attributes\r\n"}},
        {"AUTOEXEC.BAT", {false, "A", "@echo off\r\nrem the user's own\r\n"}},
        {"CONFIG.SYS", {false, "RA", "files=40\r\n"}},
        {"NOTES.TXT", {false, "H", "hidden notes\r\n"}},
        {"NTLDR", {false, "RHSA", std::string(3000, 'N')}},
        {"NTDETECT.COM", {false, "RHSA", std::string(2000, 'D')}},
    };
    return files;
}

struct Payloads {
    std::string loader, ghost, image;
};

class BootChain : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite() {
        for (auto& m : machines_) m.reset();
    }

    // Partition contents of a prepared job: the payload bytes, the
    // redirected and the saved boot menu, the user's files.
    static Root jobFiles() {
        Root r = userFiles();
        r["BOOT.INI"] = {false, "A", kRedirectedMenu};
        r["BOOT.BAK"] = {false, "RHSA", kSavedMenu};  // copied by Windows, protection included
        r["GHOST.BAT"] = {false, "A", kGhostBat};
        r["GHOST.EXE"] = {false, "A", payloads_.ghost};
        r["GRLDR"] = {false, "A", payloads_.loader};
        r["VEMO.IMG"] = {false, "A", payloads_.image};
        return r;
    }
    static void writeDisk(const fs::path& image, const Root& files, const std::string& label) {
        makeDisk(image, kBootchain / "grldr.mbr", label);
        std::set<std::string> folders;
        for (const auto& [name, e] : files) {
            const size_t slash = name.find('/');
            if (slash != std::string::npos && folders.insert(name.substr(0, slash)).second)
                makeFolder(image, name.substr(0, slash));
            putFile(image, name, e.bytes, e.attrs);
        }
    }

    enum Run { Normal, StaleImage, NoRamDrive, DemoImage, kRuns };
    static fs::path disk(Run r, int n) { return kWork / ("run" + std::to_string(r) + "-disk" + std::to_string(n) + ".img"); }
    static bool finish(Run r, const std::string& keyAt = "");

    static Payloads payloads_;
    static std::unique_ptr<Machine> machines_[kRuns];
    static std::string setupError_;
};

Payloads BootChain::payloads_;
std::unique_ptr<Machine> BootChain::machines_[kRuns];
std::string BootChain::setupError_;

// The supplied folder of the build: GRUB4DOS's loader, our Ghost stand-in,
// and the DOS files: FreeDOS's kernel behind FreeDOS's boot sector changed to
// load "IO      SYS", FreeCOM, and stand-ins for the tools.
void makeSupplied(const fs::path& dir) {
    fs::remove_all(dir);
    fs::create_directories(dir / "dos/NLS");
    fs::copy_file(kBootchain / "grldr", dir / "grldr");
    fs::copy_file(kStandins / "ghost.bin", dir / "ghost.exe");
    std::string bootSector = readAll(kBootchain / "fdboot.bin");
    bootSector.replace(0x1F1, 11, "IO      SYS");
    writeAll(dir / "dos/BOOTSECT.BIN", bootSector);
    fs::copy_file(kBootchain / "KERNEL.SYS", dir / "dos/IO.SYS");
    fs::copy_file(kBootchain / "COMMAND.COM", dir / "dos/COMMAND.COM");
    fs::copy_file(kStandins / "himem.bin", dir / "dos/HIMEM.SYS");
    fs::copy_file(kStandins / "attrib.bin", dir / "dos/ATTRIB.COM");
    fs::copy_file(kStandins / "xmsdsk.bin", dir / "dos/XMSDSK.EXE");
    for (const char* tool : {"SMARTDRV.EXE", "TW.EXE", "HDPMI32.EXE", "NDOS.EXE", "NDLIST.EXE", "XMSMAN.EXE"})
        fs::copy_file(kStandins / "noop.bin", dir / "dos" / tool);
    writeAll(dir / "dos/NLS/936.CPI", "code page table stand-in (boot test)\r\n");
}

void BootChain::SetUpTestSuite() {
    const auto start = std::chrono::steady_clock::now();
    try {
        makeSupplied(kWork / "supplied");
        std::string out;
        const fs::path build = kWork / "build";
        if (!fs::exists(build / "CMakeCache.txt") &&
            run("cmake -S " + quote(kTreeRoot / "tests/payloads/supplied_build") + " -B " + quote(build) +
                    " -DTRIVEX_SOURCE=" + quote(kTreeRoot) + " -DTRIVEX_SUPPLIED_DIR=" + quote(kWork / "supplied"),
                out) != 0)
            throw std::runtime_error("configuring the build: " + out);
        if (run("cmake --build " + quote(build) + " --target payload_dump -j2", out) != 0 ||
            out.find("Boot path complete") == std::string::npos)
            throw std::runtime_error("the build with the boot chain supplied: " + out);
        fs::remove_all(kWork / "payloads");
        if (run(quote(build / "payload_dump") + " " + quote(kWork / "payloads"), out) != 0)
            throw std::runtime_error("payload_dump: " + out);
        payloads_ = {readAll(kWork / "payloads/Loader"), readAll(kWork / "payloads/GhostDos"),
                     readAll(kWork / "payloads/DosImage")};
        std::printf("build with the boot chain supplied: %.1f s\n", secondsSince(start));

        const auto disks = std::chrono::steady_clock::now();
        // The image of a build without DOS files: our boot sector stands in.
        if (run(kMkimage + " --scripts " + quote(kTreeRoot / "payloads/image") + " --restart " +
                    quote(kPayloadStandins / "RESTART.COM") + " --jobtool " +
                    quote(kPayloadStandins / "JOBTOOL.COM") + " --boot-sector " +
                    quote(kPayloadStandins / "bootsect.bin") + " --out " + quote(kWork / "demo.img"),
                out) != 0)
            throw std::runtime_error("the demo image: " + out);
        const std::string demoImage = readAll(kWork / "demo.img");
        writeDisk(disk(Normal, 0), [] {
            Root r = jobFiles();
            r["GRLDR.BAK"] = {false, "RHSA", "the user's own loader, set aside by the job"};
            return r;
        }(), "TRIVEXC");
        writeDisk(disk(StaleImage, 0), jobFiles(), "TRIVEXC");
        // A stale image of another build: should the loader boot it, no Ghost runs.
        writeDisk(disk(StaleImage, 1), {{"VEMO.IMG", {false, "A", demoImage}},
                                        {"DATA.TXT", {false, "H", "the second disk's own file\r\n"}}},
                  "TRIVEXD");
        Root noRam = jobFiles();
        noRam["TVXTEST/NORAM"] = {false, "A", "the XMSDSK stand-in makes no RAM drive\r\n"};
        writeDisk(disk(NoRamDrive, 0), noRam, "TRIVEXC");
        fs::copy_file(disk(StaleImage, 1), kWork / "run1-disk1.before", fs::copy_options::overwrite_existing);
        writeDisk(disk(DemoImage, 0),
                  {{"GRLDR", {false, "A", payloads_.loader}}, {"VEMO.IMG", {false, "A", demoImage}}}, "TRIVEXC");

        // The machines run side by side.
        machines_[Normal] = std::make_unique<Machine>(std::vector{disk(Normal, 0)}, kWork / "run0.log");
        machines_[StaleImage] =
            std::make_unique<Machine>(std::vector{disk(StaleImage, 0), disk(StaleImage, 1)}, kWork / "run1.log");
        machines_[NoRamDrive] = std::make_unique<Machine>(std::vector{disk(NoRamDrive, 0)}, kWork / "run2.log");
        machines_[DemoImage] = std::make_unique<Machine>(std::vector{disk(DemoImage, 0)}, kWork / "run3.log");
        std::printf("disks made and machines started: %.1f s\n", secondsSince(disks));
    } catch (const std::exception& e) {
        setupError_ = e.what();
    }
}

bool BootChain::finish(Run r, const std::string& keyAt) {
    const auto start = std::chrono::steady_clock::now();
    const bool ended = machines_[r]->waitForEnd(kBootLimit, keyAt);
    std::printf("run %d %s after another %.1f s\n", r, ended ? "ended" : "stopped", secondsSince(start));
    return ended;
}

RootEntry entry(const Root& root, const std::string& name) {
    const auto it = root.find(name);
    return it == root.end() ? RootEntry{} : it->second;
}
const RootEntry kMenuBack{false, "RHSA", kSavedMenu};  // with the saved copy's attributes

// What a job handed to Ghost leaves: Ghost ran exactly once, with the
// command line of ghost.bat; boot.ini is the saved menu again; the job's
// files are gone.
void expectHandedOff(const Root& after, std::initializer_list<const char*> gone) {
    EXPECT_EQ(entry(after, "GHOSTRAN.LOG").bytes, kGhostLine.substr(kGhostLine.find(' ')) + "\r\n");
    EXPECT_EQ(entry(after, "BOOT.INI"), kMenuBack);
    for (const char* name : gone) EXPECT_FALSE(after.count(name)) << name;
}

// Apart from `changed`, the root holds exactly `before`'s entries, each with
// its bytes and attributes.
void expectUntouched(const Root& before, const Root& after, const std::set<std::string>& changed) {
    for (const auto& [name, e] : before) {
        if (changed.count(name) || name.find('/') != std::string::npos) continue;
        ASSERT_TRUE(after.count(name)) << name << " is gone";
        EXPECT_EQ(after.at(name).attrs, e.attrs) << name;
        EXPECT_TRUE(after.at(name).bytes == e.bytes) << name << " changed";
    }
    for (const auto& [name, e] : after)
        EXPECT_TRUE(before.count(name) || changed.count(name) || e.folder) << "new file " << name;
}

#define REQUIRE_SETUP() \
    if (!setupError_.empty()) FAIL() << setupError_

TEST_F(BootChain, HandsTheJobToGhostAndLeavesOtherFilesAsTheyWere) {
    REQUIRE_SETUP();
    ASSERT_TRUE(finish(Normal)) << "no restart; the screen:\n" << machines_[Normal]->lastScreen();
    const Root after = readRoot(disk(Normal, 0));
    SCOPED_TRACE("after the boot:\n" + describe(after));
    expectHandedOff(after, {"BOOT.BAK", "GHOST.BAT", "GHOST.EXE", "VEMO.IMG", "GRLDR.BAK"});
    EXPECT_EQ(entry(after, "GRLDR"), (RootEntry{false, "RHSA", "the user's own loader, set aside by the job"}))
        << "the set-aside loader comes back with its bytes and attributes";
    expectUntouched(userFiles(), after, {"BOOT.INI", "GRLDR", "GHOSTRAN.LOG"});
}

TEST_F(BootChain, AStaleImageOnAnotherDriveDoesNotTakeTheJobThere) {
    REQUIRE_SETUP();
    ASSERT_TRUE(finish(StaleImage)) << "no restart; the screen:\n" << machines_[StaleImage]->lastScreen();
    const Root after = readRoot(disk(StaleImage, 0));
    SCOPED_TRACE("after the boot:\n" + describe(after));
    expectHandedOff(after, {"BOOT.BAK", "GHOST.BAT", "GHOST.EXE", "VEMO.IMG", "GRLDR"});
    expectUntouched(userFiles(), after, {"BOOT.INI", "GHOSTRAN.LOG"});
    std::string out;
    EXPECT_EQ(run("cmp " + quote(kWork / "run1-disk1.before") + " " + quote(disk(StaleImage, 1)), out), 0)
        << "the second disk changed: " << out << describe(readRoot(disk(StaleImage, 1)));
}

TEST_F(BootChain, WithoutTheRamDriveNothingIsLostAndTheUserIsTold) {
    REQUIRE_SETUP();
    const bool ended = finish(NoRamDrive, "Press any key");
    const std::string screen = machines_[NoRamDrive]->lastScreen();
    ASSERT_TRUE(ended) << "no restart after a key; the screen:\n" << screen;
    EXPECT_NE(screen.find("The job did NOT run"), std::string::npos) << screen;
    EXPECT_NE(screen.find("Windows will start normally"), std::string::npos) << screen;
    const Root after = readRoot(disk(NoRamDrive, 0));
    SCOPED_TRACE("after the boot:\n" + describe(after));
    EXPECT_FALSE(after.count("GHOSTRAN.LOG")) << "Ghost ran";
    EXPECT_EQ(entry(after, "BOOT.INI"), kMenuBack);
    EXPECT_FALSE(after.count("BOOT.BAK"));
    expectUntouched(jobFiles(), after, {"BOOT.INI", "BOOT.BAK"});  // the job's files stay for undo
}

// The boot sector of a build without DOS files says so and how to get back
// to Windows for good: the redirected boot menu would start the loader again.
TEST_F(BootChain, ADemoImageSaysHowToGetBackToWindowsForGood) {
    REQUIRE_SETUP();
    const bool ended = finish(DemoImage, "undo the job in Trivex");
    const std::string screen = machines_[DemoImage]->lastScreen();
    EXPECT_NE(screen.find("the DOS system files were not included"), std::string::npos) << screen;
    EXPECT_NE(screen.find("choose Windows before"), std::string::npos) << screen;
    EXPECT_TRUE(ended) << "no restart after a key; the screen:\n" << screen;
}

}  // namespace
}  // namespace trivex::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // The boot software comes from the builder, like Ghost: without it the
    // test is skipped. qemu is installed with the rest: on CI its absence
    // fails the run.
    std::string why = trivex::test::bootchainMissing();
    if (!why.empty()) {
        std::printf("SKIPPED: the real-boot test cannot run: %s\n", why.c_str());
        return 77;
    }
    why = trivex::test::qemuUnavailable();
    if (!why.empty()) {
        const char* ci = std::getenv("CI");
        const bool onCi = ci && *ci && std::string(ci) != "0" && std::string(ci) != "false";
        std::printf("%s: the real-boot test cannot run: %s\n", onCi ? "FAILED" : "SKIPPED", why.c_str());
        return onCi ? 1 : 77;
    }
    return RUN_ALL_TESTS();
}
