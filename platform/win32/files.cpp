// Files, folders, folder listings, raw file access and drive space.
#include <cctype>
#include <cstring>

#include "platform/files.h"
#include "platform/text.h"
#include "platform/win32/platform_impl.h"

namespace trivex::win32 {

double dateOfFileTime(const FILETIME& utc) {
    FILETIME local;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return kNoDate;
    return text::dateFromParts({st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond});
}

double Win32Platform::localTime() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return text::dateFromParts({st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond});
}

namespace {

void fillEntry(const WIN32_FIND_DATAA& fd, DirEntry& out) {
    out.name = fd.cFileName;
    out.shortName = fd.cAlternateFileName;
    out.attributes = fd.dwFileAttributes;
    out.size = static_cast<int64_t>((static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow);
    out.modified = dateOfFileTime(fd.ftLastWriteTime);
}

// The first entry matching `path`, false when there is none.
bool firstMatch(const Text& path, WIN32_FIND_DATAA& fd) {
    if (path.empty()) return false;
    QuietDriveErrors quiet;
    FindHandle find(FindFirstFileA(path.c_str(), &fd));
    return find.valid();
}

// Raw byte access to an open file.
class Win32RawFile final : public RawFile {
public:
    explicit Win32RawFile(Handle h) : h_(std::move(h)) {}

    int32_t read(void* buf, int32_t n) override {
        if (n <= 0) return 0;
        DWORD got = 0;
        if (!ReadFile(h_.get(), buf, static_cast<DWORD>(n), &got, nullptr)) return -1;
        return static_cast<int32_t>(got);
    }
    int64_t position() override {
        LARGE_INTEGER zero{}, pos{};
        if (!SetFilePointerEx(h_.get(), zero, &pos, FILE_CURRENT)) return -1;
        return pos.QuadPart;
    }
    bool seek(int64_t pos) override {
        if (pos < 0) return false;
        LARGE_INTEGER to{};
        to.QuadPart = pos;
        return SetFilePointerEx(h_.get(), to, nullptr, FILE_BEGIN) != FALSE;
    }
    int64_t size() override {
        LARGE_INTEGER n{};
        if (!GetFileSizeEx(h_.get(), &n)) return -1;
        return n.QuadPart;
    }

private:
    Handle h_;
};

}  // namespace

namespace {

// Creates or truncates `path` (no sharing) and writes the blocks in order;
// with `flush`, the file's data reaches the disk before it is closed.
bool writeBlocks(const Text& path, const std::vector<ByteView>& blocks, bool flush) {
    if (path.empty()) return false;
    Handle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    bool ok = true;
    for (const ByteView& block : blocks) {
        if (block.size == 0 || block.data == nullptr) continue;
        const char* p = static_cast<const char*>(block.data);
        uint32_t left = block.size;
        while (ok && left > 0) {
            DWORD written = 0;
            if (!WriteFile(file.get(), p, left, &written, nullptr) || written == 0) ok = false;
            p += written;
            left -= written;
        }
        if (!ok) break;
    }
    if (ok && flush) ok = FlushFileBuffers(file.get()) != FALSE;
    bool closed = file.close();
    return ok && closed;
}

}  // namespace

bool Win32Platform::writeFile(const Text& path, const std::vector<ByteView>& blocks) {
    return writeBlocks(path, blocks, false);
}

bool Win32Platform::writeFileWhole(const Text& path, const std::vector<ByteView>& blocks) {
    const Text temp = temporaryBeside(path);
    if (temp.empty()) return false;
    const DWORD target = GetFileAttributesA(path.c_str());
    if (target != INVALID_FILE_ATTRIBUTES &&
        (target & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    // A temporary file an earlier cut left behind is ours to replace, even
    // when it came to be read-only.
    bool written = writeBlocks(temp, blocks, true);
    if (!written && GetFileAttributesA(temp.c_str()) != INVALID_FILE_ATTRIBUTES) {
        SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
        written = writeBlocks(temp, blocks, true);
    }
    if (written &&
        MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileA(temp.c_str());
    return false;
}

bool Win32Platform::deleteFile(const Text& path) {
    return !path.empty() && DeleteFileA(path.c_str()) != FALSE;
}

bool Win32Platform::copyFile(const Text& from, const Text& to) {
    return !from.empty() && !to.empty() && CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}

bool Win32Platform::renameFile(const Text& from, const Text& to) {
    return !from.empty() && !to.empty() && MoveFileA(from.c_str(), to.c_str()) != FALSE;
}

bool Win32Platform::replaceFile(const Text& from, const Text& to) {
    return !from.empty() && !to.empty() &&
           MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool Win32Platform::setFileAttributes(const Text& path, uint32_t attributes) {
    // SetFileAttributesA takes 0 as "no change"; normal is its own value.
    // The other bits go first and read-only last: Wine keeps hidden and
    // system in an extended attribute of the file, which it can no longer
    // write once the file is read-only, and drops them without a word.
    const DWORD a = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
    if (path.empty()) return false;
    const DWORD first = a & ~FILE_ATTRIBUTE_READONLY;
    if (first != a && first != 0 && !SetFileAttributesA(path.c_str(), first)) return false;
    return SetFileAttributesA(path.c_str(), a) != FALSE;
}

Text Win32Platform::fullPath(const Text& path) {
    if (path.empty()) return Text();
    char buf[MAX_PATH * 2];
    char* name = nullptr;
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof buf, buf, &name);
    if (n == 0 || n >= sizeof buf) return Text();
    return Text(buf, n);
}

namespace {
// The volume and file index of an existing file or folder; false when it
// cannot be opened (no access is asked for, so a file in use still answers).
bool identityOf(const Text& path, BY_HANDLE_FILE_INFORMATION& info) {
    if (path.empty()) return false;
    QuietDriveErrors quiet;
    Handle h(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return h.valid() && GetFileInformationByHandle(h.get(), &info) != FALSE;
}
}  // namespace

bool Win32Platform::sameFile(const Text& a, const Text& b) {
    BY_HANDLE_FILE_INFORMATION x{}, y{};
    if (!identityOf(a, x) || !identityOf(b, y)) return false;
    return x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
           x.nFileIndexLow == y.nFileIndexLow;
}

bool Win32Platform::createFolder(const Text& path) {
    return !path.empty() && CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

int64_t Win32Platform::fileSize(const Text& path) {
    WIN32_FIND_DATAA fd;
    if (!firstMatch(path, fd)) return -1;
    return static_cast<int64_t>((static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow);
}

double Win32Platform::fileModTime(const Text& path) {
    WIN32_FIND_DATAA fd;
    if (!firstMatch(path, fd)) return kNoDate;
    return dateOfFileTime(fd.ftLastWriteTime);
}

int64_t Win32Platform::fileAttributes(const Text& path) {
    if (path.empty()) return -1;
    QuietDriveErrors quiet;
    DWORD a = GetFileAttributesA(path.c_str());
    return a == INVALID_FILE_ATTRIBUTES ? -1 : static_cast<int64_t>(a);
}

Text Win32Platform::programFolder() {
    char buf[1024];
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) return Text();
    // Cut after the last backslash. A GBK trail byte may be 0x5C, so the scan
    // steps over two-byte characters whole.
    size_t cut = 0;
    for (size_t i = 0; i < n; ++i) {
        unsigned char b = static_cast<unsigned char>(buf[i]);
        if (b >= 0x81 && b != 0xFF && i + 1 < n) { ++i; continue; }
        if (b == '\\') cut = i + 1;
    }
    return Text(buf, cut);
}

bool Win32Platform::listFirst(const Text& pattern, uintptr_t& handle, DirEntry& out) {
    handle = 0;
    if (pattern.empty()) return false;
    WIN32_FIND_DATAA fd;
    QuietDriveErrors quiet;
    FindHandle find(FindFirstFileA(pattern.c_str(), &fd));
    if (!find.valid()) return false;
    fillEntry(fd, out);
    handle = reinterpret_cast<uintptr_t>(find.release());
    return true;
}

bool Win32Platform::listNext(uintptr_t handle, DirEntry& out) {
    if (handle == 0) return false;
    WIN32_FIND_DATAA fd;
    if (!FindNextFileA(reinterpret_cast<HANDLE>(handle), &fd)) return false;
    fillEntry(fd, out);
    return true;
}

void Win32Platform::listClose(uintptr_t handle) {
    if (handle != 0) FindHandle(reinterpret_cast<HANDLE>(handle)).close();
}

std::unique_ptr<RawFile> Win32Platform::openRaw(const Text& path, int mode, int sharing) {
    if (path.empty()) return nullptr;
    DWORD access = 0, disposition = 0;
    switch (mode) {
        case 1: access = GENERIC_READ; disposition = OPEN_EXISTING; break;
        case 2: access = GENERIC_WRITE; disposition = OPEN_EXISTING; break;
        case 3: access = GENERIC_READ | GENERIC_WRITE; disposition = OPEN_EXISTING; break;
        case 4: access = GENERIC_WRITE; disposition = CREATE_ALWAYS; break;
        case 5: access = GENERIC_WRITE; disposition = OPEN_ALWAYS; break;
        case 6: access = GENERIC_READ | GENERIC_WRITE; disposition = OPEN_ALWAYS; break;
        default: return nullptr;
    }
    DWORD share = 0;
    switch (sharing) {
        case 1: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
        case 2: share = FILE_SHARE_WRITE; break;  // others may not read
        case 3: share = FILE_SHARE_READ; break;   // others may not write
        case 4: share = 0; break;
        default: return nullptr;
    }
    Handle file(CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return nullptr;
    return std::make_unique<Win32RawFile>(std::move(file));
}

bool Win32Platform::diskSpace(char letter, uint64_t& totalBytes, uint64_t& freeBytes) {
    totalBytes = freeBytes = 0;
    char root[4] = "c:\\";
    const char* rootPath = nullptr;  // the current drive
    if (std::isalpha(static_cast<unsigned char>(letter))) {
        root[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
        rootPath = root;
    }
    QuietDriveErrors quiet;
    using FreeSpaceEx = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto freeSpaceEx = kernel ? reinterpret_cast<FreeSpaceEx>(
                                    reinterpret_cast<void*>(GetProcAddress(kernel, "GetDiskFreeSpaceExA")))
                              : nullptr;
    if (freeSpaceEx) {
        ULARGE_INTEGER avail{}, total{}, totalFree{};
        if (!freeSpaceEx(rootPath, &avail, &total, &totalFree)) return false;
        totalBytes = total.QuadPart;
        freeBytes = avail.QuadPart;
        return true;
    }
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!GetDiskFreeSpaceA(rootPath, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) return false;
    uint64_t cluster = static_cast<uint64_t>(sectorsPerCluster) * bytesPerSector;
    totalBytes = cluster * clusters;
    freeBytes = cluster * freeClusters;
    return true;
}

}  // namespace trivex::win32
