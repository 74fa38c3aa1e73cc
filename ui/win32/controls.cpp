// Controls as child windows: creation from the layout rows, their
// properties, list contents, status-bar panels and colours.

#include <algorithm>
#include <cstring>
#include <vector>

#include "ui/win32/win32_toolkit.h"

#include <commctrl.h>  // needs <windows.h> first

namespace trivex::win32 {
namespace {

using ui::Kind;

constexpr int kFirstControlId = 100;  // clear of IDOK and IDCANCEL

COLORREF colorRef(int64_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// The background a control starts with: the layout's colour, white for
// edit boxes and "white background" rows, else the system's.
int64_t initialBackColor(const ui::Control& row) {
    if (row.backColor >= 0) return row.backColor & 0xFFFFFF;
    if (row.kind == Kind::Edit || (row.state & ui::kWhiteBack)) return 0xFFFFFF;
    return -1;
}

Text windowText(HWND h) {
    int n = GetWindowTextLengthA(h);
    if (n <= 0) return Text();
    std::vector<char> buf(2 * static_cast<size_t>(n) + 2, '\0');  // as for panels
    int got = GetWindowTextA(h, buf.data(), static_cast<int>(buf.size()));
    return Text(buf.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

// Group boxes are real parents. Their children's notifications and colour
// requests go to the group box, which hands them on to the top window.
WNDPROC g_buttonProc = nullptr;

LRESULT CALLBACK groupBoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND || msg == WM_NOTIFY || isControlColor(msg)) {
        HWND top = GetAncestor(hwnd, GA_ROOT);
        if (top && top != hwnd) return SendMessageA(top, msg, wp, lp);
        return CallWindowProcA(g_buttonProc, hwnd, msg, wp, lp);
    }
    switch (msg) {
        case WM_ERASEBKGND: {
            // The box paints only its frame; its inside gets the window colour.
            RECT rc;
            GetClientRect(hwnd, &rc);
            FillRect(reinterpret_cast<HDC>(wp), &rc, GetSysColorBrush(COLOR_BTNFACE));
            return 1;
        }
        default:
            break;
    }
    return CallWindowProcA(g_buttonProc, hwnd, msg, wp, lp);
}

struct WindowKind {
    const char* className;
    DWORD style;
    DWORD exStyle;
};

WindowKind windowKindOf(const ui::Control& row) {
    const bool group = row.kind != Kind::RadioButton || (row.state & ui::kGroupStart);
    const DWORD focusable = WS_TABSTOP | (group ? WS_GROUP : 0);
    switch (row.kind) {
        case Kind::GroupBox: return {"BUTTON", BS_GROUPBOX, WS_EX_CONTROLPARENT};
        case Kind::Button: return {"BUTTON", BS_PUSHBUTTON | BS_MULTILINE | focusable, 0};
        case Kind::RadioButton: return {"BUTTON", BS_AUTORADIOBUTTON | focusable, 0};
        case Kind::CheckBox:
            return {"BUTTON", BS_AUTOCHECKBOX | focusable | ((row.state & ui::kFlat) ? BS_FLAT : 0), 0};
        case Kind::Label:
        case Kind::TransparentLabel: return {"STATIC", SS_LEFT | SS_NOPREFIX, 0};
        case Kind::Edit: return {"EDIT", ES_LEFT | ES_AUTOHSCROLL | focusable, WS_EX_CLIENTEDGE};
        case Kind::ListBox:
            return {"LISTBOX",
                    LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | (row.columns ? LBS_USETABSTOPS : 0) | WS_VSCROLL | focusable,
                    WS_EX_CLIENTEDGE};
        case Kind::ComboBox: return {"COMBOBOX", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | focusable, 0};
        case Kind::StatusBar: return {STATUSCLASSNAMEA, 0, 0};
        case Kind::PictureBox: return {"STATIC", SS_BITMAP | SS_CENTERIMAGE, 0};
        case Kind::Timer:
        case Kind::FileDialog: break;
    }
    return {nullptr, 0, 0};
}

void setUpStatusBar(HWND bar, const ui::Control& row) {
    int panels = 0;
    if (row.panelTexts)
        while (row.panelTexts[panels]) ++panels;
    if (panels == 0 || !row.panelWidths) return;
    std::vector<int> edges(static_cast<size_t>(panels));
    int right = 0;
    for (int i = 0; i < panels; ++i) {
        int w = row.panelWidths[i];
        edges[static_cast<size_t>(i)] = w < 0 ? -1 : (right += w);
    }
    SendMessageA(bar, SB_SETPARTS, static_cast<WPARAM>(panels), reinterpret_cast<LPARAM>(edges.data()));
    for (int i = 0; i < panels; ++i)
        SendMessageA(bar, SB_SETTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(row.panelTexts[i]));
}

// The closed box gets the table's height, and its list, when dropped, at
// least the table's drop height. Both depend on the font, so they are
// measured and corrected rather than computed.
void sizeComboBox(HWND combo, const ui::Control& row) {
    RECT r;
    GetWindowRect(combo, &r);
    const int closed = r.bottom - r.top;
    const int field = static_cast<int>(SendMessageA(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
    if (closed != row.h && field > 0 && field - (closed - row.h) > 0)
        SendMessageA(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field - (closed - row.h));
    if (row.dropHeight <= 0) return;
    RECT dropped{};
    SendMessageA(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    const int missing = row.dropHeight - (dropped.bottom - dropped.top);
    // For a combo box the window height given is the height when dropped.
    if (missing > 0)
        SetWindowPos(combo, nullptr, 0, 0, row.w, row.h + row.dropHeight + missing,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void fillComboBox(HWND combo, const ui::Control& row) {
    int count = 0;
    if (row.items)
        for (; row.items[count]; ++count)
            SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.items[count]));
    if (count > 0) SendMessageA(combo, CB_SETCURSEL, 0, 0);
    if (row.caption && (count == 0 || std::strcmp(row.caption, row.items[0]) != 0))
        SetWindowTextA(combo, row.caption);
}

// A list's columns start where its heading labels do. The list draws each
// entry with its tab stops counted from the left edge of its client area,
// in quarters of its font's average character width (which it measures the
// way GdiGetCharDimensions does): each heading's left edge, in the list's
// client coordinates, becomes a tab stop in those units. Labels draw their
// text from their left edge, so each field starts under its heading's text.
void alignTabStops(WindowState& ws, ControlState& list) {
    if (!list.row->columns || !list.hwnd) return;
    HDC dc = GetDC(list.hwnd);
    if (!dc) return;
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(list.hwnd, WM_GETFONT, 0, 0)));
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE size{};
    const BOOL measured = GetTextExtentPoint32A(dc, kLetters, 52, &size);
    SelectObject(dc, old);
    ReleaseDC(list.hwnd, dc);
    const int average = measured ? (size.cx / 26 + 1) / 2 : 0;
    if (average <= 0) return;
    std::vector<INT> stops;
    for (const char* const* name = list.row->columns; *name; ++name) {
        ControlState* label = ws.find(*name);
        RECT r;
        if (!label || !label->hwnd || !GetWindowRect(label->hwnd, &r)) return;
        POINT left{r.left, r.top};
        ScreenToClient(list.hwnd, &left);
        stops.push_back((left.x * 4 + average / 2) / average);
    }
    SendMessageA(list.hwnd, LB_SETTABSTOPS, stops.size(), reinterpret_cast<LPARAM>(stops.data()));
}

bool combo(const ControlState& c) { return c.row->kind == Kind::ComboBox; }
bool isList(const ControlState& c) { return c.hwnd && (c.row->kind == Kind::ListBox || combo(c)); }

// A transparent label shows what is behind it, so a change of its text
// must repaint its parent under it.
void repaintBehind(HWND h) {
    HWND parent = GetParent(h);
    if (!parent) return;
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    RedrawWindow(parent, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace

HFONT Win32Toolkit::fontFor(WindowState& ws, const ui::Font* font) {
    HFONT fallback = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (!font) return fallback;
    for (auto& [f, obj] : ws.fonts)
        if (f == font) return static_cast<HFONT>(obj.get());
    HFONT made = CreateFontA(-font->height, 0, 0, 0, font->bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                             static_cast<DWORD>(font->charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font->face);
    if (!made) return fallback;
    ws.fonts.emplace_back(font, GdiObject(made));
    return made;
}

void Win32Toolkit::applyBackColor(ControlState& c, int64_t rgb) {
    c.backColor = rgb < 0 ? -1 : (rgb & 0xFFFFFF);
    c.brush.reset(c.backColor < 0 ? nullptr : CreateSolidBrush(colorRef(c.backColor)));
}

void Win32Toolkit::setTimer(WindowState& ws, ControlState& c, int interval, bool running) {
    c.interval = interval;
    c.running = running;
    if (running && interval > 0)
        SetTimer(ws.hwnd, static_cast<UINT_PTR>(c.id), static_cast<UINT>(interval), nullptr);
    else
        KillTimer(ws.hwnd, static_cast<UINT_PTR>(c.id));
}

bool Win32Toolkit::createControls(WindowState& ws) {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    const ui::WindowLayout& layout = *ws.layout;
    int nextId = kFirstControlId;
    for (size_t i = 0; i < layout.count; ++i) {
        const ui::Control& row = layout.controls[i];
        auto owned = std::make_unique<ControlState>();
        ControlState& c = *owned;
        c.row = &row;
        c.id = nextId++;
        ws.controls.push_back(std::move(owned));

        if (!windowKindOf(row).className) c.text = row.caption ? row.caption : "";
        if (row.kind == Kind::Timer) {
            setTimer(ws, c, row.interval, !(row.state & ui::kDisabled));
            continue;
        }
        if (row.kind == Kind::FileDialog) {
            if (row.dialog) {
                c.fileName = row.dialog->fileName ? row.dialog->fileName : "";
                c.initialFolder = row.dialog->initialFolder ? row.dialog->initialFolder : "";
            }
            continue;
        }

        HWND parent = ws.hwnd;
        if (row.parent) {
            ControlState* box = ws.find(row.parent);
            if (!box || !box->hwnd) return false;
            parent = box->hwnd;
        }
        WindowKind k = windowKindOf(row);
        DWORD style = WS_CHILD | k.style;
        if (!(row.state & ui::kHidden)) style |= WS_VISIBLE;
        if (row.state & ui::kDisabled) style |= WS_DISABLED;
        int height = row.h;
        if (row.kind == Kind::ComboBox) height += row.dropHeight > 0 ? row.dropHeight : 100;
        const char* caption = row.kind == Kind::ComboBox ? "" : (row.caption ? row.caption : "");
        c.hwnd = CreateWindowExA(k.exStyle, k.className, caption, style, row.x, row.y, row.w, height, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), inst, nullptr);
        if (!c.hwnd) return false;
        SendMessageA(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(fontFor(ws, row.font)), FALSE);
        applyBackColor(c, initialBackColor(row));

        switch (row.kind) {
            case Kind::GroupBox: {
                WNDPROC old = reinterpret_cast<WNDPROC>(
                    SetWindowLongPtrA(c.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(groupBoxProc)));
                if (!g_buttonProc) g_buttonProc = old;
                break;
            }
            case Kind::RadioButton:
            case Kind::CheckBox:
                if (row.state & ui::kChecked) SendMessageA(c.hwnd, BM_SETCHECK, BST_CHECKED, 0);
                break;
            case Kind::ComboBox:
                fillComboBox(c.hwnd, row);
                sizeComboBox(c.hwnd, row);
                break;
            case Kind::Label:
            case Kind::TransparentLabel: paintOwnText(c.hwnd); break;
            case Kind::StatusBar: setUpStatusBar(c.hwnd, row); break;
            case Kind::PictureBox:
                if (row.resource) {
                    c.picture.reset(LoadImageA(inst, MAKEINTRESOURCEA(row.resource), IMAGE_BITMAP, 0, 0,
                                               LR_DEFAULTCOLOR));
                    if (c.picture)
                        SendMessageA(c.hwnd, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(c.picture.get()));
                }
                break;
            default: break;
        }
    }
    // Once every control has its place and font.
    for (auto& c : ws.controls) alignTabStops(ws, *c);
    if (layout.typingControls)
        for (const char* const* name = layout.typingControls; *name; ++name)
            if (ControlState* c = ws.find(*name)) ws.typing.push_back(c->hwnd);
    return true;
}

void Win32Toolkit::releaseControls(WindowState& ws) {
    ws.typing.clear();
    ws.controls.clear();  // brushes and pictures go with them
    ws.fonts.clear();
}

bool Win32Toolkit::onCommand(WindowState& ws, WPARAM wp, LPARAM lp) {
    ControlState* c = ws.findWindow(reinterpret_cast<HWND>(lp));
    // A control the user cannot reach (greyed or hidden) raises no events.
    if (!c || !c->row->command || !IsWindowEnabled(c->hwnd) || !IsWindowVisible(c->hwnd)) return false;
    const ui::Control& row = *c->row;
    const UINT code = HIWORD(wp);
    bool bound = false;
    switch (row.kind) {
        case Kind::Button:
        case Kind::RadioButton:
        case Kind::CheckBox: bound = row.event == ui::Event::Click && code == BN_CLICKED; break;
        case Kind::ListBox: bound = row.event == ui::Event::Select && code == LBN_SELCHANGE; break;
        default: break;
    }
    if (!bound) return false;
    fire(ws.id, row.command, 0);  // `ws` may be gone afterwards
    return true;
}

LRESULT Win32Toolkit::onControlColor(WindowState& ws, UINT, WPARAM wp, LPARAM lp, bool& handled) {
    ControlState* c = ws.findWindow(reinterpret_cast<HWND>(lp));
    if (!c) return 0;
    HDC dc = reinterpret_cast<HDC>(wp);
    if (c->row->kind == Kind::TransparentLabel) {
        SetBkMode(dc, TRANSPARENT);
        handled = true;
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }
    if (c->brush) {
        SetBkColor(dc, colorRef(c->backColor));
        handled = true;
        return reinterpret_cast<LRESULT>(c->brush.get());
    }
    return 0;
}

ControlState* Win32Toolkit::control(WindowId w, const char* name) {
    WindowState* ws = stateOf(w);
    return ws ? ws->find(name) : nullptr;
}

// ---- Properties -------------------------------------------------------------

Text Win32Toolkit::getText(WindowId w, const char* name) {
    ControlState* c = control(w, name);
    if (!c) return Text();
    return c->hwnd ? windowText(c->hwnd) : c->text;
}

void Win32Toolkit::setText(WindowId w, const char* name, const Text& text) {
    ControlState* c = control(w, name);
    if (!c) return;
    if (!c->hwnd) {
        c->text = text;
        return;
    }
    SetWindowTextA(c->hwnd, text.c_str());
    if (c->row->kind == Kind::TransparentLabel) repaintBehind(c->hwnd);
}

int64_t Win32Toolkit::getProp(WindowId w, const char* name, Prop p) {
    ControlState* c = control(w, name);
    if (!c) return 0;
    const Kind kind = c->row->kind;
    HWND h = c->hwnd;
    switch (p) {
        case Prop::Visible:
            return h ? ((GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE) ? 1 : 0) : 1;
        case Prop::Enabled:
            if (kind == Kind::Timer) return c->running ? 1 : 0;
            return h ? (IsWindowEnabled(h) ? 1 : 0) : 1;
        case Prop::Checked:
            if (kind != Kind::RadioButton && kind != Kind::CheckBox) return 0;
            return SendMessageA(h, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
        case Prop::BackColor: return c->backColor;
        case Prop::CurrentIndex:
            if (kind == Kind::ComboBox) return static_cast<int>(SendMessageA(h, CB_GETCURSEL, 0, 0));
            if (kind == Kind::ListBox) {
                // A list where nothing is selected has no current item, although
                // its caret still marks one.
                if (SendMessageA(h, LB_GETCURSEL, 0, 0) == LB_ERR) return -1;
                return static_cast<int>(SendMessageA(h, LB_GETCARETINDEX, 0, 0));
            }
            return -1;
        case Prop::Interval: return c->interval;
        case Prop::Redraw: return c->redraw ? 1 : 0;
        case Prop::Text:
        case Prop::FileName:
        case Prop::InitialFolder: break;
    }
    return 0;
}

void Win32Toolkit::setProp(WindowId w, const char* name, Prop p, int64_t value) {
    WindowState* ws = stateOf(w);
    ControlState* c = ws ? ws->find(name) : nullptr;
    if (!c) return;
    const Kind kind = c->row->kind;
    HWND h = c->hwnd;
    switch (p) {
        case Prop::Visible:
        case Prop::Enabled:
            if (kind == Kind::Timer && p == Prop::Enabled) {
                setTimer(*ws, *c, c->interval, value != 0);
                return;
            }
            if (!h) return;
            // A control that goes away or goes grey hands the focus to its window,
            // so that the keyboard keeps working.
            if (value == 0 && within(h, GetFocus())) SetFocus(ws->hwnd);
            if (p == Prop::Visible)
                ShowWindow(h, value ? SW_SHOW : SW_HIDE);
            else
                EnableWindow(h, value != 0);
            return;
        case Prop::Checked:
            if (kind == Kind::RadioButton || kind == Kind::CheckBox)
                SendMessageA(h, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
            return;
        case Prop::BackColor:
            applyBackColor(*c, value);
            if (h) InvalidateRect(h, nullptr, TRUE);
            return;
        case Prop::CurrentIndex:
            if (kind == Kind::ComboBox) SendMessageA(h, CB_SETCURSEL, static_cast<WPARAM>(value), 0);
            if (kind == Kind::ListBox) SendMessageA(h, LB_SETCURSEL, static_cast<WPARAM>(value), 0);
            return;
        case Prop::Interval:
            if (kind == Kind::Timer) setTimer(*ws, *c, static_cast<int>(value), c->running);
            return;
        case Prop::Redraw:
            // While held, new entries neither repaint the list nor redraw its
            // scroll bar; released, the list catches up at its next paint.
            if (kind != Kind::ListBox || !h || c->redraw == (value != 0)) return;
            c->redraw = value != 0;
            SendMessageA(h, WM_SETREDRAW, c->redraw ? TRUE : FALSE, 0);
            if (c->redraw) InvalidateRect(h, nullptr, TRUE);
            return;
        case Prop::Text:
        case Prop::FileName:
        case Prop::InitialFolder: return;
    }
}

Text Win32Toolkit::getTextProp(WindowId w, const char* name, Prop p) {
    ControlState* c = control(w, name);
    if (!c) return Text();
    if (p == Prop::FileName) return c->fileName;
    if (p == Prop::InitialFolder) return c->initialFolder;
    if (p == Prop::Text) return getText(w, name);
    return Text();
}

void Win32Toolkit::setTextProp(WindowId w, const char* name, Prop p, const Text& value) {
    ControlState* c = control(w, name);
    if (!c) return;
    if (p == Prop::FileName) c->fileName = value;
    else if (p == Prop::InitialFolder) c->initialFolder = value;
    else if (p == Prop::Text) setText(w, name, value);
}

// ---- Status bar and lists ------------------------------------------------------

void Win32Toolkit::setPanelText(WindowId w, const char* name, int panel, const Text& text) {
    ControlState* c = control(w, name);
    if (!c || c->row->kind != Kind::StatusBar || !c->hwnd) return;
    int panels = static_cast<int>(SendMessageA(c->hwnd, SB_GETPARTS, 0, 0));
    if (panel < 0 || panel >= panels) return;
    SendMessageA(c->hwnd, SB_SETTEXTA, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(text.c_str()));
}

Text Win32Toolkit::panelText(WindowId w, const char* name, int panel) {
    ControlState* c = control(w, name);
    if (!c || c->row->kind != Kind::StatusBar || !c->hwnd) return Text();
    int panels = static_cast<int>(SendMessageA(c->hwnd, SB_GETPARTS, 0, 0));
    if (panel < 0 || panel >= panels) return Text();
    // The length may count characters rather than bytes: room for two bytes each.
    size_t n = LOWORD(SendMessageA(c->hwnd, SB_GETTEXTLENGTHA, static_cast<WPARAM>(panel), 0));
    std::vector<char> buf(2 * n + 2, '\0');
    SendMessageA(c->hwnd, SB_GETTEXTA, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(buf.data()));
    return Text(buf.data(), std::strlen(buf.data()));
}

int Win32Toolkit::listCount(WindowId w, const char* name) {
    ControlState* c = control(w, name);
    if (!c || !isList(*c)) return 0;
    LRESULT n = SendMessageA(c->hwnd, combo(*c) ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
    return n < 0 ? 0 : static_cast<int>(n);
}

Text Win32Toolkit::listItem(WindowId w, const char* name, int index) {
    ControlState* c = control(w, name);
    if (!c || !isList(*c) || index < 0) return Text();
    const bool cb = combo(*c);
    LRESULT n = SendMessageA(c->hwnd, cb ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (n < 0) return Text();  // LB_ERR, CB_ERR: no such item
    std::vector<char> buf(2 * static_cast<size_t>(n) + 2, '\0');  // as for panels
    LRESULT got = SendMessageA(c->hwnd, cb ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(index),
                               reinterpret_cast<LPARAM>(buf.data()));
    if (got < 0) return Text();
    return Text(buf.data(), std::strlen(buf.data()));
}

int Win32Toolkit::listAdd(WindowId w, const char* name, const Text& text) {
    ControlState* c = control(w, name);
    if (!c || !isList(*c)) return -1;
    const bool cb = combo(*c);
    LRESULT i = SendMessageA(c->hwnd, cb ? CB_ADDSTRING : LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (i < 0) return -1;  // LB_ERR, LB_ERRSPACE and their CB_ twins
    return static_cast<int>(i);
}

void Win32Toolkit::listClear(WindowId w, const char* name) {
    ControlState* c = control(w, name);
    if (c && isList(*c)) SendMessageA(c->hwnd, combo(*c) ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
}

}  // namespace trivex::win32
