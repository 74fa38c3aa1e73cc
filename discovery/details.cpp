#include "discovery/details.h"

#include "platform/files.h"
#include "platform/text.h"

namespace trivex {

ImageDetails imageDetails(Machine& machine, const Text& path) {
    ImageDetails d;
    d.path = path;
    // The last "\" found character by character: a trail byte may be 0x5C.
    const int64_t slash = text::findBackwards(path, "\\");
    d.name = slash < 0 ? path : path.substr(static_cast<size_t>(slash));
    d.size = fileSize(machine, path);
    if (d.size >= 0) d.modified = fileModTime(machine, path);
    return d;
}

}  // namespace trivex
