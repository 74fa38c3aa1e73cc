// Line-oriented file access by file number, the same for every platform.
#pragma once

#include <map>
#include <memory>

#include "platform/platform.h"

namespace trivex {

// Access modes and sharing values of `LineFiles::open`.
enum : int {
    kModeRead = 1, kModeWrite = 2, kModeReadWrite = 3,  // existing file only
    kModeRewrite = 4,                                    // create or truncate
    kModeWriteCreate = 5, kModeReadWriteCreate = 6,      // create when missing
};
enum : int { kShareAll = 1, kShareNoRead = 2, kShareNoWrite = 3, kShareExclusive = 4 };

class LineFiles {
public:
    explicit LineFiles(Platform& platform) : platform_(platform) {}
    // File number > 0, 0 on failure (bad mode, sharing or path included).
    int open(const Text& path, int mode = kModeReadWrite, int sharing = kShareAll);
    // Next line without its line end; empty at the end or for an unknown number.
    Text readLine(int number);
    // True at or past the end; with endMarker 1, a next byte 0 or 0x1A counts as the end.
    bool atEnd(int number, int endMarker = 0);
    bool rewind(int number);
    void close(int number);

private:
    Platform& platform_;
    std::map<int, std::unique_ptr<RawFile>> files_;
    int next_ = 1;
};

}  // namespace trivex
