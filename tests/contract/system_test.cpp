// Running the system's tools: the whole output and the exit code come back,
// a tool past its time limit is ended, a missing or badly named tool does not
// start; and what the system says of itself.
#include "tests/contract/contract.h"
#include "tests/contract/tool_script.h"

namespace trivex::contract {
namespace {

constexpr char kTool[] = "trivex-contract-tool.exe";

class SystemToolTest : public ::testing::Test {
protected:
    SystemToolTest() : m(rig().machine()) {}
    void SetUp() override { ASSERT_TRUE(rig().installTestTool(kTool)); }
    void TearDown() override { rig().removeTestTool(kTool); }
    Machine& m;
};

TEST_F(SystemToolTest, OutputOfBothStreamsComesBackWholeWithTheExitCode) {
    EXPECT_TRUE(m.systemToolExists(kTool));
    EXPECT_TRUE(m.systemToolExists("TRIVEX-CONTRACT-TOOL.EXE")) << "file names ignore letter case";
    const ToolRun run = m.runSystemTool(kTool, "out 9000 err 5000 exit 3");
    EXPECT_TRUE(run.started);
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 3u);
    EXPECT_EQ(run.output, toolPattern('a', 9000) + toolPattern('A', 5000)) << run.output.size();

    const ToolRun gbk = m.runSystemTool(kTool, "gbk");
    EXPECT_EQ(gbk.exitCode, 0u);
    EXPECT_EQ(gbk.output, "\xC6\xF4\xB6\xAF\xC5\xE4\xD6\xC3\xCA\xFD\xBE\xDD\xB4\xE6\xB4\xA2");  // 启动配置数据存储

    const ToolRun quiet = m.runSystemTool(kTool, "");
    EXPECT_TRUE(quiet.finished);
    EXPECT_EQ(quiet.output, "");
}

// The limit leaves a slow start of the tool (a busy machine, Wine) time to
// write; the tool runs far longer, and the run ends well before it would.
TEST_F(SystemToolTest, AToolPastItsTimeLimitIsEndedWithWhatItWrote) {
    const uint32_t start = m.tickCount();
    const ToolRun run = m.runSystemTool(kTool, "out 10 sleep 600000", 10000);
    const uint32_t took = m.tickCount() - start;
    EXPECT_TRUE(run.started);
    EXPECT_FALSE(run.finished);
    EXPECT_EQ(run.output, toolPattern('a', 10));
    EXPECT_LT(took, 120000u);
}

TEST_F(SystemToolTest, MissingToolsAndNamesWithAFolderDoNotStart) {
    for (const Text& name : {Text("trivex-no-such-tool.exe"), Text(""), Text("..\\") + kTool,
                             Text("C:") + kTool, Text("a/") + kTool, Text("\"") + kTool + "\""}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(m.systemToolExists(name));
        const ToolRun run = m.runSystemTool(name, "out 10");
        EXPECT_FALSE(run.started);
        EXPECT_FALSE(run.finished);
        EXPECT_EQ(run.output, "");
    }
}

// The test machines are Windows XP or later on BIOS firmware (Wine reports
// a BIOS machine), and the tests run with administrator rights.
TEST(SystemFacts, VersionFirmwareAndRights) {
    Machine& m = rig().machine();
    const WindowsVersion v = m.windowsVersion();
    EXPECT_TRUE(v.major > 5 || (v.major == 5 && v.minor >= 1)) << v.major << "." << v.minor;
    EXPECT_EQ(m.firmware(), Firmware::Bios);
    EXPECT_TRUE(m.runsAsAdministrator());
}

// What the program keeps on the machine: each name's text read back byte
// for byte, replaced whole by the next write, the other names untouched.
TEST(Settings, AKeptTextIsReadBackAsWrittenAndReplacedWhole) {
    Machine& m = rig().machine();
    const Text a = "ContractCheckA", b = "ContractCheckB";
    const Text tokens = "0123456789ABCDEF 00000000FFFFFFFF";
    ASSERT_TRUE(m.writeSetting(a, tokens));
    ASSERT_TRUE(m.writeSetting(b, "\xBB\xB9\xD4\xAD"));  // 还原
    Text got = "stale";
    EXPECT_TRUE(m.readSetting(a, got));
    EXPECT_EQ(got, tokens);
    EXPECT_TRUE(m.readSetting(b, got));
    EXPECT_EQ(got, "\xBB\xB9\xD4\xAD");
    ASSERT_TRUE(m.writeSetting(a, "short"));
    EXPECT_TRUE(m.readSetting(a, got));
    EXPECT_EQ(got, "short");
    ASSERT_TRUE(m.writeSetting(a, ""));
    EXPECT_TRUE(m.readSetting(a, got));
    EXPECT_EQ(got, "");
    EXPECT_TRUE(m.readSetting(b, got));
    EXPECT_EQ(got, "\xBB\xB9\xD4\xAD");

    got = "stale";
    EXPECT_FALSE(m.readSetting("ContractNeverKept", got));
    EXPECT_EQ(got, "");
    EXPECT_FALSE(m.writeSetting("", "x"));
    EXPECT_FALSE(m.readSetting("", got));
}

}  // namespace
}  // namespace trivex::contract
