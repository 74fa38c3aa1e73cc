#include "discovery/search.h"

#include <vector>

#include "platform/text.h"

namespace trivex {

namespace {

constexpr const char* kSearchDrives[] = {"D:\\", "E:\\", "F:\\"};

// Whether the name ends in the character "." and the three letters "gho" in
// any case. The characters are walked from the start, so that a byte that
// only looks like the dot (the trail of a two-byte character) does not count.
bool endsWithGho(const Text& name) {
    const size_t n = name.size();
    if (n < 4) return false;
    size_t i = 0;
    while (i < n - 4) i += text::isLeadByte(name[i]) ? 2 : 1;
    if (i != n - 4 || name[i] != '.') return false;
    auto is = [&](size_t k, char lower) { return name[k] == lower || name[k] == lower - ('a' - 'A'); };
    return is(n - 3, 'g') && is(n - 2, 'h') && is(n - 1, 'o');
}

// Whether the path's last character is a backslash (a two-byte character
// whose trail byte is 0x5C is not).
bool endsWithBackslash(const Text& path) {
    size_t i = 0, last = Text::npos;
    while (i < path.size()) {
        last = i;
        i += text::isLeadByte(path[i]) ? 2 : 1;
    }
    return last != Text::npos && path[last] == '\\' && last + 1 == path.size();
}

struct Walk {
    Machine& machine;
    ImageSearch& search;
    SearchWatcher& watcher;
    bool gone = false;  // nobody is left to see the results
};

// One folder: its own images in listing order, then each of its subfolders in
// listing order, depth first. The folder is listed once ("*"); the images
// are picked from that listing as a listing of "*.gho" would return them.
void walkFolder(Walk& walk, Text folder, bool first = false) {
    if (!walk.watcher.between(first)) {
        walk.gone = true;
        return;
    }
    if (walk.search.running) {
        if (!endsWithBackslash(folder)) folder += '\\';
        std::vector<Text> subfolders;
        std::vector<DirEntry> entries;
        if (walk.machine.listFolder(folder + "*", entries)) {
            for (const DirEntry& entry : entries) {
                if (isImageEntry(entry)) {
                    ++walk.search.found;
                    walk.watcher.found(folder + entry.name);
                } else if (isSearchedFolder(entry)) {
                    subfolders.push_back(entry.name);
                }
            }
        }
        for (const Text& name : subfolders) {
            walkFolder(walk, folder + name);
            if (walk.gone) return;
        }
    }
    walk.watcher.folderDone();
}

}  // namespace

bool isImageEntry(const DirEntry& entry) {
    if (entry.attributes & kAttrDirectory) return false;
    return endsWithGho(entry.name) || endsWithGho(entry.shortName);
}

bool isSearchedFolder(const DirEntry& entry) {
    if (!(entry.attributes & kAttrDirectory) || (entry.attributes & kAttrReparsePoint)) return false;
    return !entry.name.empty() && entry.name[0] != '.';
}

bool searchButton(Machine& machine, ImageSearch& search, SearchWatcher& watcher) {
    if (search.walking) {
        search.running = false;
        return false;
    }
    search.walking = true;
    search.running = true;
    search.found = 0;
    watcher.started();
    Walk walk{machine, search, watcher};
    bool first = true;
    for (const char* drive : kSearchDrives) {
        walkFolder(walk, drive, first);
        first = false;
        if (walk.gone) break;
    }
    search.walking = false;
    return !walk.gone;
}

}  // namespace trivex
