// Only this machine's jobs are acted on. A record is believed only when its
// token is one the program kept on this machine; a file of the user's that a
// record says was set aside gets its name back only when the boot image on
// C: carries that record's token; a temporary file is the program's only by
// its form and a record of this machine's; and the two copies of a record
// have names of their own, so that an image on C: keeps both.
#include <algorithm>
#include <memory>

#include "job/outcome.h"
#include "job/record.h"
#include "job/tokens.h"
#include "tests/host/job_test.h"

namespace trivex::testing_job {
namespace {

using namespace job;

const Text kOurs = "0123456789ABCDEF";
const Text kOtherMachines = "5A5A00FFC3C30F0F";
const Text kMalformed = "0123456789abcdef";  // lower case: no token of ours has it
const Text kUsersLoader = "a loader of the user's own";
const Text kUsersTemp = "the user's own TRIVEX.TMP";

Text recordWith(const Text& token, bool outcomeCopy, std::vector<Text> aside = {}, const Text& image = kRestoreImage) {
    JobRecord r;
    r.token = token;
    // Another computer's record names that computer's parts.
    if (token == kOtherMachines) r.machine = {"00000000000000AA", "00000000000000BB"};
    r.outcomeCopy = outcomeCopy;
    r.kind = JobKind::Restore;
    r.prepared = "2026-12-07 18:43:30";
    r.image = image;
    r.wrote = {"grldr", "ghost.bat", "ghost.exe", "vemo.img"};
    r.aside = std::move(aside);
    return recordText(r);
}
const Text kRestored = "dos=found\r\nvolumes=found 1:1 1:3\r\nghost=started\r\nghost=exit 0\r\n";

Text imageWith(const Text& token) {
    Text image = payloadBytes(payloads::Payload::DosImage);
    image.replace(payloads::tokenPlace(bytesOf(image)), token.size(), token);
    return image;
}

class OursRig : public JobRig {
public:
    OursRig() { machine.onCommand("C:\\fqs.bat", "磁盘 0        含有3\r\n"); }

    void ours(const Text& token) { ASSERT_TRUE(keepToken(machine, token)); }
};

enum class Act { NextStart, Prepare, PrepareStartAndUndo };

struct Case {
    const char* name;
    std::function<void(OursRig&)> arrange;
    Act act;
    std::vector<std::pair<Text, Text>> kept;  // each file with the bytes it must still hold
    std::vector<Text> gone;                   // files that must be gone
    Text told;                                // part of the one message box; empty: none
    Text status = "";                         // part of the status bar; empty: not looked at
};

const Case kCases[] = {
    // ---- Outcome records ----
    {"another machine's outcome record is neither told nor removed",
     [](OursRig& r) { r.machine.addFile("E:\\TRIVEX.OUT", recordWith(kOtherMachines, true) + kRestored); },
     Act::NextStart, {{"E:\\TRIVEX.OUT", recordWith(kOtherMachines, true) + kRestored}}, {}, "",
     "E:\\TRIVEX.OUT 是另一台计算机留下的任务结果记录"},
    {"an outcome record that names no computer, with no token kept here, is left and told as such",
     [](OursRig& r) { r.machine.addFile("E:\\TRIVEX.OUT", recordWith(kOurs, true) + kRestored); },
     Act::NextStart, {{"E:\\TRIVEX.OUT", recordWith(kOurs, true) + kRestored}}, {}, "",
     "E:\\TRIVEX.OUT 是任务结果记录，但无法确认是这台计算机的任务留下的"},
    {"another machine's outcome record under the earlier name stays too",
     [](OursRig& r) { r.machine.addFile("D:\\TRIVEX.JOB", recordWith(kOtherMachines, true) + kRestored); },
     Act::NextStart, {{"D:\\TRIVEX.JOB", recordWith(kOtherMachines, true) + kRestored}}, {}, "", "D:\\TRIVEX.JOB 是另一台计算机"},
    {"an outcome record with a malformed token is nobody's",
     [](OursRig& r) { r.machine.addFile("E:\\TRIVEX.OUT", recordWith(kMalformed, true) + kRestored); },
     Act::NextStart, {{"E:\\TRIVEX.OUT", recordWith(kMalformed, true) + kRestored}}, {}, "", "本系统已做备份"},
    {"this machine's outcome under the earlier name is told and removed",
     [](OursRig& r) {
         r.ours(kOurs);
         r.machine.addFile("E:\\TRIVEX.JOB", recordWith(kOurs, true) + kRestored);
     },
     Act::NextStart, {}, {"E:\\TRIVEX.JOB"}, "", "上次还原已完成"},
    {"this machine's outcome is told, and the other machine's beside it stays",
     [](OursRig& r) {
         r.ours(kOurs);
         r.machine.addFile("E:\\TRIVEX.OUT", recordWith(kOurs, true) + kRestored);
         r.machine.addFile("D:\\TRIVEX.OUT", recordWith(kOtherMachines, true) + kRestored);
     },
     Act::NextStart, {{"D:\\TRIVEX.OUT", recordWith(kOtherMachines, true) + kRestored}}, {"E:\\TRIVEX.OUT"}, "",
     "上次还原已完成"},

    // ---- A stray job record on C: ----
    {"a stray job record of another machine renames nothing and stays",
     [](OursRig& r) {
         r.machine.addFile(kJobRecord, recordWith(kOtherMachines, false, {"grldr"}));
         r.machine.addFile(kGrldrBak, kUsersLoader);
     },
     Act::NextStart, {{kJobRecord, recordWith(kOtherMachines, false, {"grldr"})}, {kGrldrBak, kUsersLoader}}, {kGrldr}, ""},
    {"a stray job record with a malformed token renames nothing and stays",
     [](OursRig& r) {
         r.machine.addFile(kJobRecord, recordWith(kMalformed, false, {"grldr"}));
         r.machine.addFile(kGrldrBak, kUsersLoader);
         r.machine.addFile(kVemoImg, imageWith(kMalformed));
     },
     Act::NextStart, {{kJobRecord, recordWith(kMalformed, false, {"grldr"})}, {kGrldrBak, kUsersLoader}}, {kGrldr}, ""},
    {"a stray job record refuses a new job, and the job writes nothing",
     [](OursRig& r) { r.machine.addFile(kJobRecord, recordWith(kOtherMachines, false)); },
     Act::Prepare, {{kJobRecord, recordWith(kOtherMachines, false)}, {kBootIni, kXpBootIni}},
     {kGrldr, kVemoImg, "E:\\TRIVEX.OUT"}, "C:\\TRIVEX.JOB 已存在，但不是本程序的任务记录"},
    {"another machine's outcome record where the outcome goes refuses the job",
     [](OursRig& r) { r.machine.addFile("E:\\TRIVEX.OUT", recordWith(kOtherMachines, true)); },
     Act::Prepare, {{"E:\\TRIVEX.OUT", recordWith(kOtherMachines, true)}, {kBootIni, kXpBootIni}},
     {kGrldr, kVemoImg, kJobRecord}, "E:\\TRIVEX.OUT 已存在，但不是本程序的任务结果记录"},

    // ---- A file of the user's that a record of ours says was set aside ----
    {"set aside by a record of ours, with no boot image to prove it: the name stays",
     [](OursRig& r) {
         r.ours(kOurs);
         r.machine.addFile(kJobRecord, recordWith(kOurs, false, {"grldr"}));
         r.machine.addFile(kGrldrBak, kUsersLoader);
     },
     Act::NextStart, {{kGrldrBak, kUsersLoader}}, {kGrldr, kJobRecord}, "C:\\grldr.bak 没有改回 C:\\grldr"},
    {"set aside by a record of ours, with another job's boot image: the name stays",
     [](OursRig& r) {
         r.ours(kOurs);
         r.ours(kOtherMachines);  // a job of this machine's too, but another one
         r.machine.addFile(kJobRecord, recordWith(kOurs, false, {"grldr"}));
         r.machine.addFile(kVemoImg, imageWith(kOtherMachines));
         r.machine.addFile(kGrldrBak, kUsersLoader);
     },
     Act::NextStart, {{kGrldrBak, kUsersLoader}}, {kGrldr, kJobRecord, kVemoImg}, "C:\\grldr.bak 没有改回 C:\\grldr"},
    {"set aside by a record of ours, proven by the boot image: the name comes back",
     [](OursRig& r) {
         r.ours(kOurs);
         r.machine.addFile(kJobRecord, recordWith(kOurs, false, {"grldr"}));
         r.machine.addFile(kVemoImg, imageWith(kOurs));
         r.machine.addFile(kGrldrBak, kUsersLoader);
     },
     Act::NextStart, {{kGrldr, kUsersLoader}}, {kGrldrBak, kJobRecord, kVemoImg}, "已把这个不完整的任务撤回"},

    // ---- Temporary files ----
    {"a user's TRIVEX.TMP on C: and on the image's drive keeps its bytes through a job, the next start and undo",
     [](OursRig& r) {
         r.machine.addFile("C:\\TRIVEX.TMP", kUsersTemp);
         r.machine.addFile("E:\\TRIVEX.TMP", kUsersTemp);
         r.machine.addFile("E:\\Ghost\\TRIVEX.TMP", kUsersTemp);
     },
     Act::PrepareStartAndUndo,
     {{"C:\\TRIVEX.TMP", kUsersTemp}, {"E:\\TRIVEX.TMP", kUsersTemp}, {"E:\\Ghost\\TRIVEX.TMP", kUsersTemp}},
     {kJobRecord, "E:\\TRIVEX.OUT", kGrldr}, ""},
    {"a file named like a temporary file of ours, with no record of ours, stays",
     [](OursRig& r) { r.machine.addFile("C:\\TVX00042.TMP", "whatever it is"); }, Act::NextStart,
     {{"C:\\TVX00042.TMP", "whatever it is"}}, {}, ""},
    {"half a record of ours in a temporary file is taken back",
     [](OursRig& r) {
         r.ours(kOurs);
         r.machine.addFile("C:\\TVX0BEEF.TMP", recordWith(kOurs, false).substr(0, 60));
     },
     Act::NextStart, {}, {"C:\\TVX0BEEF.TMP"}, "已把这个不完整的任务撤回"},
    {"half a record of another machine's in a file of that form stays",
     [](OursRig& r) { r.machine.addFile("C:\\TVX0BEEF.TMP", recordWith(kOtherMachines, false).substr(0, 60)); },
     Act::NextStart, {{"C:\\TVX0BEEF.TMP", recordWith(kOtherMachines, false).substr(0, 60)}}, {}, ""},

    // ---- The token ----
    {"a token that cannot be kept on this machine refuses the job before anything is written",
     [](OursRig& r) { r.machine.failSetting(kTokensSetting); }, Act::Prepare, {{kBootIni, kXpBootIni}},
     {kJobRecord, kGrldr, kVemoImg, "E:\\TRIVEX.OUT"}, "无法在这台计算机上记下本次任务的记号"},
};

TEST(OnlyThisMachinesJobs, EachCase) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        OursRig rig;
        rig.saveMenu();
        rig.windows.setText(kMain, ctl::编辑框1, kRestoreImage);
        c.arrange(rig);
        switch (c.act) {
            case Act::NextStart: rig.nextStart(); break;
            case Act::Prepare:
                rig.markMessages();
                rig.prepare();
                break;
            case Act::PrepareStartAndUndo:
                rig.prepare();
                ASSERT_TRUE(rig.redirected());
                rig.nextStart();
                EXPECT_TRUE(rig.redirected()) << "a whole job that waits is left alone";
                ASSERT_TRUE(undoJob(rig.machine).account());
                break;
        }
        for (const auto& [path, bytes] : c.kept) EXPECT_EQ(rig.machine.content(path), bytes) << path;
        for (const Text& path : c.gone) EXPECT_FALSE(rig.machine.exists(path)) << path;
        std::vector<Text> said;
        for (const Text& b : rig.toldSinceStart())
            // (the demo build's question; the job that waits, named at a start)
            if (b.find("演示") == Text::npos && !namesWaitingJob(b)) said.push_back(b);
        if (c.told.empty()) {
            EXPECT_EQ(said, std::vector<Text>{});
        } else {
            ASSERT_EQ(said.size(), 1u);
            EXPECT_NE(said[0].find(c.told), Text::npos) << said[0];
        }
        if (!c.status.empty()) { EXPECT_NE(rig.status().find(c.status), Text::npos) << rig.status(); }
        EXPECT_FALSE(rig.redirected()) << "the boot menu is the user's";
    }
}

// An image on C: for a job of another partition: the job copy and the
// outcome copy sit side by side, the job waits whole, and its outcome is
// told once the DOS side has run it.
TEST(OnlyThisMachinesJobs, AnImageOnCKeepsBothCopiesOfTheRecord) {
    OursRig rig;
    const Text image = "C:\\Ghost\\G_WinXP.gho";
    rig.machine.addFile(image, kImageBytes);
    rig.app.state.selectedDrive = "D";
    rig.windows.setText(kMain, ctl::编辑框1, image);
    rig.prepare();
    ASSERT_TRUE(rig.redirected());
    const std::optional<JobRecord> job = readRecord(rig.machine, kJobRecord), outcome = readRecord(rig.machine, "C:\\TRIVEX.OUT");
    ASSERT_TRUE(job && outcome);
    EXPECT_FALSE(job->outcomeCopy);
    EXPECT_TRUE(outcome->outcomeCopy);
    EXPECT_EQ(job->token, outcome->token);
    EXPECT_EQ(keptTokens(rig.machine).back(), job->token);
    rig.nextStart();
    ASSERT_EQ(rig.toldSinceStart().size(), 1u);
    EXPECT_TRUE(namesWaitingJob(rig.toldSinceStart()[0])) << "a whole job waits: " << rig.toldSinceStart()[0];
    EXPECT_TRUE(rig.redirected());

    // What the DOS side does: the menu back, the job's files and its job copy
    // gone, the outcome noted in the copy beside them.
    ASSERT_TRUE(rig.machine.replaceFile(kBootBak, kBootIni));
    for (const char* path : {kGrldr, kGhostBat, kGhostExe, kVemoImg, kJobRecord}) ASSERT_TRUE(rig.machine.deleteFile(path));
    rig.machine.addFile("C:\\TRIVEX.OUT", *rig.machine.content("C:\\TRIVEX.OUT") + kRestored);
    rig.nextStart();
    EXPECT_NE(rig.status().find("上次还原已完成"), Text::npos) << rig.status();
    EXPECT_FALSE(rig.machine.exists("C:\\TRIVEX.OUT"));

    // Undo of such a job takes both copies.
    OursRig again;
    again.machine.addFile(image, kImageBytes);
    again.app.state.selectedDrive = "D";
    again.windows.setText(kMain, ctl::编辑框1, image);
    again.prepare();
    ASSERT_TRUE(undoJob(again.machine).account());
    EXPECT_FALSE(again.machine.exists(kJobRecord));
    EXPECT_FALSE(again.machine.exists("C:\\TRIVEX.OUT"));
    EXPECT_EQ(again.machine.content(kBootIni), kXpBootIni);
}

// An undo that cannot put the menu back keeps the loader, and a file of the
// user's it set aside waits behind it: the boot image stays with the
// record as the proof, so that the next undo gives the file its name back.
TEST(OnlyThisMachinesJobs, AFileSetAsideBehindAKeptLoaderComesBackAtTheNextUndo) {
    OursRig rig;
    rig.saveMenu();
    rig.machine.addFile(kGrldr, kUsersLoader, kAttrHidden);
    rig.windows.setText(kMain, ctl::编辑框1, kRestoreImage);
    rig.prepare();
    ASSERT_EQ(rig.machine.content(kGrldrBak), kUsersLoader);
    rig.machine.failOn(sim::Op::Write, kBootIni);
    EXPECT_FALSE(undoJob(rig.machine).account());
    ASSERT_TRUE(rig.redirected());
    EXPECT_TRUE(rig.machine.exists(kVemoImg)) << "the proof stays with the loader";
    EXPECT_TRUE(rig.machine.exists(kJobRecord));
    rig.machine.clearFaults();
    EXPECT_TRUE(undoJob(rig.machine).account());
    EXPECT_EQ(rig.machine.content(kGrldr), kUsersLoader);
    EXPECT_FALSE(rig.machine.exists(kGrldrBak));
    EXPECT_FALSE(rig.machine.exists(kVemoImg));
    EXPECT_EQ(rig.machine.content(kBootIni), kXpBootIni);
}

// The kept tokens: newest last, as many as kTokensKept, a malformed one
// never kept, what is not a token in the kept text passed over.
TEST(OnlyThisMachinesJobs, TheKeptTokensAreBounded) {
    SimMachine m;
    EXPECT_FALSE(keepToken(m, kMalformed));
    EXPECT_TRUE(keptTokens(m).empty());
    std::vector<Text> made;
    for (int i = 0; i < 40; ++i) {
        Text t = "00000000000000" + Text(1, "0123456789ABCDEF"[i / 16]) + Text(1, "0123456789ABCDEF"[i % 16]);
        ASSERT_TRUE(keepToken(m, t));
        made.push_back(t);
    }
    ASSERT_TRUE(keepToken(m, made[20]));  // again: it becomes the newest
    const std::vector<Text> kept = keptTokens(m);
    ASSERT_EQ(kept.size(), kTokensKept);
    EXPECT_EQ(kept.back(), made[20]);
    EXPECT_EQ(kept.front(), made[8]);
    EXPECT_EQ(std::find(kept.begin(), kept.end(), made[7]), kept.end());
    EXPECT_NE(std::find(kept.begin(), kept.end(), made[39]), kept.end());
    m.settings()[kTokensSetting] = "garbage " + kOurs + " " + kMalformed;
    EXPECT_EQ(keptTokens(m), std::vector<Text>{kOurs});
}

}  // namespace
}  // namespace trivex::testing_job
