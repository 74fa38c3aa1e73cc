// The details of a found image: its name, size and last-write date.
#pragma once

#include "platform/machine.h"

namespace trivex {

struct ImageDetails {
    Text path;
    Text name;                // the text after the last "\", the whole path without one
    int64_t size = -1;        // bytes; -1 when no file (or folder) of that name is left
    double modified = kNoDate;  // local time; kNoDate without a file
};

ImageDetails imageDetails(Machine& machine, const Text& path);

}  // namespace trivex
