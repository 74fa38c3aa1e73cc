// A job that fails at any step, with any error the system gives, is taken
// back whole: boot.ini and boot.bak as they were, no job file left, no
// restart prompt, and one message that names the step, its file and the
// system's reason in its own words.
#include "job/record.h"
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
    std::function<void(JobRig&)> arrange;  // the machine as the user has it
    std::function<void(JobRig&)> inject;   // then the step fails
    Text step;                             // what the message says failed
    Text reason;                           // the system's words for it, "" when it gave none
};

void PrintTo(const Fault& f, std::ostream* os) { *os << f.name; }

class JobFaultTest : public JobTest, public ::testing::WithParamInterface<Fault> {};

TEST_P(JobFaultTest, TheJobIsTakenBackWholeAndTheMessageSaysWhy) {
    const Fault& f = GetParam();
    if (f.start == Start::ImageButtonUsed) saveMenu();
    windows.setText(kMain, ctl::编辑框1, kRestoreImage);
    if (f.arrange) f.arrange(*this);
    const std::string before = disk();
    f.inject(*this);
    prepare();

    EXPECT_EQ(disk(), before);  // the job's files and records among them
    EXPECT_FALSE(machine.exists(kGrldrBak));
    EXPECT_EQ(temporariesLeft(machine), std::vector<Text>{});
    const Text reason = f.reason.empty() ? Text() : "（" + f.reason + "）";
    EXPECT_EQ(told(), std::vector<Text>{f.step + reason + "，本次操作已撤回。"});
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

// Each error the simulated machine can give, with the system's words for it.
const std::pair<uint32_t, Text> kErrors[] = {
    {2, "系统找不到指定的文件"}, {3, "系统找不到指定的路径"}, {5, "访问被拒绝"}, {17, "系统无法将文件移到不同的磁盘驱动器"},
    {112, "磁盘满"}, {123, "文件名、目录名或卷标语法不正确"}, {183, "当文件已存在时，无法创建该文件"},
};

std::vector<Fault> faults() {
    std::vector<Fault> all;
    for (const Start s : {Start::ImageButtonUsed, Start::FromSearchResults}) {
        const bool used = s == Start::ImageButtonUsed;
        const std::string start = used ? "ImageButton_" : "SearchResult_";
        // A step whose machine operation fails with each error in turn.
        const auto failing = [&](const char* name, sim::Op op, const Text& path, const Text& step,
                                 std::function<void(JobRig&)> arrange = {}) {
            for (const auto& [error, words] : kErrors)
                all.push_back({start + name + "_Error" + std::to_string(error), s, arrange,
                               [op, path, error = error](JobRig& r) { r.machine.failOn(op, path, false, 0, error); },
                               step, words});
        };
        failing("Record", sim::Op::Write, kJobRecord, "写入 C:\\TRIVEX.JOB 失败");
        failing("LoaderAside", sim::Op::Rename, kGrldr, "把您自己的 C:\\grldr 改名为 C:\\grldr.bak 失败",
                [](JobRig& r) { r.machine.addFile(kGrldr, "a loader of the user's", kAttrHidden | kAttrSystem); });
        failing("Loader", sim::Op::Write, kGrldr, "写入 C:\\grldr 失败");
        failing("GhostBat", sim::Op::Write, kGhostBat, "写入 C:\\ghost.bat 失败");
        failing("GhostExe", sim::Op::Write, kGhostExe, "写入 C:\\ghost.exe 失败");
        failing("BootImage", sim::Op::Write, kVemoImg, "写入 C:\\Vemo.img 失败");
        failing("OutcomeRecord", sim::Op::Write, "E:\\TRIVEX.OUT", "写入任务结果记录 E:\\TRIVEX.OUT 失败");
        failing("BootIniRewrite", sim::Op::Write, kBootIni, "改写 C:\\boot.ini 失败");
        if (!used) {
            failing("SavingTheMenu", sim::Op::Write, kBootBak, "把 C:\\boot.ini 备份为 C:\\boot.bak 失败");
            failing("AttributesStay", sim::Op::Attributes, kBootIni, "去掉 C:\\boot.ini 的只读、隐藏和系统属性失败");
        }
        // A drive too short for the boot image gives its error by itself.
        all.push_back({start + "BootImageDiskFull", s, {}, diskFullForVemo, "写入 C:\\Vemo.img 失败", "磁盘满"});
        // Reading the user's Ghost is no operation that changes the machine: no reason to tell.
        all.push_back({start + "CustomGhostMissing", s, {},
                       [](JobRig& r) {
                           r.windows.setProp(kMain, ctl::自定义选择框, Prop::Checked, 1);
                           r.windows.setText(kMain, ctl::编辑框2, "D:\\gone\\ghost.exe");
                       },
                       "复制自定义的 Ghost（D:\\gone\\ghost.exe）到 C:\\ghost.exe 失败", ""});
    }
    return all;
}

INSTANTIATE_TEST_SUITE_P(EveryStepEveryError, JobFaultTest, ::testing::ValuesIn(faults()),
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
// after that leaves neither job, and a machine that starts Windows with the
// menu as the user left it while the earlier job waited.
TEST_F(EarlierJobFaultTest, AFailureOfTheBootSideLeavesNeitherJob) {
    const Text console = "C:\\CMDCONS\\BOOTSECT.DAT=\"Microsoft Windows Recovery Console\" /cmdcons\r\n";
    machine.addFile(kBootIni, *machine.content(kBootIni) + console);
    machine.failOn(sim::Op::Write, kBootIni, false, 1);  // the earlier job's lines go, this job's do not come
    prepare();
    EXPECT_FALSE(anyJobFile());
    EXPECT_FALSE(machine.exists(kBootBak));
    EXPECT_EQ(machine.content(kBootIni), kXpBootIni + console);
    EXPECT_EQ(machine.attributes(kBootIni) & kRhs, kRhs);
    EXPECT_EQ(told(), std::vector<Text>{"改写 C:\\boot.ini 失败（访问被拒绝），本次操作已撤回，之前准备好的任务也已撤销。"});
}

TEST_F(EarlierJobFaultTest, AFailureAmongTheFilesUndoesTheEarlierJobToo) {
    machine.failOn(sim::Op::Write, kVemoImg);
    prepare();
    EXPECT_FALSE(anyJobFile());
    EXPECT_EQ(machine.content(kBootIni), kXpBootIni);
    EXPECT_EQ(machine.attributes(kBootIni) & kRhs, kRhs);
    EXPECT_FALSE(machine.exists(kBootBak));
    EXPECT_EQ(told(), std::vector<Text>{"写入 C:\\Vemo.img 失败（访问被拒绝），本次操作已撤回，之前准备好的任务也已撤销。"});
    EXPECT_EQ(windows.escapesPressed(), 1);  // the first job's prompt only
}

}  // namespace
}  // namespace trivex::testing_job
