// Trivex's own skin library: a DLL that gives every window of the calling
// thread the colours of a skin and draws its push buttons flat.
//
// SkinH_AttachRes(skin, size, 0, 0, 0, 0) reads the skin (skin_format.h)
// and, when it is good, skins the thread's existing windows and, through a
// CBT hook, every window that is activated later (prompts and message boxes
// included). A window is skinned by subclassing it:
//  - windows and group boxes erase their background with the skin colour;
//  - colour requests of child controls that the program leaves at the
//    system's colours get the skin's; those the program colours itself
//    (white edit boxes, transparent labels) are left as they are;
//  - push buttons are painted flat: face, border and text from the skin;
//  - status bars take the skin's background (where they honour
//    SB_SETBKCOLOR: the classic status bar does, Wine's themed one not).
// Bad skin data skins nothing. Every message that is not about colours or
// painting goes to the window's own procedure unchanged.
#include <windows.h>

#include <commctrl.h>

#include "skin/skin_format.h"

namespace {

using trivex::skin::Colors;

Colors g_colors;
bool g_attached = false;
HHOOK g_hook = nullptr;
DWORD g_thread = 0;
HBRUSH g_window = nullptr, g_field = nullptr, g_button = nullptr, g_pressed = nullptr, g_border = nullptr;

const char kProcProp[] = "TrivexSkin.Proc";
const char kKindProp[] = "TrivexSkin.Kind";

enum Kind : int { kNone = 0, kContainer = 1, kGroupBox = 2, kPushButton = 3 };

COLORREF ref(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

bool sameText(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        char x = *a, y = *b;
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return *a == *b;
}

Kind kindOf(HWND h) {
    char cls[64];
    if (GetClassNameA(h, cls, sizeof cls) <= 0) return kNone;
    const LONG style = GetWindowLongA(h, GWL_STYLE);
    if (sameText(cls, "Button")) {
        const LONG type = style & BS_TYPEMASK;
        if (type == BS_GROUPBOX) return kGroupBox;
        if ((type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) && !(style & (BS_BITMAP | BS_ICON)))
            return kPushButton;
        return kNone;
    }
    if (!(style & WS_CHILD) || sameText(cls, "#32770")) return kContainer;
    return kNone;
}

LRESULT callOriginal(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    WNDPROC original = reinterpret_cast<WNDPROC>(GetPropA(h, kProcProp));
    if (original == nullptr) return IsWindowUnicode(h) ? DefWindowProcW(h, msg, wp, lp) : DefWindowProcA(h, msg, wp, lp);
    return IsWindowUnicode(h) ? CallWindowProcW(original, h, msg, wp, lp) : CallWindowProcA(original, h, msg, wp, lp);
}

bool isSystemBrush(LRESULT r) {
    if (r == 0) return true;
    const int colors[] = {COLOR_BTNFACE, COLOR_WINDOW, COLOR_3DFACE, COLOR_SCROLLBAR};
    for (int c : colors)
        if (r == reinterpret_cast<LRESULT>(GetSysColorBrush(c))) return true;
    return false;
}

bool isEditOrList(HWND control) {
    char cls[32];
    if (GetClassNameA(control, cls, sizeof cls) <= 0) return false;
    return sameText(cls, "Edit") || sameText(cls, "ListBox") || sameText(cls, "ComboBox") ||
           sameText(cls, "ComboLBox");
}

// A child's colour request: the program's own answer wins unless it is
// only the system's default.
LRESULT controlColor(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    const LRESULT r = callOriginal(h, msg, wp, lp);
    if (!isSystemBrush(r)) return r;
    HDC dc = reinterpret_cast<HDC>(wp);
    const bool field = msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX ||
                       isEditOrList(reinterpret_cast<HWND>(lp));
    SetTextColor(dc, ref(field ? g_colors.fieldText : g_colors.text));
    SetBkColor(dc, ref(field ? g_colors.field : g_colors.window));
    return reinterpret_cast<LRESULT>(field ? g_field : g_window);
}

void fillBackground(HWND h, HDC dc) {
    RECT rc;
    GetClientRect(h, &rc);
    FillRect(dc, &rc, g_window);
}

void paintButton(HWND h, HDC dc) {
    RECT rc;
    GetClientRect(h, &rc);
    const LRESULT state = SendMessageA(h, BM_GETSTATE, 0, 0);
    const bool pushed = (state & BST_PUSHED) != 0;
    const bool focused = (state & BST_FOCUS) != 0;
    const bool enabled = IsWindowEnabled(h) != FALSE;
    FillRect(dc, &rc, pushed ? g_pressed : g_button);
    FrameRect(dc, &rc, g_border);

    char text[256];
    const int n = GetWindowTextA(h, text, sizeof text);
    HGDIOBJ oldFont = nullptr;
    if (HFONT font = reinterpret_cast<HFONT>(SendMessageA(h, WM_GETFONT, 0, 0))) oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ref(enabled ? g_colors.buttonText : g_colors.disabledText));
    RECT box = rc;
    InflateRect(&box, -4, -2);
    RECT need = box;
    const UINT flags = DT_CENTER | DT_WORDBREAK;
    DrawTextA(dc, text, n, &need, flags | DT_CALCRECT);
    const int height = need.bottom - need.top;
    box.top += ((box.bottom - box.top) - height) / 2;
    if (pushed) OffsetRect(&box, 1, 1);
    DrawTextA(dc, text, n, &box, flags);
    if (oldFont) SelectObject(dc, oldFont);
    if (focused) {
        RECT f = rc;
        InflateRect(&f, -3, -3);
        SetTextColor(dc, ref(g_colors.buttonText));
        DrawFocusRect(dc, &f);
    }
}

void repaintButton(HWND h) {
    if (!IsWindowVisible(h)) return;
    if (HDC dc = GetDC(h)) {
        paintButton(h, dc);
        ReleaseDC(h, dc);
    }
}

void unskin(HWND h);

LRESULT CALLBACK skinnedProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    const int kind = static_cast<int>(reinterpret_cast<INT_PTR>(GetPropA(h, kKindProp)));
    if (msg == WM_NCDESTROY) {
        const LRESULT r = callOriginal(h, msg, wp, lp);
        unskin(h);
        return r;
    }
    switch (msg) {
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORMSGBOX:
            if (kind == kContainer) return controlColor(h, msg, wp, lp);
            break;
        case WM_ERASEBKGND:
            if (kind == kContainer || kind == kGroupBox) {
                fillBackground(h, reinterpret_cast<HDC>(wp));
                return 1;
            }
            if (kind == kPushButton) return 1;
            break;
        case WM_PAINT:
            if (kind == kPushButton) {
                PAINTSTRUCT ps;
                if (HDC dc = BeginPaint(h, &ps)) {
                    paintButton(h, dc);
                    EndPaint(h, &ps);
                }
                return 0;
            }
            break;
        case WM_PRINTCLIENT:
            if (kind == kPushButton) {
                paintButton(h, reinterpret_cast<HDC>(wp));
                return 0;
            }
            break;
        case BM_SETSTATE:
        case BM_SETSTYLE:
        case BM_SETCHECK:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE:
        case WM_SETTEXT:
        case WM_UPDATEUISTATE:
        case WM_CAPTURECHANGED:
        case WM_LBUTTONUP:
        case WM_KEYUP:
            if (kind == kPushButton) {
                // The button draws some state changes at once, outside
                // WM_PAINT: draw over them.
                const LRESULT r = callOriginal(h, msg, wp, lp);
                if (IsWindow(h)) repaintButton(h);
                return r;
            }
            break;
        default:
            break;
    }
    return callOriginal(h, msg, wp, lp);
}

void skin(HWND h) {
    if (GetPropA(h, kProcProp) != nullptr) return;
    char cls[64];
    if (GetClassNameA(h, cls, sizeof cls) > 0 && sameText(cls, STATUSCLASSNAMEA)) {
        SendMessageA(h, SB_SETBKCOLOR, 0, static_cast<LPARAM>(ref(g_colors.status)));
        return;
    }
    const Kind kind = kindOf(h);
    if (kind == kNone) return;
    const bool wide = IsWindowUnicode(h) != FALSE;
    LONG_PTR original = wide ? GetWindowLongPtrW(h, GWLP_WNDPROC) : GetWindowLongPtrA(h, GWLP_WNDPROC);
    if (original == 0) return;
    if (!SetPropA(h, kProcProp, reinterpret_cast<HANDLE>(original))) return;
    SetPropA(h, kKindProp, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(kind)));
    const LONG_PTR ours = reinterpret_cast<LONG_PTR>(&skinnedProc);
    if ((wide ? SetWindowLongPtrW(h, GWLP_WNDPROC, ours) : SetWindowLongPtrA(h, GWLP_WNDPROC, ours)) == 0) {
        RemovePropA(h, kProcProp);
        RemovePropA(h, kKindProp);
    }
}

// Puts the window's own procedure back, if nobody subclassed it after us.
void unskin(HWND h) {
    HANDLE original = GetPropA(h, kProcProp);
    if (original == nullptr) return;
    const bool wide = IsWindowUnicode(h) != FALSE;
    const LONG_PTR current = wide ? GetWindowLongPtrW(h, GWLP_WNDPROC) : GetWindowLongPtrA(h, GWLP_WNDPROC);
    if (current == reinterpret_cast<LONG_PTR>(&skinnedProc)) {
        if (wide)
            SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        else
            SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    }
    RemovePropA(h, kProcProp);
    RemovePropA(h, kKindProp);
}

BOOL CALLBACK skinChild(HWND h, LPARAM) {
    skin(h);
    return TRUE;
}

BOOL CALLBACK unskinChild(HWND h, LPARAM) {
    unskin(h);
    return TRUE;
}

void skinTree(HWND top) {
    skin(top);
    EnumChildWindows(top, skinChild, 0);
    RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

BOOL CALLBACK skinTop(HWND h, LPARAM) {
    skinTree(h);
    return TRUE;
}

BOOL CALLBACK unskinTop(HWND h, LPARAM) {
    EnumChildWindows(h, unskinChild, 0);
    unskin(h);
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    return TRUE;
}

// A window that becomes active has all its controls: skin it whole.
LRESULT CALLBACK cbtHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_ACTIVATE) skinTree(reinterpret_cast<HWND>(wp));
    return CallNextHookEx(g_hook, code, wp, lp);
}

void dropBrushes() {
    HBRUSH* all[] = {&g_window, &g_field, &g_button, &g_pressed, &g_border};
    for (HBRUSH* b : all) {
        if (*b) DeleteObject(*b);
        *b = nullptr;
    }
}

void detach() {
    if (!g_attached) return;
    if (g_hook) UnhookWindowsHookEx(g_hook);
    g_hook = nullptr;
    EnumThreadWindows(g_thread, unskinTop, 0);
    dropBrushes();
    g_attached = false;
}

}  // namespace

extern "C" {

// Skins the calling thread's windows with the skin in `data`. The other
// four arguments are not used. Returns 1 when the skin was applied, 0 when
// the data is no usable skin (then nothing changes).
int __stdcall SkinH_AttachRes(const void* data, int size, const char*, int, int, int) {
    Colors c;
    if (size <= 0 || !trivex::skin::parseSkin(static_cast<const char*>(data), static_cast<uint32_t>(size), c))
        return 0;
    detach();
    g_colors = c;
    g_window = CreateSolidBrush(ref(c.window));
    g_field = CreateSolidBrush(ref(c.field));
    g_button = CreateSolidBrush(ref(c.button));
    g_pressed = CreateSolidBrush(ref(c.buttonPressed));
    g_border = CreateSolidBrush(ref(c.buttonBorder));
    if (!g_window || !g_field || !g_button || !g_pressed || !g_border) {
        dropBrushes();
        return 0;
    }
    g_thread = GetCurrentThreadId();
    g_attached = true;
    g_hook = SetWindowsHookExA(WH_CBT, cbtHook, nullptr, g_thread);
    EnumThreadWindows(g_thread, skinTop, 0);
    return 1;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_DETACH) detach();
    return TRUE;
}

}  // extern "C"
