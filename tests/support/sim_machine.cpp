// The simulated machine: files through the simulated disks, processes,
// system tools, the restart and power cuts.
#include "tests/support/sim_machine.h"

#include <algorithm>

#include "platform/files.h"
#include "platform/text.h"

namespace trivex::sim {

SimMachine::SimMachine() = default;
SimMachine::~SimMachine() = default;

void SimMachine::whileWaiting() {
    ++waits_;
    if (waitHook_) {
        const auto hook = waitHook_;  // the hook may replace itself
        hook();
    }
}

void SimMachine::onCommand(const Text& commandLine, const Text& output, std::function<void(SimMachine&)> effect) {
    scripts_[commandLine] = Script{output, std::move(effect)};
}

SysResult SimMachine::startProgram(const Text& commandLine) {
    commands_.push_back({commandLine, false});
    const auto it = scripts_.find(commandLine);
    if (it == scripts_.end()) return SysResult::failed(kErrorFileNotFound);
    if (it->second.effect) {
        const auto effect = it->second.effect;  // may script other commands meanwhile
        effect(*this);
    }
    return SysResult::ok();
}

// The output arrives in reads of at most 4095 bytes, each taken up to its
// first zero byte, with the wait hook run after every read and after the
// last (empty) one that reports the end of the pipe.
Text SimMachine::runAndCapture(const Text& commandLine, uint32_t /*timeoutMs*/) {
    commands_.push_back({commandLine, true});
    const auto it = scripts_.find(commandLine);
    Text collected;
    if (it != scripts_.end()) {
        const Script script = it->second;
        if (script.effect) script.effect(*this);
        constexpr size_t kRead = 4095;
        for (size_t pos = 0; pos < script.output.size(); pos += kRead) {
            const size_t n = std::min(kRead, script.output.size() - pos);
            collected += text::fromBlock(script.output.data() + pos, n);
            whileWaiting();
        }
    }
    whileWaiting();
    return collected;
}

SysResult SimMachine::restart() {
    ++restarts_;
    return refuseRestart_ ? SysResult::failed(kErrorAccessDenied) : SysResult::ok();
}

Text SimMachine::errorText(uint32_t error) {
    switch (error) {
        case kErrorFileNotFound: return "系统找不到指定的文件。";
        case kErrorPathNotFound: return "系统找不到指定的路径。";
        case kErrorAccessDenied: return "访问被拒绝。";
        case kErrorNotSameDevice: return "系统无法将文件移到不同的磁盘驱动器。";
        case kErrorDiskFull: return "磁盘满。";
        case kErrorInvalidName: return "文件名、目录名或卷标语法不正确。";
        case kErrorAlreadyExists: return "当文件已存在时，无法创建该文件。";
        default: return {};
    }
}

// ---- Power cuts and the steps of a change ----------------------------------------------

void SimMachine::cutPowerAfter(int steps) {
    stepsLeft_ = steps;
    cut_ = false;
    steps_.clear();
}

void SimMachine::restorePower() {
    stepsLeft_ = -1;
    cut_ = false;
}

SimMachine::Step SimMachine::step(const Text& what) {
    if (cut_) return Step::Dead;
    if (stepsLeft_ == 0) {
        cut_ = true;
        return Step::CutDuring;
    }
    if (stepsLeft_ > 0) --stepsLeft_;
    steps_.push_back(what);
    return Step::Happens;
}

namespace {
// The first half of the blocks' bytes: what a write cut short leaves.
Text firstHalf(const std::vector<ByteView>& blocks) {
    Text all;
    for (const ByteView& b : blocks)
        if (b.size && b.data) all.append(static_cast<const char*>(b.data), b.size);
    return all.substr(0, all.size() / 2);
}
// What a step the power cut answers with: the program is gone.
SysResult gone() { return SysResult::failed(0); }
}  // namespace

SysResult SimMachine::writeFile(const Text& path, const std::vector<ByteView>& blocks) {
    switch (step("write " + path)) {
        case Step::Happens: return fs_.writeFile(path, blocks);
        case Step::CutDuring: (void)fs_.writeFile(path, {bytesOf(firstHalf(blocks))}); break;
        case Step::Dead: break;
    }
    return gone();
}

SysResult SimMachine::deleteFile(const Text& path) {
    return step("delete " + path) == Step::Happens ? fs_.deleteFile(path) : gone();
}

SysResult SimMachine::renameFile(const Text& from, const Text& to) {
    return step("rename " + from + " " + to) == Step::Happens ? fs_.renameFile(from, to) : gone();
}

SysResult SimMachine::replaceFile(const Text& from, const Text& to) {
    return step("move " + from + " " + to) == Step::Happens ? fs_.replaceFile(from, to) : gone();
}

SysResult SimMachine::setFileAttributes(const Text& path, uint32_t attributes) {
    return step("attributes " + path + " " + text::toText(static_cast<int64_t>(attributes))) == Step::Happens
               ? fs_.setFileAttributes(path, attributes)
               : gone();
}

SysResult SimMachine::createFolder(const Text& path) {
    return step("folder " + path) == Step::Happens ? fs_.createFolder(path) : gone();
}

// The temporary file is written and flushed in one step and moved onto the
// name in a second: a cut between them leaves the name as it was. Its name
// is the next of a count (TVX00001.TMP, TVX00002.TMP...), passing over names
// that a file has already.
SysResult SimMachine::writeFileWhole(const Text& path, const std::vector<ByteView>& blocks) {
    if (temporaryFor(path, 0).empty()) return SysResult::failed(kErrorInvalidName);
    const int64_t target = fs_.attributes(path);
    if (target >= 0 && (target & (kProtection | kAttrDirectory))) return SysResult::failed(kErrorAccessDenied);
    // A write fault injected on the name itself fails the whole write.
    if (const uint32_t e = fs_.takeFault(Op::Write, path)) return SysResult::failed(e);
    Text temp;
    do temp = temporaryFor(path, ++temporaries_);
    while (fs_.exists(temp));
    SysResult written;
    switch (step("write " + temp)) {
        case Step::Happens: written = fs_.writeFile(temp, blocks); break;
        case Step::CutDuring: (void)fs_.writeFile(temp, {bytesOf(firstHalf(blocks))}); return gone();
        case Step::Dead: return gone();
    }
    if (written) {
        if (step("move " + temp + " " + path) != Step::Happens) return gone();
        written = fs_.replaceFile(temp, path);
    }
    if (!written) (void)fs_.deleteFile(temp);
    return written;
}

bool SimMachine::readSetting(const Text& name, Text& out) {
    const auto it = settings_.find(name);
    const bool spoiled = std::find(spoiled_.begin(), spoiled_.end(), name) != spoiled_.end();
    out = it == settings_.end() || spoiled ? Text() : it->second;
    return it != settings_.end() && !spoiled;
}

SysResult SimMachine::writeSetting(const Text& name, const Text& value) {
    if (name.empty() || value.find('\0') != Text::npos) return SysResult::failed(kErrorInvalidName);
    if (step("setting " + name) != Step::Happens) return gone();
    if (const auto fault = settingFaults_.find(name); fault != settingFaults_.end()) {
        const uint32_t error = fault->second;
        settingFaults_.erase(fault);
        return SysResult::failed(error);
    }
    settings_[name] = value;
    spoiled_.erase(std::remove(spoiled_.begin(), spoiled_.end(), name), spoiled_.end());
    return SysResult::ok();
}

ToolRun SimMachine::runSystemTool(const Text& tool, const Text& arguments, uint32_t timeoutMs) {
    if (step("run " + tool + " " + arguments) != Step::Happens) return {};
    ToolRun run = system_.runTool(tool, arguments, timeoutMs);
    whileWaiting();
    return run;
}

bool SimMachine::drivePlace(char letter, DiskPlace& out) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    const auto it = places_.find(letter);
    if (it == places_.end()) return false;
    out = it->second;
    return true;
}

bool SimMachine::volumeIdentity(char letter, VolumeIdentity& out) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    const auto it = volumes_.find(letter);
    uint64_t total = 0, free = 0;
    if (it == volumes_.end() || it->second.serial == 0 || !fs_.diskSpace(letter, total, free)) return false;
    out = it->second;
    return true;
}

DriveBus SimMachine::driveBus(char letter) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    const auto it = buses_.find(letter);
    return it == buses_.end() ? DriveBus::Unknown : it->second;
}

// The disk the places name, as its layout: the primary partitions in their
// slots, the extended container (at its slot, else after the last primary
// one) from the first logical drive's record to the last one's end; each
// partition's file system is its drive's volume's, else its type's.
bool SimMachine::madeDisk(uint32_t disk, test::Disk& out) {
    std::vector<std::pair<char, const DiskPlace*>> on;
    for (const auto& [letter, place] : places_)
        if (place.disk == disk) on.emplace_back(letter, &place);
    if (systemPartition_ && systemPartition_->place.disk == disk) on.emplace_back('\0', &systemPartition_->place);
    if (on.empty()) return false;
    const DiskPlace& layout = *on.front().second;
    out = {};
    out.sectorBytes = layout.sectorBytes ? layout.sectorBytes : 512;
    uint64_t end = layout.diskBytes / 512;
    size_t extended = 0;
    for (const DiskPartition& part : layout.partitions) {
        const std::pair<test::Fs, Text> byType[] = {{test::Fs::Ntfs, "\x07\x17\x27"},
                                                    {test::Fs::Fat32, "\x0B\x0C\x1B\x1C"},
                                                    {test::Fs::Fat16, "\x01\x04\x06\x0E\x11\x12\x14\x16\xDE"}};
        test::Volume v{part.type, static_cast<uint32_t>(part.start / 512), static_cast<uint32_t>(part.length / 512)};
        for (const auto& [fs, types] : byType)
            if (types.find(static_cast<char>(part.type)) != Text::npos) v.fs = fs;
        v.serial = 0x51A00000u + v.start;
        for (const auto& [letter, place] : on) {
            const auto volume = volumes_.find(letter);
            if (!letter || place->start != part.start || volume == volumes_.end()) continue;
            const Text& fs = volume->second.fileSystem;
            v.fs = fs == "NTFS" ? test::Fs::Ntfs : fs == "FAT32" ? test::Fs::Fat32 : test::Fs::Fat16;
            v.serial = volume->second.serial;
        }
        end = std::max<uint64_t>(end, uint64_t{v.start} + v.sectors);
        auto& list = part.logical ? out.logical : out.slots;
        const size_t at = part.logical ? list.size() : static_cast<size_t>(part.slot);
        if (list.size() <= at) list.resize(at + 1, {0, 0, 0});
        list[at] = v;
        if (!part.logical) extended = std::max(extended, at + 1);
    }
    if (!out.logical.empty()) {
        if (layout.extendedSlot >= 0) extended = static_cast<size_t>(layout.extendedSlot);
        if (out.slots.size() <= extended) out.slots.resize(extended + 1, {0, 0, 0});
        const uint32_t from = out.logical.front().start - 63;
        out.slots[extended] = {0x0F, from, out.logical.back().start + out.logical.back().sectors - from};
    }
    out.sectors = static_cast<uint32_t>(std::min<uint64_t>(end + 1, 0xFFFFFFFFu));
    return true;
}

void SimMachine::setVolumeStart(char letter, const Text& bytes) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    Text sector = bytes.substr(0, 512);
    sector.resize(512, '\0');
    volumeStarts_[letter] = sector;
}

SysResult SimMachine::readDiskSectors(uint32_t disk, uint64_t first, uint32_t count, Text& out) {
    out.clear();
    test::Disk layout;
    const auto set = disks_.find(disk);
    if (set != disks_.end()) layout = set->second;
    else if (!madeDisk(disk, layout)) return SysResult::failed(kErrorFileNotFound);
    if (diskReadError_) return SysResult::failed(diskReadError_);
    if (count == 0 || first + count > layout.sectors) return SysResult::failed(27);  // sector not found
    std::map<uint64_t, std::string> sectors = test::layoutSectors(layout, true);
    for (const auto& [letter, bytes] : volumeStarts_) {
        const auto place = places_.find(letter);
        if (set == disks_.end() && place != places_.end() && place->second.disk == disk)
            sectors[place->second.start / 512] = bytes;
    }
    const uint64_t failing = layout.twist == test::Twist::ReadErrors ? layout.slots.back().start : ~0ull;
    for (uint64_t s = first; s < first + count; ++s) {
        if (s == failing) {
            out.clear();
            return SysResult::failed(23);  // data error (cyclic redundancy check)
        }
        const auto at = sectors.find(s);
        Text sector = at == sectors.end() ? Text() : at->second;
        sector.resize(layout.sectorBytes, '\0');
        out += sector;
    }
    return SysResult::ok();
}

bool SimMachine::systemPartition(SystemPartition& out) {
    if (!systemPartition_) return false;
    const SimSystemPartition& s = *systemPartition_;
    const auto holds = [&](const Text& name) {
        if (s.letter) {
            const int64_t a = fs_.attributes(Text(1, s.letter) + ":\\" + name);
            return a >= 0 && !(a & kAttrDirectory);
        }
        return std::any_of(s.rootFiles.begin(), s.rootFiles.end(),
                           [&](const Text& f) { return text::equalIgnoringCase(f, name); });
    };
    out.place = s.place;
    out.letter = s.letter;
    out.bootManager = holds("bootmgr") && holds("Boot\\BCD");
    out.ntLoader = holds("ntldr") && holds("boot.ini");
    return true;
}

}  // namespace trivex::sim
