// The simulated machine's system side: the Windows version, the firmware,
// the process's rights, and the tools of the system folder.
//
// A test sets the values and installs tools before it runs the logic:
//
//     machine.system().version = {6, 1};
//     machine.system().installTool("bcdedit.exe", [](const Text& args) { ... });
//
// A tool is a function of its argument text that answers with an exit code
// and its output. Every run is recorded, in order.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "platform/machine.h"

namespace trivex::sim {

// What a simulated tool does when it runs.
struct ToolAnswer {
    uint32_t exitCode = 0;
    Text output;             // standard output and error together
    uint32_t runsForMs = 0;  // a tool that runs as long as the time limit or longer is ended
};
inline constexpr uint32_t kRunsForever = 0xFFFFFFFF;

using SystemTool = std::function<ToolAnswer(const Text& arguments)>;

struct ToolCall {
    Text tool;  // as the caller named it
    Text arguments;
    uint32_t timeoutMs = 0;
};

class SimSystem {
public:
    WindowsVersion version{5, 1};
    Firmware firmware = Firmware::Bios;
    bool administrator = true;

    // Puts a tool into the system folder (names ignore letter case); a tool of
    // the same name is replaced.
    void installTool(const Text& name, SystemTool tool);
    void removeTool(const Text& name);
    // Every run of a tool, started or not, in order.
    const std::vector<ToolCall>& toolCalls() const { return calls_; }

    // The platform operations.
    bool toolExists(const Text& name) const;
    ToolRun runTool(const Text& name, const Text& arguments, uint32_t timeoutMs);

private:
    std::map<Text, SystemTool> tools_;  // by upper-case name
    std::vector<ToolCall> calls_;
};

}  // namespace trivex::sim
