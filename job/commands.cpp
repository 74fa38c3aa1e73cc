#include "job/commands.h"

#include "job/job_flow.h"
#include "job/manual_ghost.h"
#include "job/undo.h"
#include "ui/names.h"

namespace trivex {

namespace {

const Binding kJobCommands[] = {
    {cmd::choose_image, job::chooseImage},
    {cmd::prepare_job, job::prepareJob},
    {cmd::undo, job::askUndo},
    {cmd::undo_confirm, job::undoJob},
    {cmd::ghost32_switch, job::ghost32Switch},
};

}  // namespace

BindingTable jobCommands() { return {kJobCommands, sizeof kJobCommands / sizeof kJobCommands[0]}; }

}  // namespace trivex
