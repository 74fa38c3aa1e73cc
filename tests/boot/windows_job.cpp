// Boots in qemu a job that the real program prepared under Wine, and hands
// back what the boot left, for the Wine test of what the next start tells.
//
//   windows_job_boot <job> <after>
//
// <job>/C/ holds the files of the job's C: (its record, ghost.bat, boot.ini
// and boot.bak, the user's files), <job>/E/ the image's drive (the outcome
// copy, the image in its folder), <job>/c-serial and <job>/e-serial their
// volume serials as Windows gave them ("8C3A-12F0"; without one, the job
// marks the drive by its own files), and <job>/exitcodes, when there, the two exit codes
// Ghost comes back with (the image check's, then any other run's). The
// loader, the boot image (with the record's token) and Ghost are this
// build's, made with the boot chain supplied, in place of the Windows
// build's stand-ins: the job's own texts are the program's. C: becomes a
// FAT32 partition of the first disk, the image's drive the only partition
// of the second. After the restart <after>/C/ and <after>/E/ hold each
// disk's root. Exit code 77: no boot chain or no qemu here.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>

#include "../payloads/helpers.h"
#include "chain.h"
#include "job/record.h"
#include "machine.h"

namespace {

using namespace trivex;
using namespace trivex::test;

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// The files below `dir`, by their DOS paths ("GHOST/RESTORE.GHO").
Root filesOf(const fs::path& dir) {
    Root root;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file())
            root[upper(fs::relative(e.path(), dir).generic_string())] = {false, "A", readAll(e.path())};
    return root;
}

void writeDisk(const fs::path& image, const Root& files, const std::string& label, uint32_t serial) {
    makeDisk(image, kBootchain / "grldr.mbr", label, serial);
    for (const auto& [name, e] : files) {
        const size_t slash = name.rfind('/');
        if (slash != std::string::npos) makeFolder(image, name.substr(0, slash));
        putFile(image, name, e.bytes, e.attrs);
    }
}

// The volume serial a file gives ("8C3A-12F0"), or `otherwise` without one.
uint32_t serialIn(const fs::path& file, uint32_t otherwise) {
    std::string s = fs::exists(file) ? readAll(file) : "";
    s.erase(std::remove_if(s.begin(), s.end(), [](char ch) { return !std::isxdigit(static_cast<unsigned char>(ch)); }),
            s.end());
    return s.empty() ? otherwise : static_cast<uint32_t>(std::stoul(s, nullptr, 16));
}

void handBack(const fs::path& image, const fs::path& dir) {
    for (const auto& [name, e] : readRoot(image))
        if (!e.folder) writeAll(dir / name, e.bytes);
}

int boot(const fs::path& job, const fs::path& after) {
    const Payloads& built = builtPayloads();
    Root c = filesOf(job / "C");
    const std::optional<job::JobRecord> record = job::parseRecord(c["TRIVEX.JOB"].bytes);
    if (!record) throw std::runtime_error("C/TRIVEX.JOB is no job record");
    if (c.count("GRLDR")) c["GRLDR"].bytes = built.loader;
    c["VEMO.IMG"].bytes = withToken(built.image, record->token);
    c["GHOST.EXE"].bytes = built.ghost;
    if (c.count("BOOT.BAK")) c["BOOT.BAK"].attrs = "RHSA";
    if (fs::exists(job / "exitcodes")) c["TVXTEST/EXITCODE"] = {false, "A", readAll(job / "exitcodes")};
    const fs::path disk0 = kWork / "c.img", disk1 = kWork / "e.img";
    writeDisk(disk0, c, "TRIVEXC", serialIn(job / "c-serial", 0x1C1C0001));
    writeDisk(disk1, filesOf(job / "E"), "TRIVEXE", serialIn(job / "e-serial", 0x1E1E0003));
    bool ended = false;
    {
        test::Machine machine({disk0, disk1}, kWork / "qemu.log");
        ended = machine.waitForEnd(std::chrono::seconds(600));
        if (!ended) std::fprintf(stderr, "no restart; the screen:\n%s\n", machine.lastScreen().c_str());
    }
    fs::remove_all(after);
    handBack(disk0, after / "C");
    handBack(disk1, after / "E");
    std::printf("C: after the boot:\n%s", describe(readRoot(disk0)).c_str());
    return ended ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: windows_job_boot <job> <after>\n");
        return 2;
    }
    for (const std::string& missing : {bootchainMissing(), qemuUnavailable()})
        if (!missing.empty()) {
            std::printf("SKIPPED: %s\n", missing.c_str());
            return 77;
        }
    try {
        fs::create_directories(kWork);
        return boot(argv[1], argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "windows_job_boot: %s\n", e.what());
        return 1;
    }
}
