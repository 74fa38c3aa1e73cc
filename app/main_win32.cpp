// trivex.exe: the real machine, the program, the message loop.
#include <windows.h>

#include "app/app.h"
#include "platform/win32/win32_platform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::unique_ptr<trivex::Platform> platform = trivex::win32::makePlatform();
    trivex::App app(*platform);
    app.run();
    return 0;
}
