// The boot menu: the redirected menu keeps every Windows entry, the saved
// copy is always the user's menu byte for byte, and undo puts it back in
// one step.
#include "tests/host/job_test.h"

namespace trivex::testing_job {
namespace {

using namespace job;

const Text kSection = "[boot loader]\r\ntimeout=2\r\ndefault=C:\\grldr\r\n";
const Text kEntry = "C:\\grldr=Trivex Ghost";

Text redirectedText(const Text& menu) {
    const Redirection r = redirectMenuText(menu);
    EXPECT_TRUE(r.refusal.empty()) << r.refusal;
    return r.menu;
}

TEST(RedirectedMenu, TheStandardMenusAreRewrittenAsBefore) {
    // Five lines: old lines 6 and 7 do not exist and stay empty.
    EXPECT_EQ(redirectedText(kXpBootIni), kSection + "[operating systems]\r\n" + kSystemLine + "\r\n\r\n\r\n" + kEntry);
    const Text seven = "[boot loader]\r\ntimeout=30\r\ndefault=a\r\n[operating systems]\r\na=\"A\"\r\nb=\"B\"\r\nc=\"C\"\r\n";
    EXPECT_EQ(redirectedText(seven), kSection + "[operating systems]\r\na=\"A\"\r\nb=\"B\"\r\nc=\"C\"\r\n" + kEntry);
    EXPECT_FALSE(isRedirectedMenu(kXpBootIni));
    EXPECT_TRUE(isRedirectedMenu(redirectedText(kXpBootIni)));
}

TEST(RedirectedMenu, EveryWindowsEntryIsCarriedWhateverTheLayout) {
    const Text systems = "[operating systems]\r\na=\"A\"\r\nb=\"B\"\r\nc=\"C\"\r\nd=\"D\"\r\n";
    // A longer loader section, entries after line 7, bare LF, bare CR, a byte-order mark.
    EXPECT_EQ(redirectedText("[boot loader]\ntimeout=30\ndefault=a\nredirect=com1\n[operating systems]\na=\"A\"\nb=\"B\"\n"
                             "c=\"C\"\nd=\"D\""),
              kSection + systems + kEntry);
    EXPECT_EQ(redirectedText("[boot loader]\rtimeout=30\rdefault=a\r[operating systems]\ra=\"A\"\rb=\"B\"\rc=\"C\"\rd=\"D\"\r"),
              kSection + systems + kEntry);
    EXPECT_EQ(redirectedText("\xEF\xBB\xBF[boot loader]\r\ndefault=a\r\n[Operating Systems]\r\na=\"A\"\r\n"),
              kSection + "[Operating Systems]\r\na=\"A\"\r\n\r\n\r\n" + kEntry);
    // Another section after the entries is not part of the menu's entries.
    EXPECT_EQ(redirectedText("[operating systems]\r\na=\"A\"\r\nb=\"B\"\r\nc=\"C\"\r\nd=\"D\"\r\n[debug]\r\nx=1\r\n"),
              kSection + systems + kEntry);
}

TEST(RedirectedMenu, MenusThatWouldLoseWindowsAreRefused) {
    const Text refused[] = {
        Text("\xFF\xFE[\0b\0", 6),                               // UTF-16
        Text("[boot loader]\r\n[operating systems]\r\na=\0\"A\"\r\n", 40),  // a zero byte
        "[boot loader]\r\ntimeout=30\r\ndefault=a\r\n",           // no [operating systems]
        "[boot loader]\r\ndefault=a\r\n[operating systems]\r\n; nothing\r\n\r\n",  // no entry
    };
    for (const Text& menu : refused) {
        const Redirection r = redirectMenuText(menu);
        EXPECT_TRUE(r.menu.empty());
        EXPECT_NE(r.refusal.find("C:\\boot.ini"), Text::npos) << r.refusal;
    }
}

class BootMenuTest : public JobTest {};

TEST_F(BootMenuTest, SavingCopiesWithAttributesThenClearsThem) {
    saveMenu();
    EXPECT_EQ(machine.content(kBootBak), kXpBootIni);
    EXPECT_EQ(machine.attributes(kBootBak), kRhs);
    EXPECT_EQ(machine.attributes(kBootIni) & kRhs, 0);
    EXPECT_TRUE(machine.commands().empty());
}

TEST_F(BootMenuTest, AStaleProtectedCopyIsBroughtUpToDate) {
    // A copy of an older menu, and one of a redirected menu beside a boot.ini that is not.
    for (const Text stale : {Text("[boot loader]\r\ndefault=old\r\n[operating systems]\r\nold=\"old\"\r\n"),
                             Text("[boot loader]\r\ntimeout=2\r\nDEFAULT=c:\\GRLDR\r\n")}) {
        machine.addFile(kBootBak, stale, kRhs);
        saveMenu();
        EXPECT_EQ(machine.content(kBootBak), kXpBootIni);
        EXPECT_EQ(machine.attributes(kBootBak) & kRhs, kRhs);
    }

    // Changed again after the image file button: the job brings it up to date too.
    const Text changed = kXpBootIni + "multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS=\"Second\"\r\n";
    machine.addFile(kBootIni, changed);
    BootMenu menu(machine);
    ASSERT_EQ(menu.check(), "");
    ASSERT_EQ(menu.redirect(), "");
    EXPECT_EQ(machine.content(kBootBak), changed);
    EXPECT_EQ(machine.attributes(kBootBak) & kRhs, kRhs);
    EXPECT_EQ(menu.restore(), "");
    EXPECT_EQ(machine.content(kBootIni), changed);
    EXPECT_EQ(machine.attributes(kBootIni) & kRhs, kRhs);
}

TEST_F(BootMenuTest, WhileAJobIsPreparedTheSavedMenuIsNeverReplaced) {
    BootMenu menu(machine);
    ASSERT_EQ(menu.redirect(), "");
    const Text redirectedMenu = *machine.content(kBootIni);
    saveMenu();
    EXPECT_EQ(machine.content(kBootBak), kXpBootIni);
    // A second redirection is made from the saved menu, not from the redirected one.
    ASSERT_EQ(BootMenu(machine).redirect(), "");
    EXPECT_EQ(machine.content(kBootIni), redirectedMenu);
}

TEST_F(BootMenuTest, RestoringReplacesInOneStepAndNeverLosesTheMenu) {
    saveMenu();
    BootMenu menu(machine);
    ASSERT_EQ(menu.redirect(), "");
    const Text redirectedMenu = *machine.content(kBootIni);
    machine.setAttributes(kBootIni, kRhs);  // protected again by someone

    // The move fails: boot.ini stays (redirected, but there), boot.bak too.
    machine.failOn(sim::Op::Rename, kBootBak);
    EXPECT_NE(menu.restore(), "");
    EXPECT_EQ(machine.content(kBootIni), redirectedMenu);
    EXPECT_EQ(machine.content(kBootBak), kXpBootIni);

    EXPECT_EQ(menu.restore(), "");
    EXPECT_EQ(machine.content(kBootIni), kXpBootIni);
    EXPECT_EQ(machine.attributes(kBootIni), kRhs);
    EXPECT_FALSE(machine.exists(kBootBak));

    // A saved copy older than a boot.ini that is not redirected stays out of it.
    machine.addFile(kBootBak, "[operating systems]\r\nold=\"old\"\r\n");
    EXPECT_EQ(menu.restore(), "");
    EXPECT_EQ(machine.content(kBootIni), kXpBootIni);
}

}  // namespace
}  // namespace trivex::testing_job
