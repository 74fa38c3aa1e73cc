// trivex.exe: the real machine, the real windows, the program, the message loop.
#include <windows.h>

#include <cstdlib>

#include "app/app.h"
#include "platform/win32/win32_machine.h"
#include "ui/catalogue.h"
#include "ui/win32/one_copy.h"
#include "ui/win32/win32_toolkit.h"

// An exception that nobody catches ends the program. The C++ library's own
// handler for that would write the exception's type, demangled, to a console
// this window program does not have, and would bring the demangler (about
// 50 KB of code) with it; this one just ends the program.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

// The program is built without exceptions, so whatever the C++ library
// would throw (a string grown past its largest size, memory that runs out,
// an index out of range) can only end the program. Its own helpers would
// first build the exception, and bring its error classes, the old string
// they keep their texts in and the unwinder (about 70 KB) with them; these
// end the program at once, as an uncaught exception does.
namespace std {
[[noreturn]] void __throw_bad_alloc() { std::abort(); }
[[noreturn]] void __throw_bad_array_new_length() { std::abort(); }
[[noreturn]] void __throw_length_error(const char*) { std::abort(); }
[[noreturn]] void __throw_logic_error(const char*) { std::abort(); }
[[noreturn]] void __throw_out_of_range(const char*) { std::abort(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
[[noreturn]] void __throw_invalid_argument(const char*) { std::abort(); }
[[noreturn]] void __throw_bad_function_call() { std::abort(); }
}  // namespace std

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    trivex::win32::Win32Toolkit windows;
    // One copy at a time: a second start hands over to the first and ends.
    switch (trivex::win32::claimOneCopy()) {
        case trivex::win32::OneCopy::First: break;
        case trivex::win32::OneCopy::BroughtForward: return 0;
        case trivex::win32::OneCopy::RunsElsewhere:
            windows.messageBox(trivex::say::kAnotherCopyRuns, 0, trivex::say::kBoxCaption);
            return 0;
    }
    trivex::win32::Win32Machine machine;
    trivex::App app(machine, windows);
    app.run();
    return 0;
}
