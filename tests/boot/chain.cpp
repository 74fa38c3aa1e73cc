#include "chain.h"

#include <cstdio>
#include <stdexcept>

#include "../payloads/helpers.h"
#include "job/boot_menu.h"
#include "job/job_files.h"
#include "payloads/store.h"

namespace trivex::test {

const fs::path kBootchain = TRIVEX_BOOTCHAIN_DIR;
const fs::path kStandins = TRIVEX_BOOT_STANDINS;
const fs::path kWork = TRIVEX_BOOT_WORK;
const fs::path kTreeRoot = TRIVEX_SOURCE_ROOT;
const fs::path kPayloadStandins = TRIVEX_PAYLOAD_STANDIN_DIR;

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

std::vector<Text> wroteFiles(bool loader, job::BootRoute route) {
    std::vector<Text> names;
    for (const job::JobFile& f : job::kJobFiles)
        if (job::writtenOn(f, route) && (loader || !f.loader)) names.push_back(f.name);
    return names;
}

std::string withToken(std::string image, const std::string& token) {
    const size_t at = payloads::tokenPlace({image.data(), static_cast<uint32_t>(image.size())});
    if (at == std::string::npos || !payloads::isToken(token))
        throw std::runtime_error("the image does not hold the token placeholder");
    return image.replace(at, payloads::kTokenLength, token);
}

std::string ghostLog(const std::vector<std::string>& lines, const std::string& target, const std::string& image) {
    std::string log;
    for (std::string l : lines) {
        for (const auto& [var, value] : {std::pair<std::string, std::string>{"%tgt%", target}, {"%img%", image}})
            for (size_t at = l.find(var); at != std::string::npos; at = l.find(var, at + value.size()))
                l.replace(at, var.size(), value);
        log += l.substr(l.find(' ')) + "\r\n";
    }
    return log;
}

namespace {

// The supplied folder of the build: GRUB4DOS's loader, our Ghost stand-in,
// and the DOS files: FreeDOS's kernel behind FreeDOS's boot sector changed to
// load "IO      SYS", FreeCOM, and stand-ins for the tools. XMSMAN, the last
// tool before the job's ghost.bat, notes the time.
void makeSupplied(const fs::path& dir) {
    fs::remove_all(dir);
    fs::create_directories(dir / "dos/NLS");
    fs::copy_file(kBootchain / "grldr", dir / "grldr");
    fs::copy_file(kBootchain / "grldr.mbr", dir / "grldr.mbr");
    fs::copy_file(kStandins / "ghost.bin", dir / "ghost.exe");
    std::string bootSector = readAll(kBootchain / "fdboot.bin");
    bootSector.replace(0x1F1, 11, "IO      SYS");
    writeAll(dir / "dos/BOOTSECT.BIN", bootSector);
    fs::copy_file(kBootchain / "KERNEL.SYS", dir / "dos/IO.SYS");
    fs::copy_file(kBootchain / "COMMAND.COM", dir / "dos/COMMAND.COM");
    fs::copy_file(kStandins / "himem.bin", dir / "dos/HIMEM.SYS");
    fs::copy_file(kStandins / "attrib.bin", dir / "dos/ATTRIB.COM");
    fs::copy_file(kStandins / "xmsdsk.bin", dir / "dos/XMSDSK.EXE");
    fs::copy_file(kStandins / "tickmark.bin", dir / "dos/XMSMAN.EXE");
    for (const char* tool : {"SMARTDRV.EXE", "TW.EXE", "HDPMI32.EXE", "NDOS.EXE", "NDLIST.EXE"})
        fs::copy_file(kStandins / "noop.bin", dir / "dos" / tool);
    writeAll(dir / "dos/NLS/936.CPI", "code page table stand-in (boot test)\r\n");
}

Payloads build() {
    const auto start = std::chrono::steady_clock::now();
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
    std::printf("build with the boot chain supplied: %.1f s\n", secondsSince(start));
    return {readAll(kWork / "payloads/Loader"), readAll(kWork / "payloads/GhostDos"), readAll(kWork / "payloads/DosImage"),
            readAll(kWork / "payloads/LoaderMbr")};
}

}  // namespace

const Payloads& builtPayloads() {
    static const Payloads payloads = build();
    return payloads;
}

}  // namespace trivex::test
