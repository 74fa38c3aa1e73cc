// session_bystander.exe <log file>: another program of the machine, with a
// window, that a restart must ask before it ends. It notes in its log file
// "asked" when the system asks whether the session may end (and agrees),
// and "saved" when it is told that the session ends, its moment to save its
// work. A restart that is forced ends it without either.
#include <windows.h>

namespace {

const char* logPath = nullptr;

void note(const char* line) {
    HANDLE f = CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(f, line, lstrlenA(line), &written, nullptr);
    WriteFile(f, "\n", 1, &written, nullptr);
    FlushFileBuffers(f);
    CloseHandle(f);
}

LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_QUERYENDSESSION: note("asked"); return TRUE;
        case WM_ENDSESSION:
            if (wp) note("saved");
            return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    logPath = argv[1];
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TrivexBystander";
    if (!RegisterClassA(&wc)) return 1;
    if (!CreateWindowA(wc.lpszClassName, "Trivex bystander", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                       wc.hInstance, nullptr))
        return 1;
    note("started");
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
    return 0;
}
