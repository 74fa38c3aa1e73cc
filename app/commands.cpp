#include "app/commands.h"

#include <cstring>

#include "app/keys.h"
#include "app/lifecycle.h"
#include "app/prompts.h"
#include "ui/names.h"

namespace trivex {

namespace {

struct Binding {
    const char* name;
    CommandFn fn;
};

const Binding kCommands[] = {
    {cmd::startup, startupSequence},
    {cmd::timer, timerTick},
    {cmd::destroy, mainWindowDestroyed},
    {cmd::exit, exitProgram},
    {cmd::main_key, mainWindowKey},
    {cmd::restart_now, restartNow},
    {cmd::exit_without_restart, exitWithoutRestart},
    {cmd::restart_key, restartPromptKey},
    {cmd::undo_cancel, closeUndoPrompt},
};

}  // namespace

CommandFn findCommand(const std::string& name) {
    for (const Binding& b : kCommands)
        if (name == b.name) return b.fn;
    return nullptr;
}

}  // namespace trivex
