#include "ui/layout.h"

#include <cstring>

namespace trivex::ui {

extern const WindowLayout kMainWindow;
extern const WindowLayout kRestartPrompt;
extern const WindowLayout kUndoPrompt;

const WindowLayout& layoutOf(WindowId id) {
    switch (id) {
        case WindowId::RestartPrompt: return kRestartPrompt;
        case WindowId::UndoPrompt: return kUndoPrompt;
        case WindowId::Main: break;
    }
    return kMainWindow;
}

const Control* findControl(const WindowLayout& layout, const char* name) {
    for (size_t i = 0; i < layout.count; ++i)
        if (std::strcmp(layout.controls[i].name, name) == 0) return &layout.controls[i];
    return nullptr;
}

}  // namespace trivex::ui
