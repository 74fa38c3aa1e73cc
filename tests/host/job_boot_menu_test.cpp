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
    const Expected<Text> r = redirectMenuText(menu);
    EXPECT_TRUE(r) << r.problem();
    return r ? *r : Text();
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
    const std::pair<Text, Code> refused[] = {
        {Text("\xFF\xFE[\0b\0", 6), Code::MenuNotText},                                             // UTF-16
        {Text("[boot loader]\r\n[operating systems]\r\na=\0\"A\"\r\n", 40), Code::MenuNotText},       // a zero byte
        {"[boot loader]\r\ntimeout=30\r\ndefault=a\r\n", Code::MenuWithoutSystems},                     // no [operating systems]
        {"[boot loader]\r\ndefault=a\r\n[operating systems]\r\n; nothing\r\n\r\n", Code::MenuWithoutSystems},  // no entry
    };
    for (const auto& [menu, why] : refused) {
        const Expected<Text> r = redirectMenuText(menu);
        ASSERT_FALSE(r) << *r;
        EXPECT_EQ(r.problem(), Problem{why});
    }
}

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
    EXPECT_TRUE(menu.restore());
    EXPECT_EQ(machine.content(kBootIni), changed);
    EXPECT_EQ(machine.attributes(kBootIni) & kRhs, kRhs);

    // Taken back, the copy that waited aside gets its name again.
    machine.addFile(kBootBak, older, kRhs);
    BootMenu again(machine);
    ASSERT_TRUE(again.redirect());
    ASSERT_EQ(machine.content("C:\\boot-3.bak"), older);
    EXPECT_TRUE(again.takeBack());
    EXPECT_FALSE(again.notice()) << "the copy has its name back";
    EXPECT_EQ(machine.content(kBootBak), older);
    EXPECT_FALSE(machine.exists("C:\\boot-3.bak"));
    EXPECT_EQ(machine.content(kBootIni), changed);
}

TEST_F(BootMenuTest, ARedirectedMenuIsNeverRedirectedAgain) {
    BootMenu menu(machine);
    ASSERT_TRUE(menu.redirect());
    const Text redirectedMenu = *machine.content(kBootIni);
    saveMenu();
    EXPECT_EQ(machine.content(kBootBak), kXpBootIni);
    // An earlier job is undone before a new one points the boot anywhere.
    const Result again = BootMenu(machine).redirect();
    ASSERT_FALSE(again);
    EXPECT_EQ(again.problem(), Problem{Code::MenuStillRedirected});
    EXPECT_EQ(machine.content(kBootIni), redirectedMenu);
    EXPECT_EQ(machine.content(kBootBak), kXpBootIni);
}

// A user's own menu that starts C:\grldr by default is no job of ours.
TEST_F(BootMenuTest, AUsersOwnGrldrDefaultIsNotAPreparedJob) {
    const Text own = "[boot loader]\r\ntimeout=5\r\ndefault=C:\\grldr\r\n[operating systems]\r\n"
                     "C:\\grldr=\"GRUB4DOS\"\r\n" + kSystemLine + "\r\n";
    EXPECT_FALSE(isRedirectedMenu(own));
    machine.addFile(kBootIni, own, kRhs);
    BootMenu menu(machine);
    EXPECT_FALSE(menu.isRedirected());
    ASSERT_TRUE(menu.check());
    ASSERT_TRUE(menu.redirect());
    EXPECT_EQ(machine.content(kBootBak), own);
    EXPECT_TRUE(menu.isRedirected());
    EXPECT_TRUE(menu.restore());
    EXPECT_EQ(machine.content(kBootIni), own);
    // Our text with a line changed is not ours either.
    Text edited = redirectedText(kXpBootIni);
    edited.replace(edited.find("timeout=2"), 9, "timeout=9");
    EXPECT_FALSE(isRedirectedMenu(edited));
}

TEST_F(BootMenuTest, RestoringReplacesInOneStepAndNeverLosesTheMenu) {
    saveMenu();
    BootMenu menu(machine);
    ASSERT_TRUE(menu.redirect());
    const Text redirectedMenu = *machine.content(kBootIni);
    machine.setAttributes(kBootIni, kRhs);  // protected again by someone

    // The move fails: boot.ini stays (redirected, but there), boot.bak too.
    machine.failOn(sim::Op::Rename, kBootBak);
    const Result failed = menu.restore();
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.problem(), (Problem{Code::MenuFromSavedFailed, {}, kErrorAccessDenied}));
    EXPECT_EQ(machine.content(kBootIni), redirectedMenu);
    EXPECT_EQ(machine.content(kBootBak), kXpBootIni);

    EXPECT_TRUE(menu.restore());
    EXPECT_EQ(machine.content(kBootIni), kXpBootIni);
    EXPECT_EQ(machine.attributes(kBootIni) & kRhs, kRhs);
    EXPECT_FALSE(machine.exists(kBootBak));

    // A saved copy older than a boot.ini that is not redirected stays out of it.
    machine.addFile(kBootBak, "[operating systems]\r\nold=\"old\"\r\n");
    EXPECT_TRUE(menu.restore());
    EXPECT_EQ(machine.content(kBootIni), kXpBootIni);
}

}  // namespace
}  // namespace trivex::testing_job
