// The simulated machine's windows: one property map per open window, made
// from the window's layout table.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "ui/layout.h"

namespace trivex::sim {

struct SimControl {
    const ui::Control* row = nullptr;
    bool visible = true;
    bool enabled = true;
    bool checked = false;
    Text text;
    int64_t backColor = -1;
    int64_t currentIndex = -1;
    Text fileName;       // file dialogs
    Text initialFolder;  // file dialogs
    int64_t interval = 0;
    bool redraw = true;  // list boxes
    std::vector<std::pair<Text, intptr_t>> items;  // list and combo boxes
    std::vector<Text> panels;                      // status bars

    explicit SimControl(const ui::Control& r);
    bool isList() const { return row->kind == ui::Kind::ListBox || row->kind == ui::Kind::ComboBox; }
};

struct SimWindow {
    const ui::WindowLayout* layout = nullptr;
    uint64_t generation = 0;
    bool visible = true;
    bool destroying = false;
    std::map<std::string, SimControl> controls;  // by layout name

    SimWindow(const ui::WindowLayout& l, uint64_t gen);
};

}  // namespace trivex::sim
