// A simulated machine set up for jobs: drives C:, D:, E: on one disk, C:
// the system partition, a Windows XP boot.ini (read-only, hidden, system),
// and the main window open (without the start-up sequence: each test sets
// the window as the user would have left it).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app.h"
#include "job/boot_menu.h"
#include "job/undo.h"
#include "job/files.h"
#include "payloads/store.h"
#include "platform/files.h"
#include "tests/support/sim_machine.h"
#include "tests/support/test_toolkit.h"
#include "ui/catalogue.h"
#include "ui/names.h"

namespace trivex {
// Problems in the tests' messages, as the user would read them.
inline std::ostream& operator<<(std::ostream& os, const Problem& p) {
    sim::SimMachine m;
    return os << say::sentence(p, m);
}
}  // namespace trivex

namespace trivex::testing_job {

using sim::SimMachine;
constexpr WindowId kMain = WindowId::Main;
constexpr WindowId kRestart = WindowId::RestartPrompt;
constexpr WindowId kUndoPrompt = WindowId::UndoPrompt;
constexpr uint32_t kRhs = kAttrReadOnly | kAttrHidden | kAttrSystem;

inline const Text kSystemLine =
    "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Microsoft Windows XP Professional\" /fastdetect";
inline const Text kXpBootIni = "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n"
                               "[operating systems]\r\n" + kSystemLine + "\r\n";
// kXpBootIni as a job leaves it: its timeout= and default= lines and its entry.
inline const Text kXpRedirected = "[boot loader]\r\ntimeout=2\r\ndefault=C:\\grldr\r\n[operating systems]\r\n"
                                  "C:\\grldr=Trivex Ghost\r\n" + kSystemLine + "\r\n";
inline const Text kRestoreImage = "E:\\Ghost\\G_WinXP.gho";
// What a Ghost image starts with, and enough bytes after it.
inline const Text kImageBytes = "\xFE\xEF" + Text(1022, 'g');

// The standard disk: C: the first partition, D: and E: logical drives after it.
inline DiskPlace standardPlace(int partition) {
    DiskPlace d;
    const uint64_t gb = 1ull << 30;
    d.partitions = {{0x07, 32256, 40 * gb, false, 0}, {0x07, 41 * gb, 80 * gb, true, 0}, {0x07, 122 * gb, 80 * gb, true, 1}};
    d.start = d.partitions[static_cast<size_t>(partition - 1)].start;
    return d;
}

// The volumes of the standard disk: C: 8C3A-12F0 (NTFS), D: 4D4D-0002 (NTFS), E: 5E5E-0003 (FAT32).
inline VolumeIdentity standardVolume(char letter) {
    if (letter == 'C') return {0x8C3A12F0, "NTFS"};
    if (letter == 'D') return {0x4D4D0002, "NTFS"};
    return {0x5E5E0003, "FAT32"};
}

// What every start and the closing say of a whole job that waits for its
// restart: "有一个还原任务正在等待…" (or 备份, or Ghost's own).
inline bool namesWaitingJob(const Text& said) {
    return said.rfind("有一个", 0) == 0 && said.find("任务正在等待") != Text::npos;
}
// A whole restore that waits is left alone and named, in one message.
inline void expectToldWaiting(const std::vector<Text>& said, const std::string& step) {
    ASSERT_EQ(said.size(), 1u) << step;
    EXPECT_EQ(said[0].find("有一个还原任务正在等待"), 0u) << step << ": " << said[0];
}

inline Text payloadBytes(payloads::Payload p) {
    const ByteView v = payloads::data(p);
    return Text(static_cast<const char*>(v.data), v.size);
}

// Drives C:, D: and E: on the standard disk, C: the system partition with
// the XP menu, and the restore image on E:.
inline void setUpForJobs(SimMachine& machine) {
    machine.addDrive('C', 40ull << 30, 20ull << 30);
    machine.addDrive('D', 80ull << 30, 60ull << 30);
    machine.addDrive('E', 80ull << 30, 60ull << 30);
    machine.addFile(job::kBootIni, kXpBootIni, kRhs);
    machine.addFile(kRestoreImage, kImageBytes);
    for (const char letter : {'C', 'D', 'E'}) {
        machine.setDrivePlace(letter, standardPlace(letter - 'C' + 1));
        machine.setVolume(letter, standardVolume(letter));
        machine.setDriveBus(letter, DriveBus::Other);
    }
    // C: is the system partition; without a loader file in its root the
    // route follows the Windows version.
    machine.setSystemPartition(standardPlace(1), 'C');
}

// Every job file with its content and protection, for before/after
// comparisons (the archive bit comes and goes with any write).
inline std::string diskOf(const SimMachine& machine) {
    std::string s;
    for (const char* path : {job::kBootIni, job::kBootBak, job::kGrldr, job::kGhostBat, job::kGhostExe, job::kVemoImg,
                             job::kGhost32Exe, "E:\\Ghost\\G_WinXP.gho", "C:\\TRIVEX.JOB", "C:\\TRIVEX.OUT",
                             "E:\\TRIVEX.OUT", "E:\\TRIVEX.JOB"}) {
        const std::optional<Text> c = machine.content(path);
        const int64_t a = machine.attributes(path);
        s += std::string(path) + (c ? "=" + *c : " missing") + " protection " + std::to_string(a < 0 ? a : a & kRhs) + "\n";
    }
    return s;
}

// The temporary files of whole writes in the roots of C:, D: and E:.
inline std::vector<Text> temporariesLeft(SimMachine& machine) {
    std::vector<Text> all;
    for (const char* root : {"C:\\", "D:\\", "E:\\"})
        for (const Text& t : temporariesIn(machine, root)) all.push_back(t);
    return all;
}

// The machine and the program, set up for jobs; JobTest is the fixture, a
// test that needs several fresh machines makes its own.
class JobRig {
public:
    JobRig() {
        setUpForJobs(machine);
        app.state.selectedDrive = "C";
    }

    void setMain(const char* control, Prop p, int64_t v) { windows.setProp(kMain, control, p, v); }
    void backupMode() {
        setMain(ctl::还原单选框, Prop::Checked, 0);
        setMain(ctl::备份单选框, Prop::Checked, 1);
        windows.setText(kMain, ctl::打开1, "保存(&S)");
        app.state.saveDialog = true;
    }
    // Answers the restart prompt with a click on `button` as soon as it is open.
    void answerRestartPrompt(const char* button, int tries = 8) {
        windows.post([this, button, tries] {
            if (windows.windowExists(kRestart)) windows.click(kRestart, button);
            else if (tries > 0) answerRestartPrompt(button, tries - 1);
        });
    }
    void prepare() { app.dispatch(kMain, cmd::prepare_job, 0); }
    // A restore job of kRestoreImage, prepared and left with Esc on the prompt.
    void prepareRestoreJob() {
        windows.setText(kMain, ctl::编辑框1, kRestoreImage);
        prepare();
    }

    // Message boxes with the OK button only (the demo-build question has OK and Cancel).
    std::vector<Text> told() const {
        std::vector<Text> out;
        for (const sim::MessageRecord& m : windows.messages())
            if (m.style == kMbTaskModal) out.push_back(m.text);
        return out;
    }
    std::string disk() const { return diskOf(machine); }
    // The Ghost command line in C:\ghost.bat (the backup or restore line;
    // the lines around it note the job's outcome).
    Text ghostCommandLine() const {
        const Text bat = machine.content(job::kGhostBat).value_or("");
        const size_t at = bat.find("Ghost.exe -nousb -clone,");
        if (at == Text::npos) return {};
        const size_t end = bat.find("\r\n", at);
        return bat.substr(at, end == Text::npos ? Text::npos : end - at);
    }
    // The program ends with the machine; at the next start it runs again
    // (the real start-up sequence).
    void nextStart() {
        machine.restorePower();
        windows.closeWindow(kMain);
        windows.processPendingMessages();
        messagesBefore = windows.messages().size();
        next = std::make_unique<App>(machine, windows);
        ASSERT_TRUE(windows.openWindow(kMain, false));
        windows.processPendingMessages();
    }
    // What the message boxes said since the last nextStart() (or markMessages()).
    std::vector<Text> toldSinceStart() const {
        std::vector<Text> out;
        for (size_t i = messagesBefore; i < windows.messages().size(); ++i) out.push_back(windows.messages()[i].text);
        return out;
    }
    void markMessages() { messagesBefore = windows.messages().size(); }
    Text status() { return windows.panelText(kMain, ctl::状态条1, 1); }
    // ghost.bat's first line: the volumes' search, with the numbers Windows expects.
    Text volumesLine() const {
        const Text bat = machine.content(job::kGhostBat).value_or("");
        return bat.substr(0, bat.find("\r\n"));
    }
    // The image file button's saving of the menu, as after a use of 打开1.
    void saveMenu() { job::BootMenu(machine).save(); }
    bool redirected() { return job::BootMenu(machine).isRedirected(); }
    bool anyJobFile() const {
        for (const char* path : {job::kGrldr, job::kGhostBat, job::kGhostExe, job::kVemoImg})
            if (machine.exists(path)) return true;
        return false;
    }

    SimMachine machine;
    sim::TestToolkit windows;
    bool mainOpen = windows.openWindow(kMain, false);  // before App binds the commands
    App app{machine, windows};
    size_t messagesBefore = 0;
    std::unique_ptr<App> next;  // the program of the next start
};

class JobTest : public ::testing::Test, public JobRig {};

}  // namespace trivex::testing_job
