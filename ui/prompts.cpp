// The two modal prompts: the restart prompt after a prepared job and the
// undo prompt. Both are titled "Trivex Ghost" and have no caption buttons.
#include "ui/layout.h"
#include "ui/names.h"
#include "ui/resources.h"

namespace trivex::ui {
namespace {

using namespace trivex::ctl;
namespace c = trivex::cmd;

const Control kRestart[] = {
    {图片框1, Kind::PictureBox, nullptr, 32, 8, 48, 40, nullptr, 0, -1, nullptr, Event::None, nullptr, nullptr, 0, nullptr, nullptr, nullptr, 0, kPromptPictureResource},
    {标签1, Kind::Label, nullptr, 90, 8, 272, 16, "程序处理完成，是否马上重启计算机进行还原？"},
    {标签2, Kind::Label, nullptr, 90, 32, 320, 16, "选择“是(Y)”立即重启计算机，选择“否(N)”退出程序。"},
    {按钮1, Kind::Button, nullptr, 120, 56, 60, 20, "确定(&Y)", kGroupStart, -1, nullptr, Event::Click, c::restart_now},
    {按钮2, Kind::Button, nullptr, 225, 56, 60, 20, "取消(&N)", 0, -1, nullptr, Event::Click, c::exit_without_restart},
};

const Control kUndo[] = {
    {标签1, Kind::Label, nullptr, 102, 8, 216, 16, "您要撤销之前的操作吗？"},
    {标签2, Kind::Label, nullptr, 54, 40, 272, 16, "选择“是(Y)”撤销操作，选择“否(N)”返回。"},
    {按钮1, Kind::Button, nullptr, 64, 64, 60, 20, "确定(&Y)", kGroupStart, -1, nullptr, Event::Click, c::undo_confirm},
    {按钮2, Kind::Button, nullptr, 217, 64, 60, 20, "取消(&N)", 0, -1, nullptr, Event::Click, c::undo_cancel},
};

}  // namespace

extern const WindowLayout kRestartPrompt;
const WindowLayout kRestartPrompt{
    WindowId::RestartPrompt, "Trivex Ghost", 413, 121, false, false, true, 0,
    kRestart, sizeof kRestart / sizeof kRestart[0],
    nullptr, nullptr, c::restart_key, nullptr, true,
};

extern const WindowLayout kUndoPrompt;
const WindowLayout kUndoPrompt{
    WindowId::UndoPrompt, "Trivex Ghost", 336, 124, false, false, true, 0,
    kUndo, sizeof kUndo / sizeof kUndo[0],
    nullptr, nullptr, nullptr, nullptr,
};

}  // namespace trivex::ui
