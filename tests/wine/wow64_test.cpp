// A 32-bit program on 64-bit Windows (a 64-bit Wine prefix, wow64_test.sh):
// the system tools are those of the real System32. The script has put the
// contract suite's test tool into the 64-bit System32 only, where the 32-bit
// view of the file system (SysWOW64) does not show it.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/win32/child_process.h"
#include "platform/win32/win32_machine.h"

namespace trivex {
namespace {

constexpr char kTool[] = "trivex-native-tool.exe";

TEST(Wow64, ToolsComeFromTheRealSystem32) {
    ASSERT_TRUE(win32::runsUnderWow64()) << "run this in a 64-bit prefix";
    char folder[MAX_PATH + 1] = {};
    const UINT n = GetSystemDirectoryA(folder, MAX_PATH);
    const Text path = Text(folder, n) + "\\" + kTool;
    // The 32-bit view has no such file ...
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    // ... the machine reaches the real one, and runs it.
    win32::Win32Machine m;
    EXPECT_TRUE(m.systemToolExists(kTool));
    const ToolRun run = m.runSystemTool(kTool, "out 5 exit 7");
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 7u);
    EXPECT_EQ(run.output, "abcde");
    // Redirection is back on afterwards.
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace trivex
