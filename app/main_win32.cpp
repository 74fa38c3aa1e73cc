// trivex.exe: the real machine, the program, the message loop.
#include <windows.h>

#include <cstdlib>

#include "app/app.h"
#include "platform/win32/win32_platform.h"

// An exception that nobody catches ends the program. The C++ library's own
// handler for that would write the exception's type, demangled, to a console
// this window program does not have, and would bring the demangler (about
// 50 KB of code) with it; this one just ends the program.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::unique_ptr<trivex::Platform> platform = trivex::win32::makePlatform();
    trivex::App app(*platform);
    app.run();
    return 0;
}
