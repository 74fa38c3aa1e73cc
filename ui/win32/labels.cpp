// Labels paint their own text. A static control would wrap a line that is a
// few pixels wider than the label onto a second line (SS_LEFT) or cut off
// its last characters (SS_LEFTNOWORDWRAP): the layout's widths are those of
// its texts in the fonts it was drawn with, and the system's fonts differ
// from machine to machine by a few pixels. Here every line of the text
// stands on one line of its own, whole: a line wider than the label is
// drawn in a narrower cut of the same font, just narrow enough to fit.

#include <algorithm>
#include <vector>

#include "ui/win32/win32_toolkit.h"

namespace trivex::win32 {
namespace {

WNDPROC g_staticProc = nullptr;

std::vector<char> textOf(HWND h) {
    std::vector<char> buf(2 * static_cast<size_t>(std::max(GetWindowTextLengthA(h), 0)) + 2, '\0');
    buf.resize(static_cast<size_t>(std::max(GetWindowTextA(h, buf.data(), static_cast<int>(buf.size())), 0)));
    return buf;
}

int widthOf(HDC dc, const char* line, int n) {
    SIZE size{};
    return GetTextExtentPoint32A(dc, line, n, &size) ? size.cx : 0;
}

// Draws one line in `box`, narrowed when it is wider than the box.
void drawLine(HDC dc, HFONT font, const char* line, int n, RECT box) {
    const int width = box.right - box.left;
    GdiObject narrow;
    int wide = widthOf(dc, line, n);
    if (wide > width && width > 0) {
        LOGFONTA lf{};
        TEXTMETRICA tm{};
        GetObjectA(font, sizeof lf, &lf);
        GetTextMetricsA(dc, &tm);
        // Glyph widths scale with the font's average width; the result is
        // measured again, since rounding may leave it a pixel too wide.
        for (LONG w = std::max<LONG>(1, tm.tmAveCharWidth * width / wide); w >= 1 && wide > width; --w) {
            lf.lfWidth = w;
            narrow.reset(CreateFontIndirectA(&lf));
            if (!narrow) break;
            SelectObject(dc, narrow.get());
            wide = widthOf(dc, line, n);
        }
    }
    DrawTextA(dc, line, n, &box, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_EXPANDTABS);
    SelectObject(dc, font);  // before `narrow` goes
}

void paintLabel(HWND h, HDC dc) {
    RECT rc;
    GetClientRect(h, &rc);
    // The colours come from the parent, as a static asks for them; a
    // transparent label gets the hollow brush and leaves the parent showing.
    const auto brush = reinterpret_cast<HBRUSH>(
        SendMessageA(GetParent(h), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(h)));
    if (brush && brush != GetStockObject(NULL_BRUSH)) FillRect(dc, &rc, brush);
    if (!IsWindowEnabled(h)) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    auto font = reinterpret_cast<HFONT>(SendMessageA(h, WM_GETFONT, 0, 0));
    if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    const HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);

    const std::vector<char> text = textOf(h);
    RECT line = rc;
    size_t start = 0;
    while (start <= text.size() && line.top < rc.bottom) {
        size_t end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
        line.bottom = line.top + tm.tmHeight;
        drawLine(dc, font, text.data() + start, static_cast<int>(end - start), line);
        line.top = line.bottom;
        if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ++end;
        start = end + 1;
    }
    SelectObject(dc, old);
}

LRESULT CALLBACK labelProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            if (HDC dc = BeginPaint(h, &ps)) {
                paintLabel(h, dc);
                EndPaint(h, &ps);
            }
            return 0;
        }
        case WM_PRINTCLIENT:
            paintLabel(h, reinterpret_cast<HDC>(wp));
            return 0;
        case WM_ENABLE:
            InvalidateRect(h, nullptr, TRUE);
            break;
        default:
            break;
    }
    return CallWindowProcA(g_staticProc, h, msg, wp, lp);
}

}  // namespace

void paintOwnText(HWND label) {
    const auto old = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(label, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(labelProc)));
    if (!g_staticProc) g_staticProc = old;
}

}  // namespace trivex::win32
