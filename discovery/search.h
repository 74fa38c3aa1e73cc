// The image search: every "*.gho" file below D:\, E:\ and F:\ into the
// result list 列表框2, on the window thread, with the search button toggling
// between starting a search and stopping it.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace trivex {

// What the search keeps between its folders and between clicks.
struct ImageSearch {
    bool walking = false;   // a search is under way (perhaps inside one of its message steps)
    bool running = false;   // it may go on; a stop request clears it
    int found = 0;          // entries added by the current search
    uint32_t stepAt = 0;    // when messages were last processed (ms)
    uint32_t paintAt = 0;   // when the result list was last repainted (ms)
};

// 搜索按钮: starts a search, or, while one is under way, asks it to stop.
// Pending window messages are processed between folders, so this may run
// inside the search it stops: that search then skips every folder it has not
// yet entered and finishes normally, with the count of what it found. A
// search never runs inside another, so the list holds each image once.
void searchButton(Platform& platform, ImageSearch& search);

// Whether a folder entry is an image: its name, or its 8.3 short name,
// matches "*.gho" the way the file system matches patterns (ASCII letters
// without regard to case). Folders never are.
bool isImageEntry(const DirEntry& entry);

// Whether the walk enters a folder entry: not "." or "..", no name starting
// with a dot, and no reparse point (a junction may lead back up the tree).
bool isSearchedFolder(const DirEntry& entry);

}  // namespace trivex
