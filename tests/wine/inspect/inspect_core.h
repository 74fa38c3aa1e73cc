// Reading another process's windows from outside: the window tree with
// every control's class, text, state, geometry, list items and status-bar
// panels, as a test sees them. Texts are the ANSI (GBK) bytes the target
// reports; nothing is converted.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace trivex::inspect {

struct Control {
    HWND hwnd = nullptr;
    int depth = 1;          // 1: a child of the top-level window
    std::string cls;        // window class name
    std::string text;       // WM_GETTEXT
    bool visible = false;   // the control's own WS_VISIBLE bit
    bool enabled = false;
    int checked = -1;       // BM_GETCHECK for check boxes and radio buttons, else -1
    int x = 0, y = 0, w = 0, h = 0;  // relative to the parent's client area
    DWORD style = 0;
    // List boxes and combo boxes.
    bool hasItems = false;
    std::vector<std::string> items;
    int current = -1;
    int droppedHeight = -1;  // combo boxes: height of the list when dropped down
    // Status bars.
    std::vector<int> partEdges;  // right edge of each panel, -1 = to the end
    std::vector<std::string> panels;
    std::vector<Control> children;
};

struct Window {
    HWND hwnd = nullptr;
    DWORD pid = 0;
    std::string cls, title;
    bool visible = false, enabled = false;
    RECT rect{};            // outer rectangle on the screen
    int clientW = 0, clientH = 0;
    DWORD style = 0;
    std::vector<Control> children;
};

// Top-level windows whose title is exactly `title` (any process when pid 0).
std::vector<HWND> findWindows(const std::string& title, DWORD pid = 0);
// The first visible one, else the first one, else nullptr.
HWND findWindow(const std::string& title, DWORD pid = 0);

// Reads the whole tree below `hwnd`. Siblings are sorted by position (top,
// then left), so the order does not depend on the z-order. Combo boxes are
// leaves (their edit field and list are reported as the combo's text and items).
// Without `contents`, only what needs no message to the window's program:
// classes, styles, places and the tree (no texts, items, checks or panels),
// which a busy program does not hold up.
Window inspectWindow(HWND hwnd, bool contents = true);

// `text` in double quotes: bytes 0x80 and above as they are (GBK), control
// characters, backslash and quote escaped C-style.
std::string quoted(const std::string& text);
// One line for the window and one per control (items and panels on lines of
// their own below their control), without the line end.
std::string describe(const Window& w);
std::string describe(const Control& c);
void printTree(FILE* out, const Window& w);

// Standard output and error as bytes: no LF -> CR LF, so that scripts read
// exactly the bytes printed.
void binaryStdio();

// WM_GETTEXT of any window (empty on failure or timeout).
std::string windowText(HWND hwnd);

}  // namespace trivex::inspect
