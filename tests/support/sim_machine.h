// An in-memory Windows machine for tests: disks and files, processes and
// system tools, system facts, the clock, the restart, and power cuts. The
// program's windows are the test toolkit's (test_toolkit.h).
//
// Nothing here waits for anything: a process or a system tool answers at
// once with what the test scripted, and the wait hook runs as it would
// while the real machine reads the process's pipe.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "platform/machine.h"
#include "tests/support/disk_layouts.h"
#include "tests/support/file_system.h"
#include "tests/support/sim_system.h"

namespace trivex::sim {

struct CommandRecord {
    Text commandLine;
    bool captured = false;  // run and capture output (else started)
};

class SimMachine : public Machine {
public:
    SimMachine();
    ~SimMachine() override;
    SimMachine(const SimMachine&) = delete;
    SimMachine& operator=(const SimMachine&) = delete;

    // ---- Disks and files (set-up and inspection) ---------------------------------
    // Paths follow Windows rules: letter case aside, "\" or "/", relative to "C:\".
    void addDrive(char letter, uint64_t totalBytes, uint64_t freeBytes) { fs_.addDrive(letter, totalBytes, freeBytes); }
    void removeDrive(char letter) { fs_.removeDrive(letter); }
    bool addFolder(const Text& path) { return fs_.addFolder(path); }  // missing parents too
    // Creates missing parent folders; replaces an existing file. Disk space is
    // not taken (the file was there before). modified: kNoDate = the clock.
    bool addFile(const Text& path, const Text& content = {}, uint32_t attributes = kAttrArchive,
                 double modified = kNoDate) {
        return fs_.addFile(path, content, attributes, modified);
    }
    std::optional<Text> content(const Text& path) const { return fs_.content(path); }
    bool exists(const Text& path) const { return fs_.exists(path); }
    int64_t attributes(const Text& path) const { return fs_.attributes(path); }  // -1 when missing
    bool setAttributes(const Text& path, uint32_t attributes) { return fs_.setAttributes(path, attributes); }
    bool setModified(const Text& path, double date) { return fs_.setModified(path, date); }
    bool setReparsePoint(const Text& folder, bool on = true) { return fs_.setReparsePoint(folder, on); }
    Text shortName(const Text& path) const { return fs_.shortName(path); }
    bool removeTree(const Text& path) { return fs_.removeTree(path); }
    // Time stamp of files written from now on; kNoDate: the real local time.
    void setClock(double date) { fs_.setClock(date); }
    // The next (or, with every, each) operation of that kind on that path
    // fails with `error` (not 0), once `after` of them have succeeded; for a
    // rename the path may be either end.
    void failOn(Op op, const Text& path, bool every = false, int after = 0, uint32_t error = kErrorAccessDenied) {
        fs_.failOn(op, path, every, after, error);
    }
    void clearFaults() { fs_.clearFaults(); }
    void setProgramFolder(const Text& folder) { programFolder_ = folder; }
    // Where the system says a drive lives; without it the system cannot say.
    void setDrivePlace(char letter, const DiskPlace& place) { places_[letter] = place; }
    void forgetDrivePlace(char letter) { places_.erase(letter); }
    // The partition the machine starts from. With a letter, what its root
    // holds is that drive's files; without one, `rootFiles` names them
    // ("bootmgr", "Boot\BCD"). Without it the system cannot say.
    void setSystemPartition(const DiskPlace& place, char letter, std::vector<Text> rootFiles = {}) {
        systemPartition_ = SimSystemPartition{place, letter, std::move(rootFiles)};
    }
    void forgetSystemPartition() { systemPartition_.reset(); }
    // What identifies a drive's volume; without it the system gives no serial.
    void setVolume(char letter, const VolumeIdentity& volume) { volumes_[letter] = volume; }
    void forgetVolume(char letter) { volumes_.erase(letter); }
    // The bus of a drive's disk; without it the system does not say.
    void setDriveBus(char letter, DriveBus bus) { buses_[letter] = bus; }
    // The disks' own sectors. A disk set here holds the layout's sectors
    // (its tables and boot sectors; with ReadErrors, the last slot's first
    // sector cannot be read). Any other disk that a drive's place or the
    // system partition names is made from the places and volumes: its table
    // from the place's partitions, each partition's boot sector from the
    // volume of the drive there (else from its type), or what
    // setVolumeStart gave (padded to 512 bytes). Reads of other disks find
    // no disk; with failDiskReads every read of a disk there fails with that
    // error (0: none), as for a process without administrator rights.
    void setDisk(uint32_t disk, const test::Disk& layout) { disks_[disk] = layout; }
    void forgetDisk(uint32_t disk) { disks_.erase(disk); }
    void setVolumeStart(char letter, const Text& bytes);
    void failDiskReads(uint32_t error) { diskReadError_ = error; }

    // ---- Processes, the restart ------------------------------------------------------
    // A command line (matched byte for byte) that starts a process: its
    // effect runs when it starts, and `output` is what it writes. Commands
    // without a script are not created: starting fails and run and capture
    // gives the empty text.
    void onCommand(const Text& commandLine, const Text& output, std::function<void(SimMachine&)> effect = {});
    const std::vector<CommandRecord>& commands() const { return commands_; }
    const std::vector<Text>& webAddresses() const { return webAddresses_; }
    // How many restarts were asked for.
    int restarts() const { return restarts_; }
    void refuseRestart(bool refuse = true) { refuseRestart_ = refuse; }
    // Times the wait hook ran.
    int waits() const { return waits_; }

    // ---- Power cuts -------------------------------------------------------------------
    // Every change the program makes to the machine is one step: a file
    // written (a whole write: its temporary file written and flushed, then the
    // move), moved, deleted, its attributes set, a folder made, a system tool
    // run. After cutPowerAfter(n) the next n steps happen, then the power
    // goes: that step and every later one fail as if the program were gone,
    // and a write cut short leaves the first half of its bytes.
    // restorePower() starts the machine again, as for its next start.
    void cutPowerAfter(int steps);
    void restorePower();
    bool powerCut() const { return cut_; }
    // The steps taken since the last cutPowerAfter or clearSteps, in order,
    // such as "write C:\TVX00001.TMP", "move C:\TVX00001.TMP C:\grldr",
    // "run bcdedit.exe /enum all /v"; the cut step is not among them.
    const std::vector<Text>& steps() const { return steps_; }
    void clearSteps() { steps_.clear(); }

    // ---- What the program keeps on this machine ----------------------------------
    // The texts kept under their names, as the program left them; a test may
    // set them as an earlier run would have.
    std::map<Text, Text>& settings() { return settings_; }
    // The next writeSetting of `name` fails with `error` (not 0).
    void failSetting(const Text& name, uint32_t error = kErrorAccessDenied) { settingFaults_[name] = error; }
    // The value kept under `name` cannot be read (a value of another type,
    // or longer than the reader takes) until the program writes it anew.
    void spoilSetting(const Text& name) { spoiled_.push_back(name); }

    // ---- The computer itself -------------------------------------------------------
    // What its parts say of themselves (a disk's serial, adapters' addresses);
    // another computer has others, one whose parts say nothing has none.
    void setHardwareIdentity(std::vector<Text> ids) { hardware_ = std::move(ids); }

    // ---- Machine -------------------------------------------------------------------
    SysResult writeFile(const Text& path, const std::vector<ByteView>& blocks) override;
    SysResult writeFileWhole(const Text& path, const std::vector<ByteView>& blocks) override;
    SysResult deleteFile(const Text& path) override;
    SysResult renameFile(const Text& from, const Text& to) override;
    SysResult replaceFile(const Text& from, const Text& to) override;
    SysResult setFileAttributes(const Text& path, uint32_t attributes) override;
    SysResult createFolder(const Text& path) override;
    int64_t fileAttributes(const Text& path) override { return fs_.fileAttributes(path); }
    SysResult readFile(const Text& path, uint64_t offset, uint32_t count, Text& out) override {
        return fs_.readFile(path, offset, count, out);
    }
    bool listFolder(const Text& pattern, std::vector<DirEntry>& out) override { return fs_.listFolder(pattern, out); }
    Text fullPath(const Text& path) override { return fs_.fullPath(path); }
    bool sameFile(const Text& a, const Text& b) override { return fs_.sameFile(a, b); }
    Text programFolder() override { return programFolder_; }
    bool diskSpace(char letter, uint64_t& totalBytes, uint64_t& freeBytes) override {
        return fs_.diskSpace(letter, totalBytes, freeBytes);
    }
    // What setDrivePlace gave for the letter; false for a letter it did not.
    bool drivePlace(char letter, DiskPlace& out) override;
    // What setSystemPartition gave; false without it.
    bool systemPartition(SystemPartition& out) override;
    // What setVolume gave for the letter (a drive the disks have); false otherwise.
    bool volumeIdentity(char letter, VolumeIdentity& out) override;
    // What setDriveBus gave for the letter; Unknown otherwise.
    DriveBus driveBus(char letter) override;
    // What the disk set (or made) holds; a sector past its end fails.
    SysResult readDiskSectors(uint32_t disk, uint64_t first, uint32_t count, Text& out) override;

    SysResult startProgram(const Text& commandLine) override;
    Text runAndCapture(const Text& commandLine, uint32_t timeoutMs = 60000) override;
    void openWebAddress(const Text& address) override { webAddresses_.push_back(address); }
    bool systemToolExists(const Text& tool) override { return system_.toolExists(tool); }
    // The wait hook runs after the tool has answered, as the real machine
    // runs it while it reads the tool's pipe.
    ToolRun runSystemTool(const Text& tool, const Text& arguments, uint32_t timeoutMs = 30000) override;
    void setWaitHook(std::function<void()> hook) override { waitHook_ = std::move(hook); }

    // A kept text is one step of a change ("setting Tokens"); cut, the
    // value stays as it was.
    bool readSetting(const Text& name, Text& out) override;
    SysResult writeSetting(const Text& name, const Text& value) override;

    std::vector<Text> hardwareIdentity() override { return hardware_; }

    // ---- The system (sim_system.h) ----
    SimSystem& system() { return system_; }
    WindowsVersion windowsVersion() override { return system_.version; }
    Firmware firmware() override { return system_.firmware; }
    bool runsAsAdministrator() override { return system_.administrator; }
    // The words of the Simplified Chinese edition for the errors tests meet.
    Text errorText(uint32_t error) override;

    // Each call moves the clock on by the step (setClockStep; 16 ms at first).
    uint32_t tickCount() override { return clock_ += clockStep_; }
    void setClockStep(uint32_t ms) { clockStep_ = ms; }
    // The set clock (setClock), or the real local time.
    double localTime() override { return fs_.now(); }

    // Records the request; done unless the system refuses.
    SysResult restart() override;

private:
    struct Script {
        Text output;
        std::function<void(SimMachine&)> effect;
    };
    void whileWaiting();

    // One step of a change: it happens, the power goes during it, or the
    // power is out already.
    enum class Step { Happens, CutDuring, Dead };
    Step step(const Text& what);

    SimFileSystem fs_;
    int stepsLeft_ = -1;  // until the cut; -1: no cut planned
    bool cut_ = false;
    std::vector<Text> steps_;
    SimSystem system_;
    Text programFolder_ = "C:\\Program Files\\Trivex\\";
    std::map<char, DiskPlace> places_;
    std::map<char, VolumeIdentity> volumes_;
    std::map<char, DriveBus> buses_;
    std::map<char, Text> volumeStarts_;
    std::map<uint32_t, test::Disk> disks_;
    uint32_t diskReadError_ = 0;
    bool madeDisk(uint32_t disk, test::Disk& out);
    struct SimSystemPartition {
        DiskPlace place;
        char letter;
        std::vector<Text> rootFiles;
    };
    std::optional<SimSystemPartition> systemPartition_;
    bool refuseRestart_ = false;
    int restarts_ = 0;
    std::map<Text, Script> scripts_;
    std::vector<CommandRecord> commands_;
    std::vector<Text> webAddresses_;
    std::function<void()> waitHook_;
    int waits_ = 0;
    uint32_t temporaries_ = 0;  // the whole writes' temporary names so far
    std::map<Text, Text> settings_;
    std::map<Text, uint32_t> settingFaults_;
    std::vector<Text> spoiled_;
    std::vector<Text> hardware_ = {"disk:SIM-DISK-0001", "net:02AABBCCDD01"};
    uint32_t clock_ = 0, clockStep_ = 16;
};

}  // namespace trivex::sim
