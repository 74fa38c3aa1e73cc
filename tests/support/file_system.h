// The disks of the simulated machine: drives with their space, folders and
// files with attributes, times and content, folder listings, and injected
// faults. Each failing operation answers with the error number Windows
// gives in its place.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/machine.h"
#include "tests/support/paths.h"

namespace trivex::sim {

// Operations whose failure a test can inject.
// A replace (move onto an existing file) counts as a rename; Attributes is
// the machine's set-attributes operation, not the test's own set-up.
enum class Op { Write, Read, Rename, Delete, CreateFolder, Attributes };

// Error numbers the simulated file system answers with.
enum : uint32_t {
    kErrorPathNotFound = 3,
    kErrorInvalidName = 123,
    kErrorNotSameDevice = 17,
    kErrorAlreadyExists = 183,
};

struct SimNode {
    Text name;
    Text shortName;  // empty when the name is an 8.3 name
    uint32_t attributes = 0;
    double modified = kNoDate;
    Text content;
    std::map<Text, std::shared_ptr<SimNode>> children;  // by folded name

    bool isFolder() const { return (attributes & kAttrDirectory) != 0; }
};

class SimFileSystem {
public:
    SimFileSystem();

    // ---- Set-up and inspection (tests) ----
    void addDrive(char letter, uint64_t totalBytes, uint64_t freeBytes);
    void removeDrive(char letter);
    bool addFolder(const Text& path);  // missing parents too
    bool addFile(const Text& path, const Text& content, uint32_t attributes, double modified);
    std::optional<Text> content(const Text& path) const;
    bool exists(const Text& path) const;
    int64_t attributes(const Text& path) const;  // -1 when missing
    bool setAttributes(const Text& path, uint32_t attributes);
    bool setModified(const Text& path, double date);
    bool setReparsePoint(const Text& folder, bool on);
    Text shortName(const Text& path) const;
    bool removeTree(const Text& path);  // a file or a folder with everything in it
    void setClock(double date) { clock_ = date; }
    double now() const;  // the set clock, or the real local time
    void failOn(Op op, const Text& path, bool every, int after, uint32_t error);
    void clearFaults() { faults_.clear(); }
    // The error of an injected fault of that kind on that path that fires
    // now (using it up, as the operations themselves do); 0 when none does.
    uint32_t takeFault(Op op, const Text& path) { return faulted(op, locate(path).key); }

    // ---- The machine's operations ----
    SysResult writeFile(const Text& path, const std::vector<ByteView>& blocks);
    SysResult deleteFile(const Text& path);
    SysResult renameFile(const Text& from, const Text& to);
    SysResult replaceFile(const Text& from, const Text& to);
    SysResult setFileAttributes(const Text& path, uint32_t attributes);
    SysResult createFolder(const Text& path);
    SysResult readFile(const Text& path, uint64_t offset, uint32_t count, Text& out);
    bool listFolder(const Text& pattern, std::vector<DirEntry>& out) const;
    Text fullPath(const Text& path) const;
    bool sameFile(const Text& a, const Text& b) const;
    int64_t fileAttributes(const Text& path) const { return attributes(path); }
    bool diskSpace(char letter, uint64_t& totalBytes, uint64_t& freeBytes) const;

private:
    struct Drive {
        uint64_t total = 0, free = 0;
        std::shared_ptr<SimNode> root;
    };
    // A name's place: the folder that holds (or would hold) it.
    struct Place {
        Drive* drive = nullptr;
        std::shared_ptr<SimNode> folder;  // nullptr: the place does not exist
        Text name;                        // empty: the place is the root itself
        std::shared_ptr<SimNode> node;    // the entry, when it exists
        Text key;                         // folded full path (fault matching)
    };
    struct Fault {
        Op op;
        Text key;
        bool every;
        int after;  // operations that still succeed first
        uint32_t error;
    };

    Place locate(const Text& path) const;
    std::shared_ptr<SimNode> find(const Text& path) const;
    uint32_t faulted(Op op, const Text& key);
    // Files `src` under the name and folder of `dst` (whose place is free).
    SysResult move(const Place& src, const Place& dst);
    std::shared_ptr<SimNode> makeChild(SimNode& folder, const Text& name, uint32_t attributes);
    void detach(SimNode& folder, const Text& name);
    static DirEntry entryOf(const SimNode& node, const Text& name);
    // Takes `bytes` from the drive's free space; false (nothing taken) when short.
    static bool take(Drive& drive, uint64_t bytes);
    static void give(Drive& drive, uint64_t bytes);

    ResolvedPath current_;  // the process's current folder
    std::map<char, Drive> drives_;
    std::vector<Fault> faults_;
    double clock_ = kNoDate;
};

}  // namespace trivex::sim
