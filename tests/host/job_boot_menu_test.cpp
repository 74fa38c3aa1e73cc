// The boot menu: the rewrite from the old lines 4 to 7, saving the unchanged
// menu (never a redirected one), and restoring it.
#include "tests/host/job_test.h"

namespace trivex::testing_job {
namespace {

using namespace job;

class BootMenuTest : public JobTest {
protected:
    // boot.ini with `content`, unprotected as after the attribute command.
    Text redirected(const Text& content) {
        machine.addFile(kBootIni, content);
        EXPECT_TRUE(redirectBootMenu(app));
        return *machine.content(kBootIni);
    }
};

TEST_F(BootMenuTest, RewritesAStandardMenuToStartTheLoaderAfterTwoSeconds) {
    EXPECT_EQ(redirected(kXpBootIni),
              "[boot loader]\r\ntimeout=2\r\ndefault=C:\\grldr\r\n[operating systems]\r\n" + kSystemLine +
                  "\r\n\r\n\r\nC:\\grldr=Trivex Ghost");
}

TEST_F(BootMenuTest, KeepsOldLinesFourToSevenOnly) {
    const Text section = "[boot loader]\r\ntimeout=2\r\ndefault=C:\\grldr\r\n";
    const Text entry = "C:\\grldr=Trivex Ghost";
    EXPECT_EQ(redirected("1\r\n2\r\n3\r\n"), section + "\r\n\r\n\r\n\r\n" + entry);
    EXPECT_EQ(redirected("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n"), section + "4\r\n5\r\n6\r\n7\r\n" + entry);
    EXPECT_EQ(redirected("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9"), section + "4\r\n5\r\n6\r\n7\r\n" + entry);
    // Bare line feeds read the same; the new file always has CR LF.
    EXPECT_EQ(redirected("1\n2\n3\n4\n5\n6\n7\n"), section + "4\r\n5\r\n6\r\n7\r\n" + entry);
}

TEST_F(BootMenuTest, AMenuThatCannotBeOpenedIsNotRewritten) {
    // Still protected: the rewrite would lose nothing but must not pretend.
    EXPECT_FALSE(redirectBootMenu(app));
    EXPECT_EQ(machine.content(kBootIni), kXpBootIni);
    machine.removeTree(kBootIni);
    EXPECT_FALSE(redirectBootMenu(app));
    EXPECT_FALSE(machine.exists(kBootIni));
}

TEST_F(BootMenuTest, SavingCopiesWithAttributesThenClearsThemWithoutWaiting) {
    saveBootMenu(app);
    EXPECT_EQ(machine.content(kBootBak), kXpBootIni);
    EXPECT_EQ(machine.attributes(kBootBak), kRhs);
    EXPECT_EQ(machine.attributes(kBootIni) & kRhs, 0);
    ASSERT_EQ(machine.commands().size(), 1u);
    EXPECT_EQ(machine.commands()[0].commandLine, "attrib C:\\boot.ini -r -h -s");
    EXPECT_FALSE(machine.commands()[0].wait);
    EXPECT_EQ(machine.commands()[0].style, 1);
}

TEST_F(BootMenuTest, WhileAJobIsPreparedTheSavedMenuIsNeverReplaced) {
    const Text redirectedMenu = redirected(kXpBootIni);
    machine.addFile(kBootBak, kXpBootIni);  // unprotected: a copy over it would succeed
    saveBootMenu(app);
    EXPECT_EQ(machine.content(kBootBak), kXpBootIni);
    EXPECT_TRUE(isRedirected(app, kBootIni));
    EXPECT_FALSE(isRedirected(app, kBootBak));

    // Restoring brings back the unchanged menu.
    restoreBootMenu(machine);
    EXPECT_EQ(machine.content(kBootIni), kXpBootIni);
    EXPECT_FALSE(machine.exists(kBootBak));
    // Without a saved menu there is nothing to restore: boot.ini stays.
    machine.addFile(kBootIni, redirectedMenu);
    restoreBootMenu(machine);
    EXPECT_EQ(machine.content(kBootIni), redirectedMenu);
}

}  // namespace
}  // namespace trivex::testing_job
