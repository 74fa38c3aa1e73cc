// The boot menu: a job changes only its own lines (timeout=, default= and
// its entry) and the record says what they replaced; taking the job back
// takes out exactly those lines from the menu as it is then, so that every
// change the user or an installer made while the job waited stays, and a
// menu that cannot be read as the job's lines and the user's is left alone,
// with the loader, and the user told what to check.
#include "job/menu_lines.h"
#include "job/record.h"
#include "tests/host/job_test.h"

namespace trivex::testing_job {
namespace {

using namespace job;

const Text kRecoveryConsole = "C:\\CMDCONS\\BOOTSECT.DAT=\"Microsoft Windows Recovery Console\" /cmdcons";
const Text kEntry = "C:\\grldr=Trivex Ghost";

Text replaced(Text s, const Text& from, const Text& to) {
    for (size_t at = s.find(from); at != Text::npos; at = s.find(from, at + to.size())) s.replace(at, from.size(), to);
    return s;
}

// ---- The lines, on their own -------------------------------------------------------

TEST(MenuLines, AJobChangesOnlyItsLinesAndTakingThemOutGivesTheMenuBackByteForByte) {
    struct Case {
        const char* name;
        Text menu, redirected;
        std::vector<MenuChange> changes;
    };
    const Text xpDefault = "default=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS";
    const Case cases[] = {
        {"Windows XP", kXpBootIni, kXpRedirected,
         {{kEntry, ""}, {"timeout=2", "timeout=30"}, {"default=C:\\grldr", xpDefault}}},
        // LF line ends, a key the job leaves, a section after, a last line without its end.
        {"LF, nine lines", "[boot loader]\ntimeout=30\ndefault=a\nredirect=com1\n[operating systems]\na=\"A\"\nb=\"B\"\n[debug]\nx=1",
         "[boot loader]\ntimeout=2\ndefault=C:\\grldr\nredirect=com1\n[operating systems]\nC:\\grldr=Trivex Ghost\na=\"A\"\n"
         "b=\"B\"\n[debug]\nx=1",
         {{kEntry, ""}, {"timeout=2", "timeout=30"}, {"default=C:\\grldr", "default=a"}}},
        // A byte-order mark, headings in capitals, no timeout= line, spaces at a line's end.
        {"no timeout", "\xEF\xBB\xBF[Boot Loader]\r\nDefault = a  \r\n[Operating Systems]\r\na=\"A\"\r\n",
         "\xEF\xBB\xBF[Boot Loader]\r\ntimeout=2\r\ndefault=C:\\grldr  \r\n[Operating Systems]\r\nC:\\grldr=Trivex Ghost\r\n"
         "a=\"A\"\r\n",
         {{kEntry, ""}, {"timeout=2", ""}, {"default=C:\\grldr", "Default = a"}}},
        // The sections the other way round, no default= line, tabs.
        {"no default", "[operating systems]\r\na=\"A\"\r\n[boot loader]\r\n\ttimeout=5\t\r\n",
         "[operating systems]\r\nC:\\grldr=Trivex Ghost\r\na=\"A\"\r\n[boot loader]\r\ndefault=C:\\grldr\r\ntimeout=2\t\r\n",
         {{kEntry, ""}, {"timeout=2", "\ttimeout=5"}, {"default=C:\\grldr", ""}}},
        // The user's own GRUB4DOS entry, started by default.
        {"the user's GRUB4DOS", "[boot loader]\r\ntimeout=5\r\ndefault=C:\\grldr\r\n[operating systems]\r\nC:\\grldr=\"GRUB4DOS\"\r\n",
         "[boot loader]\r\ntimeout=2\r\ndefault=C:\\grldr\r\n[operating systems]\r\nC:\\grldr=Trivex Ghost\r\n"
         "C:\\grldr=\"GRUB4DOS\"\r\n",
         {{kEntry, ""}, {"timeout=2", "timeout=5"}, {"default=C:\\grldr", "default=C:\\grldr"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const MenuPlan plan = planRedirect(c.menu);
        ASSERT_EQ(plan.refusal, MenuRefusal::None);
        EXPECT_EQ(plan.redirected, c.redirected);
        EXPECT_EQ(plan.memo.changes, c.changes);
        EXPECT_EQ(plan.memo.savedSum, menuSum(c.menu));
        EXPECT_TRUE(holdsJobEntry(plan.redirected));
        EXPECT_TRUE(namesLoader(plan.redirected));
        const MenuTakeOut back = takeOutLines(plan.redirected, plan.memo);
        EXPECT_EQ(back.what, MenuTaken::Edited);
        EXPECT_EQ(back.menu, c.menu);
        // A record carries the memo through its text.
        JobRecord r;
        r.token = "0123456789ABCDEF";
        r.kind = JobKind::Restore;
        r.menu = plan.memo;
        const std::optional<JobRecord> read = parseRecord(recordText(r));
        ASSERT_TRUE(read);
        EXPECT_EQ(read->menu, plan.memo);
    }
    EXPECT_EQ(menuSum(""), "811C9DC5");
    EXPECT_EQ(menuSum("a"), "E40C292C");
}

TEST(MenuLines, MenusWhoseLinesCouldNotBeToldApartLaterAreRefused) {
    const Text systems = "[operating systems]\r\na=\"A\"\r\n";
    const struct {
        Text menu;
        MenuRefusal why;
        Text line;
    } cases[] = {
        {Text("\xFF\xFE[\0b\0", 6), MenuRefusal::NotText, ""},
        {Text("[boot loader]\r\n[operating systems]\r\na=\0\"A\"\r\n", 40), MenuRefusal::NotText, ""},
        {systems, MenuRefusal::WithoutLoaderSection, ""},
        {systems + "[boot loader]", MenuRefusal::WithoutLoaderSection, ""},  // nothing can follow its heading
        {"[boot loader]\rtimeout=30\r[operating systems]\ra=\"A\"\r", MenuRefusal::WithoutLoaderSection, ""},  // one line
        {"[boot loader]\r\ntimeout=30\r\n", MenuRefusal::WithoutSystems, ""},
        {"[boot loader]\r\n[operating systems]\r\n; nothing\r\n\r\n", MenuRefusal::WithoutSystems, ""},
        {"[boot loader]\r\ntimeout=30\r\nTimeout = 10\r\n" + systems, MenuRefusal::Unusual, "Timeout = 10"},
        {"[boot loader]\r\ndefault=a\r\n" + systems + "[boot loader]\r\n", MenuRefusal::Unusual, "[boot loader]"},
        {"[boot loader]\r\n" + systems + "[debug]\r\ntimeout=2\r\n", MenuRefusal::Unusual, "timeout=2"},
        {"[boot loader]\r\ndefault=\xD6\xD0\r\n" + systems, MenuRefusal::Unusual, "default=\xD6\xD0"},
        {"[boot loader]\r\ndefault=" + Text(193, 'a') + "\r\n" + systems, MenuRefusal::Unusual, "default=" + Text(193, 'a')},
        {kXpRedirected, MenuRefusal::Redirected, ""},
    };
    for (const auto& c : cases) {
        const MenuPlan plan = planRedirect(c.menu);
        EXPECT_EQ(plan.refusal, c.why) << c.menu;
        EXPECT_EQ(plan.line, c.line) << c.menu;
    }
    EXPECT_EQ(planRedirect("[boot loader]\r\ndefault=" + Text(192, 'a') + "\r\n" + systems).refusal, MenuRefusal::None);
}

TEST(MenuLines, OnlyAMenuWithTheJobsEntryIsReadAsTheJobsLinesAndTheUsers) {
    const MenuMemo memo = planRedirect(kXpBootIni).memo;
    const Text overlong = kEntry + Text(kMenuLineLimit + 1 - kEntry.size(), ' ');
    const struct {
        const char* name;
        Text menu;
        MenuTaken what;
    } cases[] = {
        {"the user's menu", kXpBootIni, MenuTaken::NothingOurs},
        {"the entry gone, default= still the loader", replaced(kXpRedirected, kEntry + "\r\n", ""), MenuTaken::EntryGone},
        {"the entry gone, timeout=2 left", replaced(replaced(kXpRedirected, kEntry + "\r\n", ""), "default=C:\\grldr", "default=x"),
         MenuTaken::NothingOurs},
        {"the entry twice", kXpRedirected + kEntry + "\r\n", MenuTaken::Twice},
        {"the timeout twice", kXpRedirected + "[debug]\r\ntimeout=2\r\n", MenuTaken::Twice},
        {"a zero byte", kXpRedirected + Text(1, '\0'), MenuTaken::NotText},
        {"UTF-16", Text("C\0:\0\\\0", 6), MenuTaken::NotText},
        {"the entry longer than a line of ours", replaced(kXpRedirected, kEntry, overlong), MenuTaken::EntryGone},
    };
    for (const auto& c : cases) {
        const MenuTakeOut t = takeOutLines(c.menu, memo);
        EXPECT_EQ(t.what, c.what) << c.name;
        EXPECT_EQ(t.menu, c.what == MenuTaken::NothingOurs ? c.menu : Text()) << c.name;
    }
    EXPECT_EQ(takeOutLines(kXpRedirected, {}).what, MenuTaken::NoMemo);
    // What names the loader: an entry of it, or default= it, in any spelling.
    EXPECT_FALSE(namesLoader(kXpBootIni));
    EXPECT_TRUE(namesLoader("[operating systems]\r\n c:\\GRLDR = \"mine\"\r\n"));
    EXPECT_TRUE(namesLoader("[boot loader]\r\nDefault = C:\\grldr\r\n"));
    EXPECT_FALSE(namesLoader("[boot loader]\r\ndefault=C:\\grldr.mbr\r\n"));
    EXPECT_TRUE(namesLoader(Text("x\0", 2)));
}

// ---- The menu on the machine ----------------------------------------------------------

class BootMenuTest : public JobTest {};

TEST_F(BootMenuTest, SavingCopiesWithAttributesThenClearsThem) {
    saveMenu();
    EXPECT_EQ(machine.content(kBootBak), kXpBootIni);
    EXPECT_EQ(machine.attributes(kBootBak) & kRhs, kRhs);
    EXPECT_EQ(machine.attributes(kBootIni) & kRhs, 0);
    EXPECT_TRUE(machine.commands().empty());
}

// A boot.bak that is not the menu of the moment cannot be told as ours:
// the image file button leaves it, the job sets it aside under a free name
// and says so, and the saved menu is the menu of that moment.
TEST_F(BootMenuTest, ABootBakThatIsNotTheMenuIsSetAsideNeverOverwritten) {
    const Text older = "[boot loader]\r\ndefault=old\r\n[operating systems]\r\nold=\"old\"\r\n";
    machine.addFile(kBootBak, older, kRhs);
    machine.addFile("C:\\boot-1.bak", "taken");
    saveMenu();
    EXPECT_EQ(machine.content(kBootBak), older);

    const Text changed = kXpBootIni + "multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS=\"Second\"\r\n";
    machine.addFile(kBootIni, changed);
    BootMenu menu(machine);
    ASSERT_TRUE(menu.check());
    ASSERT_TRUE(menu.redirect());
    EXPECT_EQ(machine.content(kBootBak), changed);
    EXPECT_EQ(machine.attributes(kBootBak) & kRhs, kRhs) << "the older copy showed the menu's protection";
    EXPECT_EQ(machine.content("C:\\boot-2.bak"), older);
    EXPECT_EQ(machine.content("C:\\boot-1.bak"), "taken");
    EXPECT_EQ(menu.notice(), (Problem{Code::BootBakSetAside, {"C:\\boot-2.bak"}}));
    EXPECT_TRUE(menu.takeOut(menu.memo()));
    EXPECT_EQ(machine.content(kBootIni), changed);
    EXPECT_EQ(machine.attributes(kBootIni) & kRhs, kRhs);
    EXPECT_FALSE(machine.exists(kBootBak));

    // Taken back, the copy that waited aside gets its name again.
    machine.addFile(kBootBak, older, kRhs);
    BootMenu again(machine);
    ASSERT_TRUE(again.check());
    ASSERT_TRUE(again.redirect());
    ASSERT_EQ(machine.content("C:\\boot-3.bak"), older);
    EXPECT_TRUE(again.takeBack());
    EXPECT_FALSE(again.notice()) << "the copy has its name back";
    EXPECT_EQ(machine.content(kBootBak), older);
    EXPECT_FALSE(machine.exists("C:\\boot-3.bak"));
    EXPECT_EQ(machine.content(kBootIni), changed);
}

TEST_F(BootMenuTest, ARedirectedMenuIsNeverRedirectedAgainNorAChangedOne) {
    BootMenu menu(machine);
    ASSERT_TRUE(menu.check());
    ASSERT_TRUE(menu.redirect());
    EXPECT_EQ(machine.content(kBootIni), kXpRedirected);
    saveMenu();
    EXPECT_EQ(machine.content(kBootBak), kXpBootIni);
    // An earlier job is undone before a new one points the boot anywhere.
    BootMenu second(machine);
    EXPECT_TRUE(second.check());
    EXPECT_FALSE(second.memo()) << "nothing is planned over an earlier job";
    const Result again = second.redirect();
    ASSERT_FALSE(again);
    EXPECT_EQ(again.problem(), Problem{Code::MenuStillRedirected});
    EXPECT_EQ(machine.content(kBootIni), kXpRedirected);
    EXPECT_EQ(machine.content(kBootBak), kXpBootIni);

    // A menu changed between the check and the redirection is not rewritten.
    JobRig other;
    BootMenu third(other.machine);
    ASSERT_TRUE(third.check());
    other.machine.addFile(kBootIni, kXpBootIni + kRecoveryConsole + "\r\n");
    EXPECT_EQ(third.redirect().problem(), Problem{Code::MenuChangedMeanwhile});
    EXPECT_EQ(other.machine.content(kBootIni), kXpBootIni + kRecoveryConsole + "\r\n");
    // The names the DOS side needs for its renames must be free.
    other.machine.addFile(kBootIniNew, "mine");
    EXPECT_EQ(BootMenu(other.machine).check().problem(), (Problem{Code::FileNotOurs, {kBootIniNew}}));
}

TEST_F(BootMenuTest, TakingTheLinesOutNeverLeavesTheMachineWithoutAMenu) {
    saveMenu();
    BootMenu menu(machine);
    ASSERT_TRUE(menu.check());
    ASSERT_TRUE(menu.redirect());
    const MenuMemo memo = *menu.memo();
    machine.setAttributes(kBootIni, kAttrReadOnly);  // protected again by someone

    // The write fails: boot.ini stays (with our lines, but there), boot.bak too.
    machine.failOn(sim::Op::Write, kBootIni);
    const Result failed = BootMenu(machine).takeOut(memo);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.problem(), (Problem{Code::RestoreMenuFailed, {}, kErrorAccessDenied}));
    EXPECT_EQ(machine.content(kBootIni), kXpRedirected);
    EXPECT_EQ(machine.attributes(kBootIni) & kRhs, kAttrReadOnly);
    EXPECT_EQ(machine.content(kBootBak), kXpBootIni);

    EXPECT_TRUE(BootMenu(machine).takeOut(memo));
    EXPECT_EQ(machine.content(kBootIni), kXpBootIni);
    EXPECT_EQ(machine.attributes(kBootIni) & kRhs, kRhs);
    EXPECT_FALSE(machine.exists(kBootBak));

    // Without a job, a saved copy older than the menu stays out of it.
    machine.addFile(kBootBak, "[operating systems]\r\nold=\"old\"\r\n");
    EXPECT_TRUE(BootMenu(machine).takeOut(std::nullopt));
    EXPECT_EQ(machine.content(kBootIni), kXpBootIni);
    EXPECT_TRUE(machine.exists(kBootBak));
}

// ---- A menu changed while the job waits -------------------------------------------------
//
// A restore job is prepared on the XP menu, then the user or an installer
// changes boot.ini. Whatever then takes the job back (undo, the next start's
// repair of a job cut short, a new job that undoes the earlier one first)
// takes out the job's lines and keeps the change; a whole job that waits is
// left waiting. A menu that is neither leaves boot.ini and the loader as
// they are, and the user is told what to check. Always: the machine starts
// (no line names a loader that is not there).

struct ChangedMenu {
    const char* name;
    std::function<Text(const Text&)> change;  // of the job's menu
    uint32_t protection;                      // given to boot.ini with the change
    // The menu once the job's lines are out; none: it cannot be read as
    // the job's lines and the user's and stays as changed.
    std::optional<Text> back;
};

const std::vector<ChangedMenu>& changedMenus() {
    static const std::vector<ChangedMenu> cases = {
        {"an entry added",
         [](const Text& m) { return m + kRecoveryConsole + "\r\n"; }, 0, kXpBootIni + kRecoveryConsole + "\r\n"},
        {"the time-out changed",
         [](const Text& m) { return replaced(m, "timeout=2", "timeout=10"); }, 0, replaced(kXpBootIni, "timeout=30", "timeout=10")},
        {"the job's lines moved",
         [](const Text& m) {
             const Text moved = replaced(m, kEntry + "\r\n", "");
             return replaced(replaced(moved, "timeout=2\r\ndefault=C:\\grldr", "default=C:\\grldr\r\ntimeout=2"), kSystemLine + "\r\n",
                             kSystemLine + "\r\n" + kEntry);
         },
         0,
         replaced(kXpBootIni, "timeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS",
                  "default=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\ntimeout=30")},
        {"the file made read-only", [](const Text& m) { return m; }, kAttrReadOnly, kXpBootIni},
        {"saved with LF line ends", [](const Text& m) { return replaced(m, "\r\n", "\n"); }, 0, replaced(kXpBootIni, "\r\n", "\n")},
        {"the default changed back (the job's lines partly removed)",
         [](const Text& m) { return replaced(m, "default=C:\\grldr", "default=multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS"); }, 0,
         replaced(kXpBootIni, "partition(1)\\WINDOWS\r\n[", "partition(2)\\WINDOWS\r\n[")},
        {"the entry removed, the default left (the job's lines partly removed)",
         [](const Text& m) { return replaced(m, kEntry + "\r\n", ""); }, 0, std::nullopt},
        {"the entry there twice", [](const Text& m) { return m + kEntry + "\r\n"; }, 0, std::nullopt},
        {"saved in UTF-16",
         [](const Text& m) {
             Text wide = "\xFF\xFE";
             for (char c : m) wide += Text{c, '\0'};
             return wide;
         },
         0, std::nullopt},
    };
    return cases;
}

class ChangedMenuRig : public JobRig {
public:
    explicit ChangedMenuRig(const ChangedMenu& c) : c_(c) {
        machine.onCommand("C:\\fqs.bat", "磁盘 0        含有3\r\n");  // the next start's partition count
        saveMenu();
        prepareRestoreJob();
        EXPECT_EQ(machine.content(kBootIni), kXpRedirected);
        changed = c.change(kXpRedirected);
        machine.addFile(kBootIni, changed, c.protection);
        toldBefore = told().size();
    }
    void undo() {
        windows.post([this] { windows.click(kUndoPrompt, ctl::按钮1); });
        windows.pressKey(kMain, 'U');
        windows.processPendingMessages();
    }
    std::vector<Text> toldNow() const {
        const std::vector<Text> all = told();
        return {all.begin() + static_cast<std::ptrdiff_t>(toldBefore), all.end()};
    }
    // The machine starts: boot.ini is there, and a loader it names is there too.
    void expectStarts(const std::string& path) {
        const std::optional<Text> menu = machine.content(kBootIni);
        ASSERT_TRUE(menu) << path;
        if (namesLoader(*menu)) { EXPECT_TRUE(machine.exists(kGrldr)) << path << ": the menu names a loader that is gone"; }
    }
    // The job's lines are out, the user's change stays; nothing of the job is left.
    void expectTakenOut(const std::string& path) {
        EXPECT_EQ(machine.content(kBootIni), c_.back) << path;
        EXPECT_EQ(machine.attributes(kBootIni) & kRhs, kRhs) << path << ": the menu's protection";
        EXPECT_FALSE(machine.exists(kBootBak)) << path;
        EXPECT_FALSE(anyJobFile()) << path;
        EXPECT_FALSE(machine.exists("C:\\TRIVEX.JOB")) << path;
        expectStarts(path);
    }
    // Left alone: boot.ini as changed, the saved menu to compare with, and
    // the loader with the record while the menu names it.
    void expectLeftAlone(const std::string& path, const std::vector<Text>& said) {
        EXPECT_EQ(machine.content(kBootIni), changed) << path;
        EXPECT_EQ(machine.content(kBootBak), kXpBootIni) << path;
        EXPECT_TRUE(machine.exists("C:\\TRIVEX.JOB")) << path;
        expectStarts(path);
        ASSERT_EQ(said.size(), 1u) << path;
        EXPECT_NE(said[0].find("无法分辨 C:\\boot.ini 中哪些行是本程序改的"), Text::npos) << path << ": " << said[0];
        EXPECT_NE(said[0].find("保留了 C:\\grldr"), Text::npos) << path << ": " << said[0];
    }

    const ChangedMenu& c_;
    Text changed;
    size_t toldBefore = 0;
};

TEST(ChangedMenu, UndoTakesOutTheJobsLinesAndKeepsTheUsersChange) {
    for (const ChangedMenu& c : changedMenus()) {
        ChangedMenuRig rig(c);
        rig.undo();
        if (c.back) {
            rig.expectTakenOut(std::string("undo, ") + c.name);
            EXPECT_TRUE(rig.toldNow().empty()) << c.name << ": " << rig.toldNow()[0];
        } else {
            rig.expectLeftAlone(std::string("undo, ") + c.name, rig.toldNow());
        }
    }
}

TEST(ChangedMenu, TheNextStartLeavesAWaitingJobAndTakesBackACutOne) {
    for (const ChangedMenu& c : changedMenus()) {
        {
            ChangedMenuRig rig(c);
            rig.nextStart();
            const std::vector<Text> said = rig.toldSinceStart();
            const std::string path = std::string("next start, ") + c.name;
            if (holdsJobEntry(rig.changed)) {
                // The job's entry is there and every file of it: it waits for its restart.
                expectToldWaiting(said, path);
                EXPECT_EQ(rig.machine.content(kBootIni), rig.changed) << path;
                EXPECT_TRUE(rig.machine.exists(kVemoImg)) << path;
                rig.expectStarts(path);
            } else {
                rig.expectLeftAlone(path, said);
            }
        }
        ChangedMenuRig rig(c);
        ASSERT_TRUE(rig.machine.removeTree(kVemoImg));  // the job is cut short
        rig.nextStart();
        const std::vector<Text> said = rig.toldSinceStart();
        const std::string path = std::string("next start of a cut job, ") + c.name;
        if (!c.back) {
            rig.expectLeftAlone(path, said);
            continue;
        }
        rig.expectTakenOut(path);
        ASSERT_EQ(said.size(), 1u) << path;
        EXPECT_NE(said[0].find("已把这个不完整的任务撤回"), Text::npos) << path << ": " << said[0];
    }
}

// A new job first takes the waiting one back: its own lines go into the
// menu as the user left it, and come out again with its undo.
TEST(ChangedMenu, ANewJobTakesTheWaitingOneBackFirst) {
    for (const ChangedMenu& c : changedMenus()) {
        ChangedMenuRig rig(c);
        rig.prepareRestoreJob();
        const std::string path = std::string("a new job, ") + c.name;
        if (!c.back) {
            // Refused, with the earlier job as it was.
            EXPECT_EQ(rig.machine.content(kBootIni), rig.changed) << path;
            EXPECT_EQ(rig.machine.content(kBootBak), kXpBootIni) << path;
            EXPECT_TRUE(rig.machine.exists(kVemoImg)) << path;
            ASSERT_EQ(rig.toldNow().size(), 1u) << path;
            EXPECT_NE(rig.toldNow()[0].find("C:\\boot.ini"), Text::npos) << path << ": " << rig.toldNow()[0];
            rig.expectStarts(path);
            continue;
        }
        const MenuPlan plan = planRedirect(*c.back);
        EXPECT_EQ(rig.machine.content(kBootIni), plan.redirected) << path;
        EXPECT_EQ(rig.machine.content(kBootBak), c.back) << path;
        const std::optional<JobRecord> record = readRecord(rig.machine, kJobRecord);
        ASSERT_TRUE(record) << path;
        EXPECT_EQ(record->menu, plan.memo) << path;
        EXPECT_TRUE(rig.toldNow().empty()) << path << ": " << rig.toldNow()[0];
        rig.undo();
        rig.expectTakenOut(path + ", undone");
    }
}

}  // namespace
}  // namespace trivex::testing_job
