// The partition-count probe: a diskpart script run hidden, its console
// output read back through a pipe.
#pragma once

#include "platform/platform.h"

namespace trivex {

class App;

// The partition count of disk 0 in the script's output: the byte at position
// 19 ("磁盘 0        含有3": "磁盘" takes four bytes), trailing spaces removed;
// empty when the output is shorter.
Text partitionCountOf(const Text& output);

// Writes the script to C:\fqs.bat (the main window's destroy event removes
// it again), runs it with its output captured (window messages keep
// being processed meanwhile) and sets the program's partition-count text.
void probePartitionCount(App& app);

}  // namespace trivex
