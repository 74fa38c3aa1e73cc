#include "app/keys.h"

#include "app/app.h"
#include "ui/names.h"

namespace trivex {

namespace {

struct KeyBinding {
    int key;
    const char* checks;   // control whose check state the key sets, or nullptr
    const char* command;  // command the key runs, or nullptr
};

const KeyBinding kKeys[] = {
    {'B', ctl::备份单选框, nullptr},
    {'F', nullptr, cmd::choose_image},
    {'G', ctl::G选择框, nullptr},
    {'M', ctl::手动选择框, nullptr},
    {'P', nullptr, cmd::browse_custom_ghost},
    {'S', nullptr, cmd::choose_image},
    {'U', nullptr, cmd::undo},
    {'X', nullptr, cmd::exit},
    {'Y', nullptr, cmd::prepare_job},
};

}  // namespace

void mainWindowKey(App& app, WindowId window, int virtualKey) {
    for (const KeyBinding& k : kKeys) {
        if (k.key != virtualKey) continue;
        if (k.checks) app.platform.setProp(window, k.checks, Prop::Checked, 1);
        if (k.command) app.dispatch(window, k.command, 0);
        return;
    }
}

}  // namespace trivex
