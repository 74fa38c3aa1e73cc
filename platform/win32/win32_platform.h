// The real machine: the platform operations on 32-bit Windows through the
// ANSI Win32 functions (GBK texts), windows built from the layout tables.
//
// The entry point creates the platform, sets the command sink, opens the
// main window and runs the message loop:
//
//     auto platform = trivex::win32::makePlatform();
//     platform->setCommandSink(...);
//     if (!platform->openWindow(trivex::WindowId::Main, false)) ...;
//     platform->runMessageLoop();
#pragma once

#include <memory>

#include "platform/platform.h"

namespace trivex::win32 {

std::unique_ptr<trivex::Platform> makePlatform();

// The HWND of one of the program's windows (nullptr when it is not open),
// for code that must hand a window to the system itself. `platform` must
// come from makePlatform().
void* nativeWindow(trivex::Platform& platform, trivex::WindowId window);

}  // namespace trivex::win32
