// The partition-count probe: a diskpart script run hidden, its console
// output read back through a pipe.
#pragma once

#include "platform/machine.h"

namespace trivex {

// The partition count of disk 0 in the script's output, read from position
// 19 ("磁盘 0        含有3": "磁盘" takes four bytes): the whole number that
// starts there, however many digits it has. Any other byte there is taken
// as it is, trailing spaces removed. Empty when the output is shorter.
Text partitionCountOf(const Text& output);

// Writes the script to C:\fqs.bat (the main window's destroy event removes
// it again), runs it with its output captured (window messages keep being
// processed meanwhile) and returns the partition-count text.
Text probePartitionCount(Machine& platform);

}  // namespace trivex
