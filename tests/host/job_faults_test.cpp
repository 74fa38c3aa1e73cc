// A job that fails at any step is taken back whole: boot.ini and boot.bak
// as they were, no job file left, no restart prompt, and one message that
// names what failed.
#include "tests/host/job_test.h"

namespace trivex::testing_job {
namespace {

using namespace job;
using payloads::Payload;

enum class Start {
    ImageButtonUsed,     // boot.bak saved, boot.ini unprotected
    FromSearchResults,   // no boot.bak, boot.ini still protected
};

struct Fault {
    std::string name;
    Start start;
    std::function<void(JobRig&)> inject;
    const char* named;  // what the message must name
};

class JobFaultTest : public JobTest, public ::testing::WithParamInterface<Fault> {};

TEST_P(JobFaultTest, TheJobIsTakenBackWhole) {
    const Fault& f = GetParam();
    if (f.start == Start::ImageButtonUsed) saveMenu();
    windows.setText(kMain, ctl::编辑框1, kRestoreImage);
    const std::string before = disk();
    f.inject(*this);
    prepare();

    EXPECT_EQ(disk(), before);
    EXPECT_FALSE(anyJobFile());
    const std::vector<Text> messages = told();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(f.named), Text::npos) << messages[0];
    EXPECT_NE(messages[0].find("本次操作已撤回。"), Text::npos) << messages[0];
    EXPECT_TRUE(windows.windowVisible(kMain));
    EXPECT_EQ(windows.escapesPressed(), 0);
    EXPECT_EQ(machine.restarts(), 0);
}

void diskFullForVemo(JobRig& r) {
    SimMachine& m = r.machine;
    const uint64_t room = payloads::data(Payload::Loader).size + payloads::data(Payload::GhostDos).size + 4096;
    uint64_t total = 0, free = 0;
    m.diskSpace('C', total, free);
    m.addDrive('C', total, room);
}

std::vector<Fault> faults() {
    std::vector<Fault> all;
    for (const Start s : {Start::ImageButtonUsed, Start::FromSearchResults}) {
        const bool used = s == Start::ImageButtonUsed;
        const auto add = [&](const char* name, std::function<void(JobRig&)> inject, const char* named) {
            all.push_back({std::string(used ? "ImageButton_" : "SearchResult_") + name, s, std::move(inject), named});
        };
        add("BootIniRewrite", [](JobRig& r) { r.machine.failOn(sim::Op::Write, kBootIni); }, "C:\\boot.ini");
        add("Loader", [](JobRig& r) { r.machine.failOn(sim::Op::Write, kGrldr); }, "C:\\grldr");
        add("GhostBat", [](JobRig& r) { r.machine.failOn(sim::Op::Write, kGhostBat); }, "C:\\ghost.bat");
        add("GhostExe", [](JobRig& r) { r.machine.failOn(sim::Op::Write, kGhostExe); }, "C:\\ghost.exe");
        add("CustomGhostMissing", [](JobRig& r) {
            r.windows.setProp(kMain, ctl::自定义选择框, Prop::Checked, 1);
            r.windows.setText(kMain, ctl::编辑框2, "D:\\gone\\ghost.exe");
        }, "D:\\gone\\ghost.exe");
        add("BootImage", [](JobRig& r) { r.machine.failOn(sim::Op::Write, kVemoImg); }, "C:\\Vemo.img");
        add("BootImageDiskFull", diskFullForVemo, "C:\\Vemo.img");
        if (!used) {
            add("SavingTheMenu", [](JobRig& r) { r.machine.failOn(sim::Op::Write, kBootBak); }, "C:\\boot.bak");
            add("AttributesStay", [](JobRig& r) { r.machine.failOn(sim::Op::Attributes, kBootIni); }, "C:\\boot.ini");
        }
    }
    return all;
}

INSTANTIATE_TEST_SUITE_P(EveryStep, JobFaultTest, ::testing::ValuesIn(faults()),
                         [](const auto& info) { return info.param.name; });

class EarlierJobFaultTest : public JobTest {
protected:
    void SetUp() override {
        saveMenu();
        prepareRestoreJob();  // left with Esc: prepared, main window back
        ASSERT_TRUE(redirected());
        windows.setText(kMain, ctl::编辑框1, "D:\\other.gho");
        machine.addFile("D:\\other.gho", kImageBytes);
    }
};

TEST_F(EarlierJobFaultTest, ARefusedJobLeavesTheEarlierJobAsItWas) {
    const std::string before = disk();
    windows.setText(kMain, ctl::编辑框1, "D:\\missing.gho");
    prepare();
    EXPECT_EQ(disk(), before);
    EXPECT_TRUE(redirected());
    ASSERT_EQ(told().size(), 1u);
}

// Once the checks are passed the earlier job gives way, boot first: a failure
// after that leaves neither job, and a machine that starts Windows.
TEST_F(EarlierJobFaultTest, AFailureOfTheBootSideLeavesNeitherJob) {
    machine.failOn(sim::Op::Write, kBootIni);
    prepare();
    EXPECT_FALSE(anyJobFile());
    EXPECT_EQ(machine.content(kBootIni), kXpBootIni);
    EXPECT_EQ(machine.attributes(kBootIni) & kRhs, kRhs);
    ASSERT_EQ(told().size(), 1u);
    EXPECT_NE(told()[0].find("之前准备好的任务也已撤销"), Text::npos);
}

TEST_F(EarlierJobFaultTest, AFailureAmongTheFilesUndoesTheEarlierJobToo) {
    machine.failOn(sim::Op::Write, kVemoImg);
    prepare();
    EXPECT_FALSE(anyJobFile());
    EXPECT_EQ(machine.content(kBootIni), kXpBootIni);
    EXPECT_EQ(machine.attributes(kBootIni) & kRhs, kRhs);
    EXPECT_FALSE(machine.exists(kBootBak));
    ASSERT_EQ(told().size(), 1u);
    EXPECT_NE(told()[0].find("之前准备好的任务也已撤销"), Text::npos);
    EXPECT_EQ(windows.escapesPressed(), 1);  // the first job's prompt only
}

}  // namespace
}  // namespace trivex::testing_job
