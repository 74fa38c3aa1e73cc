#include "machine.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <tuple>

#include "../payloads/helpers.h"

namespace trivex::test {
namespace {

using namespace std::chrono_literals;

// The disk: 68 MB, the partition from sector 63, so that the 16 sectors of
// grldr.mbr fit before it. FAT32 with 512-byte clusters (GRUB4DOS 0.4.6a's
// MBR code takes a small FAT16 partition for FAT12).
constexpr uint32_t kSectors = 140112;
constexpr uint32_t kStart = 63;
constexpr uint32_t kHeads = 16, kPerTrack = 63;

// An mtools command on the FAT partition that starts at sector `start`.
std::string mcmd(const fs::path& image, const std::string& tool, uint32_t start) {
    return "MTOOLS_SKIP_CHECK=1 MTOOLS_NO_VFAT=1 " + tool + " -i " + quote(image) + "@@" +
           std::to_string(uint64_t{start} * 512);
}

// Where a primary partition starts, in bytes, from the disk's own partition table.
uint64_t partitionStart(const fs::path& image, int partition) {
    std::ifstream in(image, std::ios::binary);
    char entry[16] = {};
    in.seekg(446 + 16 * partition);
    in.read(entry, 16);
    uint32_t lba = 0;
    for (int i = 0; i < 4; ++i) lba |= static_cast<uint32_t>(static_cast<unsigned char>(entry[8 + i])) << (8 * i);
    if (!in || lba == 0) throw std::runtime_error("no partition " + std::to_string(partition) + " on " + image.string());
    return uint64_t{lba} * 512;
}

void must(const std::string& command) {
    std::string out;
    if (run(command, out) != 0) throw std::runtime_error(command + " failed: " + out);
}

void chs(std::string& at, size_t pos, uint32_t lba) {
    const uint32_t c = lba / (kHeads * kPerTrack), h = lba / kPerTrack % kHeads, s = lba % kPerTrack + 1;
    at[pos] = static_cast<char>(h);
    at[pos + 1] = static_cast<char>((s & 0x3F) | ((c >> 2) & 0xC0));
    at[pos + 2] = static_cast<char>(c & 0xFF);
}

void putLe32(std::string& at, size_t pos, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[pos + i] = static_cast<char>(v >> (8 * i));
}

// One partition table entry: `type` from `start` for `count` sectors.
std::string tableEntry(char type, uint32_t start, uint32_t count, bool active) {
    std::string entry(16, '\0');
    entry[0] = active ? '\x80' : '\0';
    chs(entry, 1, start);
    entry[4] = type;
    chs(entry, 5, start + count - 1);
    putLe32(entry, 8, start);
    putLe32(entry, 12, count);
    return entry;
}

// The disk's first 63 sectors: the MBR code with the partition table entries.
std::string diskHead(const fs::path& mbrCode, const std::string& entries) {
    std::string head = readAll(mbrCode);
    if (head.size() < 512 || head.size() > kStart * 512) throw std::runtime_error("unexpected MBR code " + mbrCode.string());
    head.resize(kStart * 512, '\0');
    head.replace(446, 64, entries + std::string(64 - entries.size(), '\0'));
    head.replace(510, 2, "\x55\xAA");
    return head;
}

// One partition of the disk from sector 63 to the end, marked active.
std::string diskHead(const fs::path& mbrCode, char type) {
    return diskHead(mbrCode, tableEntry(type, kStart, kSectors - kStart, true));
}

std::string geometry() {
    return " -H " + std::to_string(kHeads) + " -S " + std::to_string(kPerTrack) + " -p " + std::to_string(kStart);
}

}  // namespace

void makeDisk(const fs::path& image, const fs::path& mbrCode, const std::string& label, uint32_t serial) {
    const std::string head = diskHead(mbrCode, '\x0C');  // FAT32, LBA
    fs::remove(image);
    writeAll(image, head);
    fs::resize_file(image, uint64_t{kSectors} * 512);
    char id[9];
    std::snprintf(id, sizeof id, "%08X", serial);
    must("mkfs.fat -F 32 -s 1 -n " + label + " -i " + id + " -h " + std::to_string(kStart) + " --offset " + std::to_string(kStart) +
         " -g " + std::to_string(kHeads) + "/" + std::to_string(kPerTrack) + " " + quote(image));
}

void makeNtfsDisk(const fs::path& image, const fs::path& mbrCode, const std::string& label,
                  const std::map<std::string, std::string>& files) {
    const fs::path part = image.string() + ".part";
    fs::remove(part);
    writeAll(part, "");
    fs::resize_file(part, uint64_t{kSectors - kStart} * 512);
    must("mkntfs -F -q -Q -s 512 -c 4096 -L " + label + geometry() + " " + quote(part));
    const fs::path tmp = image.string() + ".in";
    for (const auto& [name, bytes] : files) {
        writeAll(tmp, bytes);
        must("ntfscp -f -q " + quote(part) + " " + quote(tmp) + " '/" + name + "'");
    }
    fs::remove(tmp);
    std::ofstream out(image, std::ios::binary | std::ios::trunc);
    out << diskHead(mbrCode, '\x07');
    std::ifstream in(part, std::ios::binary);
    out << in.rdbuf();
    out.close();
    fs::remove(part);
    if (fs::file_size(image) != uint64_t{kSectors} * 512) throw std::runtime_error("NTFS disk of the wrong size");
}

// A file system made in a file of its own, for a partition of `sectors` from `start`.
void makePartitionFile(const fs::path& part, uint32_t start, uint32_t sectors, const PartitionSpec& spec) {
    fs::remove(part);
    writeAll(part, "");
    fs::resize_file(part, uint64_t{sectors} * 512);
    const std::string geometry = " -H " + std::to_string(kHeads) + " -S " + std::to_string(kPerTrack) + " -p " +
                                 std::to_string(start);
    if (!spec.ntfs) {
        char id[16] = "";
        if (spec.serial) std::snprintf(id, sizeof id, " -i %08X", spec.serial);
        must("mkfs.fat -F 32 -s 1 -n " + spec.label + id + " -h " + std::to_string(start) + " -g " + std::to_string(kHeads) +
             "/" + std::to_string(kPerTrack) + " " + quote(part));
        return;
    }
    must("mkntfs -F -q -Q -s 512 -c 4096 -L " + spec.label + geometry + " " + quote(part));
    const fs::path tmp = part.string() + ".in";
    for (const auto& [name, bytes] : spec.files) {
        writeAll(tmp, bytes);
        must("ntfscp -f -q " + quote(part) + " " + quote(tmp) + " '/" + name + "'");
    }
    fs::remove(tmp);
}

void makeTwoPartitionDisk(const fs::path& image, const fs::path& mbrCode, const PartitionSpec& first,
                          const PartitionSpec& second) {
    // 70 cylinders each (FAT32 of 512-byte clusters needs 65525 clusters),
    // both ending on a cylinder's end: qemu takes the disk's geometry from
    // where the partitions end.
    constexpr uint32_t kCylinder = kHeads * kPerTrack, kPart = 70 * kCylinder;
    const uint32_t second0 = kPart;
    std::ofstream out(image, std::ios::binary | std::ios::trunc);
    out << diskHead(mbrCode, tableEntry(first.ntfs ? '\x07' : '\x0C', kStart, kPart - kStart, true) +
                                 tableEntry(second.ntfs ? '\x07' : '\x0C', second0, kPart, false));
    const std::tuple<const PartitionSpec*, uint32_t, uint32_t> parts[] = {{&first, kStart, kPart - kStart},
                                                                          {&second, second0, kPart}};
    for (const auto& [spec, start, sectors] : parts) {
        const fs::path part = image.string() + ".part";
        makePartitionFile(part, start, sectors, *spec);
        std::ifstream in(part, std::ios::binary);
        out << in.rdbuf();
        in.close();
        fs::remove(part);
    }
    out.close();
    if (fs::file_size(image) != uint64_t{second0 + kPart} * 512) throw std::runtime_error("two-partition disk of the wrong size");
}

std::string readNtfsFile(const fs::path& image, const std::string& name, int partition) {
    const fs::path part = image.string() + ".part";
    must("dd if=" + quote(image) + " of=" + quote(part) + " bs=512 skip=" + std::to_string(partitionStart(image, partition) / 512) +
         " status=none");
    std::string bytes;
    const int rc = run("ntfscat " + quote(part) + " '/" + name + "' 2>/dev/null", bytes);
    fs::remove(part);
    if (rc != 0) throw std::runtime_error("ntfscat " + name + " failed");
    return bytes;
}

void makeFloppy(const fs::path& image, const std::string& bootSector, const Root& files) {
    fs::remove(image);
    must("mkfs.fat -C " + quote(image) + " 1440");
    std::string bytes = readAll(image);
    if (bootSector.size() != 512) throw std::runtime_error("a boot sector has 512 bytes");
    bytes.replace(0, 3, bootSector.substr(0, 3));
    bytes.replace(62, 450, bootSector.substr(62));
    writeAll(image, bytes);
    const fs::path tmp = image.string() + ".in";
    for (const auto& [name, e] : files) {
        writeAll(tmp, e.bytes);
        must("MTOOLS_SKIP_CHECK=1 mcopy -o -i " + quote(image) + " " + quote(tmp) + " '::" + name + "'");
        std::string flags;
        for (char a : std::string("RHSA"))
            flags += std::string(" ") + (e.attrs.find(a) == std::string::npos ? '-' : '+') + char(a | 0x20);
        must("MTOOLS_SKIP_CHECK=1 mattrib -i " + quote(image) + flags + " '::" + name + "'");
    }
    fs::remove(tmp);
}

std::string floppyFile(const fs::path& image, const std::string& name) {
    std::string bytes;
    return run("MTOOLS_SKIP_CHECK=1 mtype -i " + quote(image) + " '::" + name + "'", bytes) == 0 ? bytes : "";
}

std::string floppyAttrs(const fs::path& image, const std::string& name) {
    std::string line;
    if (run("MTOOLS_SKIP_CHECK=1 mattrib -i " + quote(image) + " '::" + name + "'", line) != 0 ||
        line.find("::/") == std::string::npos || line.size() < 8)
        return "-";
    std::string attrs;
    if (line[7] == 'R') attrs += 'R';
    if (line[6] == 'H') attrs += 'H';
    if (line[5] == 'S') attrs += 'S';
    if (line[2] == 'A') attrs += 'A';
    return attrs;
}

void putFile(const fs::path& image, const std::string& path, const std::string& bytes, const std::string& attrs,
             int partition) {
    putFile(image, static_cast<uint32_t>(partitionStart(image, partition) / 512), path, bytes, attrs);
}

void putFile(const fs::path& image, uint32_t start, const std::string& path, const std::string& bytes,
             const std::string& attrs) {
    const fs::path tmp = image.string() + ".in";
    writeAll(tmp, bytes);
    must(mcmd(image, "mcopy", start) + " -o " + quote(tmp) + " '::" + path + "'");
    fs::remove(tmp);
    std::string flags;
    for (char a : std::string("RHSA")) flags += std::string(" ") + (attrs.find(a) == std::string::npos ? '-' : '+') + char(a | 0x20);
    must(mcmd(image, "mattrib", start) + flags + " '::" + path + "'");
}

void makeFolder(const fs::path& image, const std::string& path, int partition) {
    makeFolder(image, static_cast<uint32_t>(partitionStart(image, partition) / 512), path);
}

void makeFolder(const fs::path& image, uint32_t start, const std::string& path) {
    must(mcmd(image, "mmd", start) + " '::" + path + "'");
}

Root readRoot(const fs::path& image, int partition) {
    return readRoot(image, static_cast<uint32_t>(partitionStart(image, partition) / 512));
}

Root readRoot(const fs::path& image, uint32_t start) {
    std::string folders, listing;
    if (run(mcmd(image, "mdir", start) + " -a -b ::", folders) != 0) throw std::runtime_error("mdir: " + folders);
    if (run(mcmd(image, "mattrib", start) + " '::*'", listing) != 0 && !listing.empty())
        throw std::runtime_error("mattrib: " + listing);
    Root root;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        // "  A  SHR     ::/NAME": archive in column 2, system, hidden, read-only in 5-7.
        const size_t at = line.find("::/");
        if (at == std::string::npos || line.size() < 8) continue;
        const std::string name = line.substr(at + 3);
        RootEntry e;
        if (line[7] == 'R') e.attrs += 'R';
        if (line[6] == 'H') e.attrs += 'H';
        if (line[5] == 'S') e.attrs += 'S';
        if (line[2] == 'A') e.attrs += 'A';
        e.folder = folders.find("::/" + name + "/\n") != std::string::npos;
        if (!e.folder && run(mcmd(image, "mtype", start) + " '::" + name + "'", e.bytes) != 0)
            throw std::runtime_error("mtype " + name + ": " + e.bytes);
        root[name] = e;
    }
    return root;
}

std::string diskFile(const fs::path& image, uint32_t start, const std::string& path) {
    std::string bytes;
    return run(mcmd(image, "mtype", start) + " '::" + path + "' 2>/dev/null", bytes) == 0 ? bytes : "";
}

std::string describe(const Root& root) {
    std::string s;
    for (const auto& [name, e] : root)
        s += "  " + name + (e.folder ? "\\" : "") + " [" + e.attrs + "] " + std::to_string(e.bytes.size()) + " bytes\n";
    return s;
}

// ---- Machine ---------------------------------------------------------------------

Machine::Machine(const std::vector<fs::path>& disks, const fs::path& log, const fs::path& floppy) {
    char dir[] = "/tmp/trivex-qemu-XXXXXX";  // short: socket paths are limited
    if (!mkdtemp(dir)) throw std::runtime_error("mkdtemp failed");
    socketDir_ = dir;
    const std::string socket = (socketDir_ / "qmp").string();

    std::vector<std::string> args = {"qemu-system-i386", "-accel", "tcg", "-machine", "pc", "-m", "64",
                                     "-display", "none", "-no-reboot", "-boot", floppy.empty() ? "c" : "a", "-nic", "none",
                                     "-serial", "none", "-parallel", "none", "-monitor", "none",
                                     "-qmp", "unix:" + socket + ",server=on,wait=off"};
    for (size_t i = 0; i < disks.size(); ++i)
        args.insert(args.end(), {"-drive", "file=" + disks[i].string() + ",format=raw,if=ide,index=" + std::to_string(i)});
    if (!floppy.empty()) args.insert(args.end(), {"-drive", "file=" + floppy.string() + ",format=raw,if=floppy"});
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
        }
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }

    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, socket.c_str(), sizeof addr.sun_path - 1);
    // qemu opens its socket once it has started, which takes as long as the
    // machine is busy: wait for that, or for qemu to end, up to a deadline
    // that only bounds the wait.
    const auto deadline = std::chrono::steady_clock::now() + 120s;
    bool ended = false;
    while (qmp_ < 0 && !ended && std::chrono::steady_clock::now() < deadline) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
            qmp_ = fd;
        } else {
            close(fd);
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                ended = true;
            } else {
                std::this_thread::sleep_for(50ms);
            }
        }
    }
    if (qmp_ < 0) {
        stop();
        throw std::runtime_error(std::string(ended ? "qemu ended before its QMP socket opened"
                                                   : "qemu's QMP socket did not open within 120 s") +
                                 "; see " + log.string());
    }
    timeval t{10, 0};
    setsockopt(qmp_, SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t);
    command(R"({"execute":"qmp_capabilities"})");
}

Machine::~Machine() {
    stop();
    std::error_code ec;
    fs::remove_all(socketDir_, ec);
}

void Machine::stop() {
    if (qmp_ >= 0) close(qmp_);
    qmp_ = -1;
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
}

// Sends one QMP command and reads up to its answer (events are skipped; the
// greeting is read before the first answer).
bool Machine::command(const std::string& json) {
    if (qmp_ < 0) return false;
    const std::string line = json + "\n";
    if (send(qmp_, line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size())) return false;
    std::string got;
    char buf[4096];
    for (;;) {
        for (size_t end; (end = got.find('\n')) != std::string::npos; got.erase(0, end + 1)) {
            const std::string answer = got.substr(0, end);
            if (answer.find("\"return\"") != std::string::npos) return true;
            if (answer.find("\"error\"") != std::string::npos) return false;
        }
        const ssize_t n = recv(qmp_, buf, sizeof buf, 0);
        if (n <= 0) return false;
        got.append(buf, static_cast<size_t>(n));
    }
}

std::string Machine::screen() {
    const fs::path dump = socketDir_ / "screen.bin";
    fs::remove(dump);
    if (!command(R"({"execute":"pmemsave","arguments":{"val":753664,"size":4000,"filename":")" + dump.string() +
                 R"("}})"))
        return "";
    const std::string cells = readAll(dump);
    if (cells.size() < 4000) return "";
    std::string text;
    for (int row = 0; row < 25; ++row) {
        std::string line;
        for (int col = 0; col < 80; ++col) {
            const unsigned char c = static_cast<unsigned char>(cells[(row * 80 + col) * 2]);
            line += c >= 32 && c < 127 ? static_cast<char>(c) : ' ';
        }
        line.erase(line.find_last_not_of(' ') + 1);
        text += line + "\n";
    }
    text.erase(text.find_last_not_of('\n') + 1);
    return text + "\n";
}

void Machine::pressEnter() { command(R"({"execute":"send-key","arguments":{"keys":[{"type":"qcode","data":"ret"}]}})"); }

bool Machine::waitForEnd(std::chrono::seconds limit, const std::string& keyAt) {
    const auto deadline = started_ + limit;
    auto nextLook = std::chrono::steady_clock::now();
    bool pressed = false;
    while (pid_ > 0) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            stop();
            return true;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) break;
        if (now >= nextLook) {
            const std::string text = screen();
            if (!text.empty()) lastScreen_ = text;
            if (!keyAt.empty() && !pressed && text.find(keyAt) != std::string::npos) {
                pressEnter();
                pressed = true;
                pressed_ = true;
            }
            nextLook = now + 1s;
        }
        std::this_thread::sleep_for(100ms);
    }
    stop();
    return false;
}

bool Machine::waitForScreen(const std::string& text, std::chrono::seconds limit) {
    const auto deadline = started_ + limit;
    while (pid_ > 0 && std::chrono::steady_clock::now() < deadline) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            break;
        }
        const std::string now = screen();
        if (!now.empty()) lastScreen_ = now;
        if (now.find(text) != std::string::npos) {
            stop();
            return true;
        }
        std::this_thread::sleep_for(1s);
    }
    stop();
    return false;
}

std::string qemuUnavailable() {
    std::string out;
    if (run("qemu-system-i386 -version", out) == 0) return "";
    return "qemu-system-i386 cannot run here (" + out.substr(0, out.find('\n')) +
           "); Debian's package qemu-system-x86 provides it";
}

}  // namespace trivex::test
