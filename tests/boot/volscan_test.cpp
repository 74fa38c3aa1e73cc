// VOLSCAN.COM booted for real: one table of machine shapes (disks with
// partition tables and file systems made here, some of them broken on
// purpose), each booted once in qemu from a FreeDOS floppy whose
// AUTOEXEC.BAT runs the shape's cases. Every case leaves on the floppy the
// file volscan wrote, its message, and its errorlevel; the floppy is read
// back after the boot. The serials on the disks are checked with blkid
// before the boot.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "../payloads/helpers.h"
#include "layout.h"
#include "machine.h"

namespace trivex::test {
namespace {

using namespace std::chrono_literals;

const fs::path kBootchain = TRIVEX_BOOTCHAIN_DIR;
const fs::path kStandins = TRIVEX_BOOT_STANDINS;
const fs::path kWork = TRIVEX_VOLSCAN_WORK;
const fs::path kPayloadStandins = TRIVEX_PAYLOAD_STANDIN_DIR;

// A boot from the floppy takes 10-40 s of one core; the machines run side by
// side on a machine that may be busy with other work.
constexpr auto kBootLimit = 420s;

// ---- The disks ------------------------------------------------------------------

// ---- The table -------------------------------------------------------------------

// One run of volscan. In `args`, FILE stands for the case's own file on the
// floppy; `lines` is what that file holds afterwards, `says` a part of the
// message line (none when the code is 0).
struct Case {
    std::string args;
    int code;
    std::string lines;
    std::string says;
    bool chs = false;  // from here on the BIOS offers no extended reads (NOLBA.COM)
};

struct Shape {
    std::string name;
    std::vector<Disk> disks;
    std::vector<Case> cases;
    bool timed = false;  // ends with runs timed against as many of a program that does nothing
};

// A disk of one FAT32 partition, which DOS makes C: on the first disk.
Disk fat32Disk(uint32_t serial) { return {72000, {{kFat32, 63, 69937, Fs::Fat32, serial}}, {}}; }

// The layouts of the table the Windows side's rules answer too (the host
// test DosDisks), each volume asked for by itself.
Shape shapeOf(const Layout& l) {
    Shape s{l.name, l.disks, {}};
    for (const LayoutCase& c : l.cases)
        s.cases.push_back({"FILE t=" + c.volume, c.code, "set t=" + c.number + "\r\n", c.says, c.chs});
    return s;
}

// The test's own shapes, then the layouts of the table.
std::vector<Shape> withLayouts(std::vector<Shape> own) {
    for (const Layout& l : dosLayouts()) own.push_back(shapeOf(l));
    return own;
}

const std::vector<Shape>& shapes() {
    static const std::vector<Shape> table = withLayouts({
        {"TwoDisks",
         {{140000,
           {{kFat32, 63, 69937, Fs::Fat32, 0xC0DE0001},
            {kFat16, 70000, 20000, Fs::Fat16, 0xC0DE0002},
            {kExtended, 90000, 40000}},
           {{kFat16, 90063, 19937, Fs::Fat16, 0xC0DE0003},
            {kNtfs, 110063, 9937, Fs::Ntfs, 0xC0DE0004},
            {kFat12, 120063, 7937, Fs::Fat12, 0xC0DE0005, true}}},
          fat32Disk(0xC0DE0021)},
         {
             {"FILE t=C0DE-0003", 0, "set t=1:3\r\n", ""},  // a logical drive of the boot disk
             {"FILE image=c0de0004", 0, "set image=1:4\r\n", ""},  // NTFS
             {"FILE i=C0DE-0021", 0, "set i=2:1\r\n", ""},  // the only partition of the second disk
             {"FILE a=C0DE-0002 b=C0DE-0005 c=C0DE-0001", 0, "set a=1:2\r\nset b=1:5\r\nset c=1:1\r\n", ""},
             // DOS letters: the first FAT partition of each disk, the logical
             // FAT drives, then the other primary ones; NTFS gets none.
             {"FILE t=C: i=D: l=E: f=F: g=G:", 0, "set t=1:1\r\nset i=2:1\r\nset l=1:3\r\nset f=1:5\r\nset g=1:2\r\n", ""},
             {"FILE t=A:", 1, "set t=\r\n", "[t=A: serial "},  // the boot floppy: on no hard disk
             {"FILE t=DEAD-BEEF", 1, "set t=\r\n", "[t=DEAD-BEEF] No partition of the hard disks has this volume serial."},
             {"FILE t=C: i=DEADBEEF", 1, "set t=\r\nset i=\r\n", "[i=DEADBEEF] No partition"},
             {"FILE t=Q:", 7, "set t=\r\n", "[t=Q:] There is no such drive."},
             {"FILE t=P:", 7, "set t=\r\n", "[t=P:] DOS sees this drive only through a driver"},  // NETDRIVE.COM's
             {"FILE t=0000-0000", 7, "set t=\r\n", "The volume has no serial"},
             {"FILE t=C0DE-001", 9, "", "usage: volscan FILE NAME=VOLUME"},
             {"FILE t=C0DE00011", 9, "", "usage"},
             {"FILE t=C0-DE0001", 9, "", "usage"},
             {"FILE =C0DE0001", 9, "", "usage"},
             {"FILE t-x=C:", 9, "", "usage"},
             {"FILE", 9, "", "usage"},
             {"", 9, "", "usage"},
             {"q:\\vol.bat t=C:", 8, "", "volscan: cannot write q:\\vol.bat."},
             // The same disks read by cylinder, head and sector.
             {"FILE t=C: i=C0DE-0004 j=C0DE-0021 k=C0DE-0005", 0, "set t=1:1\r\nset i=1:4\r\nset j=2:1\r\nset k=1:5\r\n",
              "", true},
         },
         true},
    });
    return table;
}

std::string caseId(size_t i) {
    char id[8];
    std::snprintf(id, sizeof id, "%02zu", i + 1);
    return id;
}

std::string fileOf(size_t i) { return "O" + caseId(i) + ".BAT"; }

std::string argsOf(const Case& c, size_t i) {
    std::string args = c.args;
    const size_t at = args.find("FILE");
    if (at != std::string::npos) args.replace(at, 4, "a:\\" + fileOf(i));
    return args;
}

constexpr int kTimedRuns = 50;

// AUTOEXEC.BAT: P: made a redirector's drive, then each case, its message
// into Mnn.TXT, its errorlevel as a line "nn N." of CODES.TXT; the timing's
// tick counts into TIME.TXT.
std::string autoexec(const Shape& s) {
    std::string bat = "@echo off\r\nnetdrive\r\n";
    // A disk of other sectors than 512 bytes: the BIOS's word for the second disk.
    for (const Disk& d : s.disks)
        if (d.sectorBytes != 512) bat += "bigsect\r\n";
    for (size_t i = 0; i < s.cases.size(); ++i) {
        const Case& c = s.cases[i];
        if (c.chs && (i == 0 || !s.cases[i - 1].chs)) bat += "nolba\r\n";
        bat += "volscan " + argsOf(c, i) + ">a:\\M" + caseId(i) + ".TXT\r\n";
        bat += "set n=0\r\nfor %%n in (1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16) do if errorlevel %%n set n=%%n\r\n";
        bat += "echo " + caseId(i) + " %n%.>>a:\\codes.txt\r\n";
    }
    if (s.timed) {
        bat += "ticks>>a:\\time.txt\r\n";
        for (int n = 0; n < kTimedRuns; ++n) bat += "volscan a:\\time.bat t=C0DE-0003 i=C0DE-0021\r\n";
        bat += "ticks>>a:\\time.txt\r\n";
        for (int n = 0; n < kTimedRuns; ++n) bat += "noop\r\n";
        bat += "ticks>>a:\\time.txt\r\n";
    }
    return bat + "reboot\r\n";
}

Root floppyFiles(const Shape& s) {
    return {
        {"KERNEL.SYS", {false, "A", readAll(kBootchain / "KERNEL.SYS")}},
        {"COMMAND.COM", {false, "A", readAll(kBootchain / "COMMAND.COM")}},
        {"FDCONFIG.SYS", {false, "A", "files=20\r\nlastdrive=z\r\n"}},
        {"VOLSCAN.COM", {false, "A", readAll(kPayloadStandins / "VOLSCAN.COM")}},
        {"REBOOT.COM", {false, "A", readAll(kPayloadStandins / "RESTART.COM")}},
        {"NOLBA.COM", {false, "A", readAll(kStandins / "nolba.bin")}},
        {"BIGSECT.COM", {false, "A", readAll(kStandins / "bigsect.bin")}},
        {"NETDRIVE.COM", {false, "A", readAll(kStandins / "netdrive.bin")}},
        {"TICKS.COM", {false, "A", readAll(kStandins / "ticks.bin")}},
        {"NOOP.COM", {false, "A", readAll(kStandins / "noop.bin")}},
        {"AUTOEXEC.BAT", {false, "A", autoexec(s)}},
    };
}

std::string bootchainMissing() {
    for (const char* f : {"KERNEL.SYS", "COMMAND.COM", "fdboot.bin"})
        if (!fs::is_regular_file(kBootchain / f))
            return "the boot chain folder " + kBootchain.string() + " has no " + f +
                   " (set the CMake cache variable TRIVEX_BOOTCHAIN_DIR)";
    return "";
}

class Volscan : public ::testing::TestWithParam<size_t> {
protected:
    static void SetUpTestSuite() {
        try {
            const auto& table = shapes();
            for (size_t s = 0; s < table.size(); ++s) {
                std::vector<fs::path> disks;
                for (size_t d = 0; d < table[s].disks.size(); ++d)
                    disks.push_back(makeLayoutDisk(kWork / (table[s].name + "-disk" + std::to_string(d + 1) + ".img"),
                                             table[s].disks[d], kWork / (table[s].name + "-disk1.img")));
                makeFloppy(floppy(s), readAll(kBootchain / "fdboot.bin"), floppyFiles(table[s]));
                machines_.push_back(std::make_unique<Machine>(disks, kWork / (table[s].name + ".log"), floppy(s)));
            }
        } catch (const std::exception& e) {
            setupError_ = e.what();
        }
    }
    static void TearDownTestSuite() { machines_.clear(); }
    static fs::path floppy(size_t s) { return kWork / (shapes()[s].name + "-floppy.img"); }

    static std::vector<std::unique_ptr<Machine>> machines_;
    static std::string setupError_;
};

std::vector<std::unique_ptr<Machine>> Volscan::machines_;
std::string Volscan::setupError_;

// "nn N." lines, by nn.
std::map<std::string, std::string> codesOf(const std::string& text) {
    std::map<std::string, std::string> codes;
    std::istringstream lines(text);
    for (std::string id, code; lines >> id >> code;) codes[id] = code;
    return codes;
}

// The timed runs against as many of a program that does nothing, in BIOS
// ticks of the emulated machine (18.2 a second).
void reportTime(const std::string& ticks) {
    std::istringstream in(ticks);
    long t0 = 0, t1 = 0, t2 = 0;
    ASSERT_TRUE(in >> t0 >> t1 >> t2) << "TIME.TXT: " << ticks;
    const double ms = 1000.0 / 18.2065 / kTimedRuns;
    std::printf("volscan on 2 disks with 6 partitions, %d runs: %ld ticks, %.1f ms a run (emulated time, the "
                "program's loading included); %d runs of a program that does nothing: %ld ticks, %.1f ms a run\n",
                kTimedRuns, t1 - t0, (t1 - t0) * ms, kTimedRuns, t2 - t1, (t2 - t1) * ms);
}

TEST_P(Volscan, GivesEachVolumeGhostsNumberOrRefusesWithTheReason) {
    if (!setupError_.empty()) FAIL() << setupError_;
    const size_t s = GetParam();
    const Shape& shape = shapes()[s];
    Machine& machine = *machines_[s];
    const auto start = std::chrono::steady_clock::now();
    const bool ended = machine.waitForEnd(kBootLimit);
    std::printf("%s: the boot ended after another %.1f s\n", shape.name.c_str(),
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    ASSERT_TRUE(ended) << "no restart; the screen:\n" << machine.lastScreen();
    const auto codes = codesOf(floppyFile(floppy(s), "CODES.TXT"));
    for (size_t i = 0; i < shape.cases.size(); ++i) {
        const Case& c = shape.cases[i];
        SCOPED_TRACE("volscan " + argsOf(c, i));
        const auto code = codes.find(caseId(i));
        EXPECT_TRUE(code != codes.end() && code->second == std::to_string(c.code) + ".")
            << "errorlevel " << (code == codes.end() ? "none" : code->second) << ", expected " << c.code;
        if (c.args.find("FILE") != std::string::npos) {
            EXPECT_EQ(floppyFile(floppy(s), fileOf(i)), c.lines);
        }
        const std::string message = floppyFile(floppy(s), "M" + caseId(i) + ".TXT");
        if (c.code == 0) {
            EXPECT_EQ(message, "");
        } else {
            EXPECT_NE(message.find(c.says), std::string::npos) << message;
            EXPECT_EQ(message.find("\r\n"), message.size() - 2) << "one line: " << message;
        }
    }
    if (shape.timed) reportTime(floppyFile(floppy(s), "TIME.TXT"));
}

INSTANTIATE_TEST_SUITE_P(Shapes, Volscan, ::testing::Range(size_t{0}, shapes().size()),
                         [](const ::testing::TestParamInfo<size_t>& info) { return shapes()[info.param].name; });

}  // namespace
}  // namespace trivex::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::string why = trivex::test::bootchainMissing();
    if (!why.empty()) {
        std::printf("SKIPPED: the volscan boot test cannot run: %s\n", why.c_str());
        return 77;
    }
    why = trivex::test::qemuUnavailable();
    if (!why.empty()) {
        const char* ci = std::getenv("CI");
        const bool onCi = ci && *ci && std::string(ci) != "0" && std::string(ci) != "false";
        std::printf("%s: the volscan boot test cannot run: %s\n", onCi ? "FAILED" : "SKIPPED", why.c_str());
        return onCi ? 1 : 77;
    }
    std::filesystem::create_directories(trivex::test::kWork);
    return RUN_ALL_TESTS();
}
