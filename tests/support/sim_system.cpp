#include "tests/support/sim_system.h"

#include <cctype>

namespace trivex::sim {
namespace {

Text upper(Text s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

void SimSystem::installTool(const Text& name, SystemTool tool) { tools_[upper(name)] = std::move(tool); }

void SimSystem::removeTool(const Text& name) { tools_.erase(upper(name)); }

bool SimSystem::toolExists(const Text& name) const {
    return isBareToolName(name) && tools_.count(upper(name)) != 0;
}

ToolRun SimSystem::runTool(const Text& name, const Text& arguments, uint32_t timeoutMs) {
    calls_.push_back({name, arguments, timeoutMs});
    ToolRun run;
    if (!toolExists(name)) return run;
    const SystemTool tool = tools_.at(upper(name));  // the tool may replace itself meanwhile
    const ToolAnswer answer = tool(arguments);
    run.started = true;
    run.finished = answer.runsForMs < timeoutMs;
    run.exitCode = run.finished ? answer.exitCode : 1;  // else ended from outside
    run.output = answer.output;
    return run;
}

}  // namespace trivex::sim
