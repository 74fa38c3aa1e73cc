// fixture_window.exe: a window with one control of each kind the inspector
// reads, with GBK texts, for the inspector's own test. Esc or WM_CLOSE ends it.
#include <windows.h>

#include <commctrl.h>

namespace {

HWND make(const char* cls, const char* text, DWORD style, int x, int y, int w, int h, HWND parent) {
    HWND hwnd = CreateWindowExA(0, cls, text, WS_CHILD | style, x, y, w, h, parent, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    return hwnd;
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSA wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "InspectFixture";
    RegisterClassA(&wc);

    const int w = 400, h = 300;
    HWND top = CreateWindowExA(0, wc.lpszClassName, "检查夹具", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU |
                               WS_MINIMIZEBOX, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                               (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h, nullptr, nullptr, instance, nullptr);

    HWND group = make("BUTTON", "", WS_VISIBLE | BS_GROUPBOX, 8, 8, 200, 150, top);
    HWND check = make("BUTTON", "选择(&C)", WS_VISIBLE | BS_AUTOCHECKBOX, 10, 14, 90, 20, group);
    SendMessageA(check, BM_SETCHECK, BST_CHECKED, 0);
    make("EDIT", "路径\\\"引号\"", WS_VISIBLE | WS_DISABLED | WS_BORDER, 10, 40, 120, 20, group);
    HWND list = make("LISTBOX", "", WS_VISIBLE | WS_BORDER | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 10, 70, 180, 60, group);
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("  C:           5120\r\n"));
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("第二项"));
    SendMessageA(list, LB_SETCURSEL, 1, 0);

    HWND combo = make("COMBOBOX", "", WS_VISIBLE | CBS_DROPDOWN | WS_VSCROLL, 220, 14, 100, 180, top);
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("快速压缩"));
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("高压缩"));
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    make("STATIC", "隐藏的\r\n两行", 0, 220, 60, 100, 40, top);

    HWND status = make(STATUSCLASSNAMEA, "", WS_VISIBLE, 0, 0, 0, 0, top);
    int edges[] = {90, -1};
    SendMessageA(status, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(edges));
    SendMessageA(status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>("友情提示："));
    SendMessageA(status, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(""));

    ShowWindow(top, SW_SHOW);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
            DestroyWindow(top);
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
