// The contract suite's test tool (see tool_script.h), copied into the system
// folder by the Win32 contract machine.
#include <windows.h>

#include "tests/contract/tool_script.h"

namespace {

void writeAll(DWORD which, const std::string& bytes) {
    const HANDLE h = GetStdHandle(which);
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD n = 0;
        if (!WriteFile(h, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &n, nullptr) || n == 0) return;
        done += n;
    }
}

}  // namespace

int main() {
    // The arguments follow the program name, which is quoted.
    std::string line = GetCommandLineA();
    size_t at = 0;
    if (!line.empty() && line[0] == '"') at = line.find('"', 1);
    else at = line.find(' ');
    const std::string arguments = at == std::string::npos ? std::string() : line.substr(at + 1);
    const trivex::contract::ToolScript t = trivex::contract::toolScript(arguments);
    writeAll(STD_OUTPUT_HANDLE, t.out);
    writeAll(STD_ERROR_HANDLE, t.err);
    if (t.sleepMs) Sleep(t.sleepMs);
    return static_cast<int>(t.exitCode);
}
