#include "app/commands.h"

#include "app/app.h"
#include "app/discovery_commands.h"
#include "app/job_commands.h"
#include "app/keys.h"
#include "app/lifecycle.h"
#include "app/prompts.h"
#include "app/window_commands.h"
#include "ui/names.h"

namespace trivex {

namespace {

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
    {cmd::mode_refresh, modeRefresh},
    {cmd::partition_select, partitionSelect},
    {cmd::custom_ghost_switch, customGhostSwitch},
    {cmd::browse_custom_ghost, browseCustomGhost},
    {cmd::manual_switch, manualSwitch},
    {cmd::help_about, helpAbout},
    {cmd::help_usage, helpUsage},
    {cmd::help_why, helpWhy},
    {cmd::contact, contact},
    {cmd::choose_image, chooseImage},
    {cmd::prepare_job, prepareJob},
    {cmd::undo, askUndo},
    {cmd::undo_confirm, undoConfirmed},
    {cmd::ghost32_switch, ghost32Switch},
    {cmd::search, searchCommand},
    {cmd::image_details, imageDetailsCommand},
};

}  // namespace

CommandFn findCommand(const std::string& name) {
    for (const Binding& b : kCommands)
        if (name == b.name) return b.fn;
    return nullptr;
}

}  // namespace trivex
