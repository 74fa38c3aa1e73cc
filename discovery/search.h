// The image search: every "*.gho" file below D:\, E:\ and F:\ into the
// result list 列表框2, on the window thread, with the search button toggling
// between starting a search and stopping it.
#pragma once

#include "platform/platform.h"

namespace trivex {

class App;

// 搜索按钮: starts a search while it reads "搜索(&S)", asks the running one to
// stop while it reads "停止(&S)". Pending window messages are processed once
// per folder, so this may run inside a search that is already going: a
// click while the caption still reads "搜索(&S)" starts a search of its own
// (which clears the list and the count), and the outer one then goes on with
// its remaining folders, adding to the same list and count.
void searchButton(App& app, WindowId, int);

// Whether a folder entry is an image: its name, or its 8.3 short name,
// matches "*.gho" the way the file system matches patterns (ASCII letters
// without regard to case). Folders never are.
bool isImageEntry(const DirEntry& entry);

// Whether the walk enters a folder entry: not "." or "..", no name starting
// with a dot, and no reparse point (a junction may lead back up the tree).
bool isSearchedFolder(const DirEntry& entry);

}  // namespace trivex
