// The two modal prompts: the restart prompt after a prepared job and the
// undo prompt. Both are titled say::kPromptTitle and have no caption buttons.
#include "ui/catalogue.h"
#include "ui/layout.h"
#include "ui/names.h"
#include "ui/resources.h"

namespace trivex::ui {
namespace {

using namespace trivex::ctl;
namespace c = trivex::cmd;

const Control kRestart[] = {
    {图片框1, Kind::PictureBox, nullptr, 32, 8, 48, 40, nullptr, 0, -1, nullptr, Event::None, nullptr, nullptr, 0, nullptr, nullptr, nullptr, 0, kPromptPictureResource},
    {标签1, Kind::Label, nullptr, 90, 8, 272, 16, say::kRestartQuestion},
    {标签2, Kind::Label, nullptr, 90, 32, 320, 16, say::kRestartChoices},
    {按钮1, Kind::Button, nullptr, 120, 56, 60, 20, say::kConfirmCaption, kGroupStart, -1, nullptr, Event::Click, c::restart_now},
    {按钮2, Kind::Button, nullptr, 225, 56, 60, 20, say::kNoCaption, 0, -1, nullptr, Event::Click, c::exit_without_restart},
};

const Control kUndo[] = {
    {标签1, Kind::Label, nullptr, 102, 8, 216, 16, say::kUndoQuestion},
    {标签2, Kind::Label, nullptr, 54, 40, 272, 16, say::kUndoChoices},
    {按钮1, Kind::Button, nullptr, 64, 64, 60, 20, say::kConfirmCaption, kGroupStart, -1, nullptr, Event::Click, c::undo_confirm},
    {按钮2, Kind::Button, nullptr, 217, 64, 60, 20, say::kNoCaption, 0, -1, nullptr, Event::Click, c::undo_cancel},
};

}  // namespace

extern const WindowLayout kRestartPrompt;
const WindowLayout kRestartPrompt{
    WindowId::RestartPrompt, say::kPromptTitle, 413, 121, false, false, true, 0,
    kRestart, sizeof kRestart / sizeof kRestart[0],
    nullptr, nullptr, c::restart_key, nullptr, true,
};

extern const WindowLayout kUndoPrompt;
const WindowLayout kUndoPrompt{
    WindowId::UndoPrompt, say::kPromptTitle, 336, 124, false, false, true, 0,
    kUndo, sizeof kUndo / sizeof kUndo[0],
    nullptr, nullptr, nullptr, nullptr,
};

}  // namespace trivex::ui
