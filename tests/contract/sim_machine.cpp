// The contract suite against the simulated machine (host build).
#include <ctime>

#include "tests/support/sim_machine.h"
#include "platform/text.h"
#include "tests/contract/contract.h"
#include "tests/contract/tool_script.h"

namespace trivex::contract {
namespace {

class SimContractRig final : public Rig {
public:
    SimContractRig() {
        sim_.addDrive('C', 40ull << 30, 20ull << 30);
        sim_.addDrive('D', 80ull << 30, 60ull << 30);
        sim_.addFolder("D:\\contract");
        // One disk: the system partition C: (an XP machine's loader files),
        // then D: as a logical drive.
        DiskPlace disk;
        disk.partitions = {{0x07, 32256, 40ull << 30, false, 0}, {0x07, 41ull << 30, 80ull << 30, true, 0}};
        disk.diskBytes = 160ull << 30;
        disk.start = disk.partitions[1].start;
        sim_.setDrivePlace('D', disk);
        disk.start = disk.partitions[0].start;
        sim_.setDrivePlace('C', disk);
        sim_.addFile("C:\\ntldr", "loader", kAttrReadOnly | kAttrHidden | kAttrSystem);
        sim_.addFile("C:\\boot.ini", "[boot loader]\r\n", kAttrReadOnly | kAttrHidden | kAttrSystem);
        sim_.setSystemPartition(disk, 'C');
        sim_.setVolume('C', {0x8C3A12F0, "NTFS"});
        sim_.setDriveBus('C', DriveBus::Other);
    }
    Machine& machine() override { return sim_; }
    Text scratchRoot() override { return "D:\\contract\\"; }
    bool setAttributes(const Text& path, uint32_t attributes) override {
        return sim_.setAttributes(path, attributes);
    }
    void removeTree(const Text& path) override { sim_.removeTree(path); }
    bool installTestDisk(uint32_t disk, const test::Disk& layout) override {
        sim_.setDisk(disk, layout);
        return true;
    }
    void removeTestDisk(uint32_t disk) override { sim_.forgetDisk(disk); }
    char missingDrive() override { return 'Q'; }
    bool guardsHiddenSystemAndMoves() override { return true; }
    bool reportsDisks() override { return true; }
    bool installTestTool(const Text& name) override {
        sim_.system().installTool(name, [](const Text& arguments) {
            const ToolScript t = toolScript(arguments);
            return sim::ToolAnswer{t.exitCode, t.out + t.err, t.sleepMs};
        });
        return true;
    }
    void removeTestTool(const Text& name) override { sim_.system().removeTool(name); }
    // The simulated file system dates files by the host's local time.
    double localNow() override {
        const std::time_t t = std::time(nullptr);
        const std::tm* local = std::localtime(&t);
        return text::dateFromParts({local->tm_year + 1900, local->tm_mon + 1, local->tm_mday, local->tm_hour,
                                    local->tm_min, local->tm_sec});
    }

private:
    sim::SimMachine sim_;
};

}  // namespace

Rig& rig() {
    static SimContractRig r;
    return r;
}

}  // namespace trivex::contract
