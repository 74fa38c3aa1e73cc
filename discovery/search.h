// The image search: every "*.gho" file below D:\, E:\ and F:\, found on the
// window thread, folder by folder; whoever watches the search shows what it
// finds and lets the user act between folders.
#pragma once

#include <cstdint>

#include "platform/machine.h"

namespace trivex {

// What the search keeps between its folders and between clicks.
struct ImageSearch {
    bool walking = false;  // a search is under way (perhaps inside one of its steps between folders)
    bool running = false;  // it may go on; a stop request clears it
    int found = 0;         // images found by the current search
};

// Who watches a search.
class SearchWatcher {
public:
    virtual ~SearchWatcher() = default;
    // A new search begins: nothing found yet.
    virtual void started() = 0;
    // An image, by its full path, in the order the walk meets them.
    virtual void found(const Text& path) = 0;
    // At the start of each folder: the user may act meanwhile (a stop
    // request comes this way). `first`: the first folder of a drive's walk
    // on the first drive. False when nobody is left to see the results:
    // the search then ends at once.
    virtual bool between(bool first) = 0;
    // A folder and everything below it is done.
    virtual void folderDone() = 0;
};

// The search button: starts a search, or, while one is under way, asks it
// to stop. Between folders the watcher may let the user act, so this may
// run inside the search it stops: that search then skips every folder it
// has not yet entered and finishes normally, with the count of what it
// found. A search never runs inside another, so each image is found once.
// True when a search ran to its end (stopped or not) and its count is for
// showing; false when this click only asked the running one to stop, or the
// watcher went away.
bool searchButton(Machine& machine, ImageSearch& search, SearchWatcher& watcher);

// Whether a folder entry is an image: its name, or its 8.3 short name,
// matches "*.gho" the way the file system matches patterns (ASCII letters
// without regard to case). Folders never are.
bool isImageEntry(const DirEntry& entry);

// Whether the walk enters a folder entry: not "." or "..", no name starting
// with a dot, and no reparse point (a junction may lead back up the tree).
bool isSearchedFolder(const DirEntry& entry);

}  // namespace trivex
