#include "app/keys.h"

#include "app/app.h"
#include "ui/names.h"

namespace trivex {

namespace {

struct KeyBinding {
    int key;
    const char* checks;    // control whose check state the key sets, or nullptr
    const char* unchecks;  // control the key unchecks (the other radio button), or nullptr
    const char* command;   // command the key runs, or nullptr
};

// B chooses backup mode as a click on its radio button does (nothing while
// the button is disabled), so that the mode shown is the mode that runs; G
// and M only set their check boxes.
const KeyBinding kKeys[] = {
    {'B', ctl::备份单选框, ctl::还原单选框, cmd::mode_refresh},
    {'F', nullptr, nullptr, cmd::choose_image},
    {'G', ctl::G选择框, nullptr, nullptr},
    {'M', ctl::手动选择框, nullptr, nullptr},
    {'P', nullptr, nullptr, cmd::browse_custom_ghost},
    {'S', nullptr, nullptr, cmd::choose_image},
    {'U', nullptr, nullptr, cmd::undo},
    {'X', nullptr, nullptr, cmd::exit},
    {'Y', nullptr, nullptr, cmd::prepare_job},
};

}  // namespace

void mainWindowKey(App& app, WindowId window, int virtualKey) {
    for (const KeyBinding& k : kKeys) {
        if (k.key != virtualKey) continue;
        if (k.unchecks && !app.windows.getProp(window, k.checks, Prop::Enabled)) return;
        if (k.checks) app.windows.setProp(window, k.checks, Prop::Checked, 1);
        if (k.unchecks) app.windows.setProp(window, k.unchecks, Prop::Checked, 0);
        if (k.command) app.dispatch(window, k.command, 0);
        return;
    }
}

}  // namespace trivex
