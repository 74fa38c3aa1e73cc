// A machine with a restore job of kRestoreImage chosen, on either route:
// Windows 7 with a boot store whose bcdedit runs through a fake store the
// test can look into, or Windows XP with its boot.ini; and what the DOS side
// leaves of a job it ran. The waiting job's tables and the tables of a job
// told after a restore share it.
#pragma once

#include <functional>
#include <optional>

#include "job/boot_store.h"
#include "job/job_files.h"
#include "job/record.h"
#include "job/route.h"
#include "tests/host/job_test.h"
#include "tests/support/fake_bcdedit.h"

namespace trivex::testing_job {

using sim::FakeBcdStore;

inline bool has(const Text& text, const Text& part) { return text.find(part) != Text::npos; }

// A Windows 7 machine (or, with bootIni, an XP one) with a restore job of
// kRestoreImage chosen; its bcdedit runs through `store`, and `duringCall`
// runs while call number n of the store's life runs.
class WaitingRig : public JobRig {
public:
    explicit WaitingRig(bool storeRoute = true) : store(FakeBcdStore::windows7()), before(store) {
        if (storeRoute) machine.system().version = {6, 1};
        machine.system().installTool("bcdedit.exe", [this](const Text& arguments) {
            const int n = store.calls();
            sim::ToolAnswer a = store.run(arguments);
            if (duringCall) duringCall(n, arguments, a);
            return a;
        });
        machine.onCommand("C:\\fqs.bat", "磁盘 0        含有3\r\n");
        windows.setText(kMain, ctl::编辑框1, kRestoreImage);
        if (!storeRoute) saveMenu();
    }

    App& current() { return next ? *next : app; }
    void undo() {
        windows.post([this] { windows.click(kUndoPrompt, ctl::按钮1); });
        windows.pressKey(kMain, 'U');
        windows.processPendingMessages();
    }

    // Entries described as the program describes its own.
    std::vector<Text> described() const {
        std::vector<Text> ids;
        for (const FakeBcdStore::Entry& e : store.entries())
            if (store.values(e.id, "description") == std::vector<Text>{"Trivex Ghost"}) ids.push_back(e.id);
        return ids;
    }
    std::vector<Text> sequence() const { return store.values("{bootmgr}", "bootsequence"); }
    std::optional<job::JobRecord> record() { return job::readRecord(machine, job::kJobRecord); }
    bool wholeJob() { return job::wholeAsRecorded(machine, job::findJobFiles(machine)); }
    bool anyFileOfTheJob() const {
        for (const char* f : {job::kStoreLoader, job::kGrldrMbr, job::kGrldr, job::kGhostBat, job::kGhostExe,
                              job::kVemoImg, "C:\\TRIVEX.JOB", "E:\\TRIVEX.OUT"})
            if (machine.exists(f)) return true;
        return false;
    }
    // What the DOS side leaves of a job it ran: no file the record lists on
    // C: and not the record, the user's menu back (boot.ini route), the
    // outcome copy with its lines; the boot manager has forgotten the sequence.
    void dosSideRan(const Text& lines) {
        const std::optional<job::JobRecord> r = record();
        ASSERT_TRUE(r) << "no job to run";
        for (const job::JobFile& f : job::kJobFiles)
            if (r->wroteFile(f.name)) machine.removeTree(f.path);
        machine.removeTree(job::kJobRecord);
        if (r->route == job::BootRoute::BootIni) {
            const int64_t saved = machine.attributes(job::kBootBak);
            machine.addFile(job::kBootIni, job::takeOutLines(*machine.content(job::kBootIni), r->menu).menu,
                            saved < 0 ? kAttrArchive : static_cast<uint32_t>(saved));
            machine.removeTree(job::kBootBak);
        }
        machine.addFile("E:\\TRIVEX.OUT", *machine.content("E:\\TRIVEX.OUT") + lines);
        restartUsedTheEntry();
    }
    // The restart ran the one-time boot: the boot manager forgets it.
    void restartUsedTheEntry() { (void)store.run("/deletevalue {bootmgr} bootsequence"); }

    FakeBcdStore store;
    const FakeBcdStore before;
    std::function<void(int, const Text&, sim::ToolAnswer&)> duringCall;
};

}  // namespace trivex::testing_job
