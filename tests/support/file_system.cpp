#include "tests/support/file_system.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include "platform/text.h"

namespace trivex::sim {
namespace {

constexpr uint32_t kProtected = kAttrReadOnly | kAttrHidden | kAttrSystem;

char upperDrive(char letter) {
    if (letter >= 'a' && letter <= 'z') return static_cast<char>(letter - 'a' + 'A');
    return letter;
}

// A file's attribute word as Windows keeps it: without other bits it reads
// "normal" (0x80); with any other bit, "normal" is dropped.
uint32_t fileAttributeWord(uint32_t attributes) {
    attributes &= ~static_cast<uint32_t>(kAttrDirectory);
    if (attributes & ~static_cast<uint32_t>(kAttrNormal)) attributes &= ~static_cast<uint32_t>(kAttrNormal);
    return attributes == 0 ? kAttrNormal : attributes;
}

uint64_t bytesBelow(const SimNode& node) {
    uint64_t total = node.content.size();
    for (const auto& [key, child] : node.children) total += bytesBelow(*child);
    return total;
}

}  // namespace

SimFileSystem::SimFileSystem() {
    current_.valid = true;
    current_.drive = 'C';
}

double SimFileSystem::now() const {
    if (clock_ != kNoDate) return clock_;
    const std::time_t t = std::time(nullptr);
    const std::tm* local = std::localtime(&t);
    if (local == nullptr) return kNoDate;
    return text::dateFromParts({local->tm_year + 1900, local->tm_mon + 1, local->tm_mday, local->tm_hour,
                                local->tm_min, local->tm_sec});
}

// ---- Set-up and inspection ------------------------------------------------------

void SimFileSystem::addDrive(char letter, uint64_t totalBytes, uint64_t freeBytes) {
    letter = upperDrive(letter);
    if (letter < 'A' || letter > 'Z') return;
    Drive& d = drives_[letter];
    d.total = totalBytes;
    d.free = freeBytes;
    if (!d.root) {
        d.root = std::make_shared<SimNode>();
        d.root->attributes = kAttrDirectory;
        d.root->modified = now();
    }
}

void SimFileSystem::removeDrive(char letter) { drives_.erase(upperDrive(letter)); }

bool SimFileSystem::addFolder(const Text& path) {
    const ResolvedPath r = resolvePath(path, current_);
    if (!r.valid) return false;
    const auto d = drives_.find(r.drive);
    if (d == drives_.end()) return false;
    std::shared_ptr<SimNode> node = d->second.root;
    for (const Text& part : r.parts) {
        const auto it = node->children.find(foldName(part));
        if (it == node->children.end()) {
            node = makeChild(*node, part, kAttrDirectory);
        } else if (it->second->isFolder()) {
            node = it->second;
        } else {
            return false;
        }
    }
    return true;
}

bool SimFileSystem::addFile(const Text& path, const Text& content, uint32_t attributes, double modified) {
    ResolvedPath r = resolvePath(path, current_);
    if (!r.valid || r.parts.empty()) return false;
    const Text name = r.parts.back();
    r.parts.pop_back();
    if (!addFolder(toText(r))) return false;
    const Place pl = locate(path);
    if (!pl.folder) return false;
    std::shared_ptr<SimNode> node = pl.node;
    if (node && node->isFolder()) return false;
    if (!node) node = makeChild(*pl.folder, name, 0);
    node->content = content;
    node->attributes = fileAttributeWord(attributes);
    node->modified = modified == kNoDate ? now() : modified;
    return true;
}

std::optional<Text> SimFileSystem::content(const Text& path) const {
    const auto node = find(path);
    if (!node || node->isFolder()) return std::nullopt;
    return node->content;
}

bool SimFileSystem::exists(const Text& path) const { return find(path) != nullptr; }

int64_t SimFileSystem::attributes(const Text& path) const {
    const auto node = find(path);
    return node ? static_cast<int64_t>(node->attributes) : -1;
}

bool SimFileSystem::setAttributes(const Text& path, uint32_t attributes) {
    const auto node = find(path);
    if (!node) return false;
    if (node->isFolder()) {
        node->attributes = (attributes | kAttrDirectory) & ~static_cast<uint32_t>(kAttrNormal);
    } else {
        node->attributes = fileAttributeWord(attributes);
    }
    return true;
}

bool SimFileSystem::setModified(const Text& path, double date) {
    const auto node = find(path);
    if (!node) return false;
    node->modified = date;
    return true;
}

bool SimFileSystem::setReparsePoint(const Text& folder, bool on) {
    const auto node = find(folder);
    if (!node || !node->isFolder()) return false;
    if (on) node->attributes |= kAttrReparsePoint;
    else node->attributes &= ~static_cast<uint32_t>(kAttrReparsePoint);
    return true;
}

Text SimFileSystem::shortName(const Text& path) const {
    const auto node = find(path);
    return node ? node->shortName : Text();
}

bool SimFileSystem::removeTree(const Text& path) {
    const Place pl = locate(path);
    if (!pl.node || !pl.folder) return false;
    give(*pl.drive, bytesBelow(*pl.node));
    detach(*pl.folder, pl.name);
    return true;
}

void SimFileSystem::failOn(Op op, const Text& path, bool every, int after, uint32_t error) {
    const ResolvedPath r = resolvePath(path, current_);
    if (r.valid) faults_.push_back({op, foldName(toText(r)), every, after, error});
}

// ---- Internals ---------------------------------------------------------------------

SimFileSystem::Place SimFileSystem::locate(const Text& path) const {
    Place pl;
    const ResolvedPath r = resolvePath(path, current_);
    if (!r.valid) return pl;
    const auto d = drives_.find(r.drive);
    if (d == drives_.end()) return pl;
    pl.drive = const_cast<Drive*>(&d->second);
    pl.key = foldName(toText(r));
    std::shared_ptr<SimNode> node = d->second.root;
    if (r.parts.empty()) {
        pl.node = node;  // the root: no folder holds it
        return pl;
    }
    for (size_t i = 0; i + 1 < r.parts.size(); ++i) {
        const auto it = node->children.find(foldName(r.parts[i]));
        if (it == node->children.end() || !it->second->isFolder()) return pl;
        node = it->second;
    }
    pl.folder = node;
    pl.name = r.parts.back();
    const auto it = node->children.find(foldName(pl.name));
    if (it != node->children.end()) {
        pl.node = it->second;
    } else {
        // An 8.3 name leads to its file as the long name does.
        const Text folded = foldName(pl.name);
        for (const auto& [key, child] : node->children)
            if (!child->shortName.empty() && foldName(child->shortName) == folded) {
                pl.node = child;
                pl.name = child->name;
                pl.key = foldName(toText(r)).substr(0, pl.key.size() - folded.size()) + key;
                break;
            }
    }
    return pl;
}

std::shared_ptr<SimNode> SimFileSystem::find(const Text& path) const { return locate(path).node; }

uint32_t SimFileSystem::faulted(Op op, const Text& key) {
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (it->op != op || it->key != key) continue;
        if (it->after > 0) {
            --it->after;
            return 0;
        }
        const uint32_t error = it->error;
        if (!it->every) faults_.erase(it);
        return error;
    }
    return 0;
}

std::shared_ptr<SimNode> SimFileSystem::makeChild(SimNode& folder, const Text& name, uint32_t attributes) {
    auto node = std::make_shared<SimNode>();
    node->name = name;
    if (!isShortName(name)) {
        node->shortName = makeShortName(name, [&folder](const Text& folded) {
            for (const auto& [key, child] : folder.children)
                if (key == folded || foldName(child->shortName) == folded) return true;
            return false;
        });
    }
    node->attributes = attributes;
    node->modified = now();
    folder.children[foldName(name)] = node;
    return node;
}

void SimFileSystem::detach(SimNode& folder, const Text& name) { folder.children.erase(foldName(name)); }

DirEntry SimFileSystem::entryOf(const SimNode& node, const Text& name) {
    DirEntry e;
    e.name = name;
    e.shortName = name == node.name ? node.shortName : Text();
    e.attributes = node.attributes;
    e.size = node.isFolder() ? 0 : static_cast<int64_t>(node.content.size());
    e.modified = node.modified;
    return e;
}

bool SimFileSystem::take(Drive& drive, uint64_t bytes) {
    if (bytes > drive.free) return false;
    drive.free -= bytes;
    return true;
}

void SimFileSystem::give(Drive& drive, uint64_t bytes) {
    // Never above the total, unless the drive was set up that way.
    drive.free = std::max(drive.free, std::min(drive.total, drive.free + bytes));
}

// ---- The machine's operations ------------------------------------------------------

namespace {
SysResult failed(uint32_t error) { return SysResult::failed(error); }
// The error for a path whose folder is missing, or whose file is.
uint32_t missing(bool folderThere) { return folderThere ? uint32_t{kErrorFileNotFound} : uint32_t{kErrorPathNotFound}; }
}  // namespace

SysResult SimFileSystem::writeFile(const Text& path, const std::vector<ByteView>& blocks) {
    if (path.empty()) return failed(kErrorInvalidName);
    const Place pl = locate(path);
    if (!pl.folder) return failed(kErrorPathNotFound);
    if (const uint32_t e = faulted(Op::Write, pl.key)) return failed(e);
    std::shared_ptr<SimNode> node = pl.node;
    if (node) {
        // Create-always refuses folders, read-only, hidden and system files.
        if (node->isFolder() || (node->attributes & kProtected)) return failed(kErrorAccessDenied);
        give(*pl.drive, node->content.size());
        node->content.clear();
        node->attributes = kAttrArchive;
    } else {
        node = makeChild(*pl.folder, pl.name, kAttrArchive);
    }
    node->modified = now();
    for (const ByteView& b : blocks) {
        if (b.size == 0) continue;
        if (b.data == nullptr) return failed(kErrorInvalidName);
        const uint64_t room = std::min<uint64_t>(b.size, pl.drive->free);
        node->content.append(static_cast<const char*>(b.data), static_cast<size_t>(room));
        pl.drive->free -= room;
        if (room < b.size) return failed(kErrorDiskFull);  // the file keeps what fitted
    }
    return SysResult::ok();
}

SysResult SimFileSystem::deleteFile(const Text& path) {
    const Place pl = locate(path);
    if (!pl.node || !pl.folder) return failed(missing(pl.folder != nullptr));
    if (const uint32_t e = faulted(Op::Delete, pl.key)) return failed(e);
    const SimNode& node = *pl.node;
    if (node.isFolder() || (node.attributes & kAttrReadOnly)) return failed(kErrorAccessDenied);
    give(*pl.drive, node.content.size());
    detach(*pl.folder, pl.name);
    return SysResult::ok();
}

SysResult SimFileSystem::renameFile(const Text& from, const Text& to) {
    const Place src = locate(from);
    const Place dst = locate(to);
    if (!src.node || !src.folder) return failed(missing(src.folder != nullptr));
    if (!dst.folder) return failed(kErrorPathNotFound);
    if (const uint32_t e = faulted(Op::Rename, src.key)) return failed(e);
    if (const uint32_t e = faulted(Op::Rename, dst.key)) return failed(e);
    if (dst.node && dst.node != src.node) return failed(kErrorAlreadyExists);
    return move(src, dst);
}

SysResult SimFileSystem::replaceFile(const Text& from, const Text& to) {
    const Place src = locate(from);
    Place dst = locate(to);
    if (!src.node || !src.folder) return failed(missing(src.folder != nullptr));
    if (src.node->isFolder()) return failed(kErrorAccessDenied);
    if (!dst.folder) return failed(kErrorPathNotFound);
    if (const uint32_t e = faulted(Op::Rename, src.key)) return failed(e);
    if (const uint32_t e = faulted(Op::Rename, dst.key)) return failed(e);
    if (dst.node && dst.node != src.node) {
        if (src.drive != dst.drive) return failed(kErrorNotSameDevice);
        if (dst.node->isFolder() || (dst.node->attributes & kAttrReadOnly)) return failed(kErrorAccessDenied);
        give(*dst.drive, dst.node->content.size());
        detach(*dst.folder, dst.name);
        dst.name = locate(to).name;
    }
    return move(src, dst);
}

SysResult SimFileSystem::move(const Place& src, const Place& dst) {
    const std::shared_ptr<SimNode> node = src.node;
    const uint64_t size = bytesBelow(*node);
    if (src.drive != dst.drive) {
        if (node->isFolder()) return failed(kErrorNotSameDevice);  // folders stay on their drive
        if (!take(*dst.drive, size)) return failed(kErrorDiskFull);
        give(*src.drive, size);
    } else if (node->isFolder() && dst.key.compare(0, src.key.size() + 1, src.key + "\\") == 0) {
        return failed(kErrorAccessDenied);  // into itself
    }
    detach(*src.folder, src.name);
    node->name = dst.name;
    node->shortName.clear();
    if (!isShortName(dst.name)) {
        SimNode& folder = *dst.folder;
        node->shortName = makeShortName(dst.name, [&folder](const Text& folded) {
            for (const auto& [key, child] : folder.children)
                if (key == folded || foldName(child->shortName) == folded) return true;
            return false;
        });
    }
    dst.folder->children[foldName(dst.name)] = node;
    return SysResult::ok();
}

SysResult SimFileSystem::setFileAttributes(const Text& path, uint32_t attributes) {
    const Place pl = locate(path);
    if (!pl.node || !pl.folder) return failed(missing(pl.folder != nullptr));
    if (const uint32_t e = faulted(Op::Attributes, pl.key)) return failed(e);
    setAttributes(path, attributes);
    return SysResult::ok();
}

SysResult SimFileSystem::createFolder(const Text& path) {
    const Place pl = locate(path);
    if (!pl.folder) return failed(kErrorPathNotFound);
    if (const uint32_t e = faulted(Op::CreateFolder, pl.key)) return failed(e);
    if (pl.node) return failed(kErrorAlreadyExists);
    makeChild(*pl.folder, pl.name, kAttrDirectory);
    return SysResult::ok();
}

SysResult SimFileSystem::readFile(const Text& path, uint64_t offset, uint32_t count, Text& out) {
    out.clear();
    if (path.empty()) return failed(kErrorInvalidName);
    const Place pl = locate(path);
    if (!pl.node || !pl.folder) return failed(missing(pl.folder != nullptr));
    if (pl.node->isFolder()) return failed(kErrorAccessDenied);
    if (const uint32_t e = faulted(Op::Read, pl.key)) return failed(e);
    const Text& c = pl.node->content;
    if (offset < c.size()) out = c.substr(static_cast<size_t>(offset), count);
    return SysResult::ok();
}

Text SimFileSystem::fullPath(const Text& path) const {
    const ResolvedPath r = resolvePath(path, current_);
    return r.valid ? toText(r) : Text();
}

bool SimFileSystem::sameFile(const Text& a, const Text& b) const {
    const std::shared_ptr<SimNode> x = find(a);
    return x && x == find(b);
}

bool SimFileSystem::listFolder(const Text& pattern, std::vector<DirEntry>& out) const {
    out.clear();
    ResolvedPath r = resolvePath(pattern, current_, true);
    if (!r.valid || r.parts.empty()) return false;  // a root or folder with "\" at the end
    const Text mask = r.parts.back();
    r.parts.pop_back();
    const auto d = drives_.find(r.drive);
    if (d == drives_.end()) return false;

    std::shared_ptr<SimNode> parent, folder = d->second.root;
    for (const Text& part : r.parts) {
        const auto it = folder->children.find(foldName(part));
        if (it == folder->children.end() || !it->second->isFolder()) return false;
        parent = folder;
        folder = it->second;
    }
    if (parent) {  // every folder but a drive's root lists "." and ".."
        if (wildcardMatch(mask, ".")) out.push_back(entryOf(*folder, "."));
        if (wildcardMatch(mask, "..")) out.push_back(entryOf(*parent, ".."));
    }
    for (const auto& [key, child] : folder->children) {
        // Like Windows, a pattern may match an entry by its short name too:
        // "*.gho" lists "backup.ghost" through "BACKUP~1.GHO".
        const bool match = wildcardMatch(mask, child->name) ||
                           (!child->shortName.empty() && wildcardMatch(mask, child->shortName));
        if (match) out.push_back(entryOf(*child, child->name));
    }
    return !out.empty();
}

bool SimFileSystem::diskSpace(char letter, uint64_t& totalBytes, uint64_t& freeBytes) const {
    letter = letter == 0 ? current_.drive : upperDrive(letter);
    const auto d = drives_.find(letter);
    if (d == drives_.end()) return false;
    totalBytes = d->second.total;
    freeBytes = d->second.free;
    return true;
}

}  // namespace trivex::sim
