// Files, folders, folder listings, reading files and drive space.
#include <cctype>
#include <cstring>

#include "platform/files.h"
#include "platform/text.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_machine.h"

namespace trivex::win32 {

double dateOfFileTime(const FILETIME& utc) {
    FILETIME local;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return kNoDate;
    return text::dateFromParts({st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond});
}

double Win32Machine::localTime() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return text::dateFromParts({st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond});
}

namespace {

// The error of the call that just failed; a call that failed without
// setting one still fails.
SysResult lastError() { return SysResult::failed(GetLastError()); }
SysResult checked(BOOL ok) { return ok ? SysResult::ok() : lastError(); }

DirEntry entryOf(const WIN32_FIND_DATAA& fd) {
    DirEntry out;
    out.name = fd.cFileName;
    out.shortName = fd.cAlternateFileName;
    out.attributes = fd.dwFileAttributes;
    out.size = static_cast<int64_t>((static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow);
    out.modified = dateOfFileTime(fd.ftLastWriteTime);
    return out;
}

// Creates `path` (no sharing) as `disposition` says (CREATE_ALWAYS: or
// truncates it; CREATE_NEW: only when no file has the name) and writes the
// blocks in order; with `flush`, the file's data reaches the disk before it
// is closed. `created` says whether the file was opened, and so is this
// write's to clean up after a failure.
SysResult writeBlocks(const Text& path, const std::vector<ByteView>& blocks, bool flush, DWORD disposition,
                      bool& created) {
    created = false;
    if (path.empty()) return SysResult::failed(ERROR_INVALID_NAME);
    Handle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return lastError();
    created = true;
    for (const ByteView& block : blocks) {
        if (block.size == 0 || block.data == nullptr) continue;
        const char* p = static_cast<const char*>(block.data);
        uint32_t left = block.size;
        while (left > 0) {
            DWORD written = 0;
            if (!WriteFile(file.get(), p, left, &written, nullptr)) return lastError();
            if (written == 0) return SysResult::failed(ERROR_WRITE_FAULT);
            p += written;
            left -= written;
        }
    }
    if (flush && !FlushFileBuffers(file.get())) return lastError();
    return checked(file.close());
}

// How many names a whole write tries for its temporary file before it
// gives up: each taken one belongs to someone else.
constexpr int kTemporaryTries = 64;

}  // namespace

SysResult Win32Machine::writeFile(const Text& path, const std::vector<ByteView>& blocks) {
    bool created = false;
    return writeBlocks(path, blocks, false, CREATE_ALWAYS, created);
}

SysResult Win32Machine::writeFileWhole(const Text& path, const std::vector<ByteView>& blocks) {
    if (temporaryFor(path, 0).empty()) return SysResult::failed(ERROR_INVALID_NAME);
    const DWORD target = GetFileAttributesA(path.c_str());
    if (target != INVALID_FILE_ATTRIBUTES &&
        (target & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY)))
        return SysResult::failed(ERROR_ACCESS_DENIED);
    // A name of its own for each write, created exclusively: a file that has
    // the name already (the user's, another program's, one a cut left) is
    // passed over, never written or deleted.
    static uint32_t writes = 0;
    const uint32_t seed = GetTickCount() ^ (GetCurrentProcessId() << 7);
    SysResult written = SysResult::failed(ERROR_FILE_EXISTS);
    Text temp;
    bool created = false;
    for (int attempt = 0; attempt < kTemporaryTries && !created; ++attempt) {
        temp = temporaryFor(path, seed + ++writes * 0x9E3779B1u);
        written = writeBlocks(temp, blocks, true, CREATE_NEW, created);
        if (!created && written.error != ERROR_FILE_EXISTS && written.error != ERROR_ALREADY_EXISTS) break;
    }
    if (written) written = checked(MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    if (!written && created) DeleteFileA(temp.c_str());
    return written;
}

SysResult Win32Machine::deleteFile(const Text& path) {
    if (path.empty()) return SysResult::failed(ERROR_INVALID_NAME);
    return checked(DeleteFileA(path.c_str()));
}

SysResult Win32Machine::renameFile(const Text& from, const Text& to) {
    if (from.empty() || to.empty()) return SysResult::failed(ERROR_INVALID_NAME);
    return checked(MoveFileA(from.c_str(), to.c_str()));
}

SysResult Win32Machine::replaceFile(const Text& from, const Text& to) {
    if (from.empty() || to.empty()) return SysResult::failed(ERROR_INVALID_NAME);
    return checked(MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING));
}

SysResult Win32Machine::setFileAttributes(const Text& path, uint32_t attributes) {
    // SetFileAttributesA takes 0 as "no change"; normal is its own value.
    // The other bits go first and read-only last: Wine keeps hidden and
    // system in an extended attribute of the file, which it can no longer
    // write once the file is read-only, and drops them without a word.
    const DWORD a = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
    if (path.empty()) return SysResult::failed(ERROR_INVALID_NAME);
    const DWORD first = a & ~FILE_ATTRIBUTE_READONLY;
    if (first != a && first != 0 && !SetFileAttributesA(path.c_str(), first)) return lastError();
    return checked(SetFileAttributesA(path.c_str(), a));
}

SysResult Win32Machine::createFolder(const Text& path) {
    if (path.empty()) return SysResult::failed(ERROR_INVALID_NAME);
    return checked(CreateDirectoryA(path.c_str(), nullptr));
}

int64_t Win32Machine::fileAttributes(const Text& path) {
    if (path.empty()) return -1;
    QuietDriveErrors quiet;
    DWORD a = GetFileAttributesA(path.c_str());
    return a == INVALID_FILE_ATTRIBUTES ? -1 : static_cast<int64_t>(a);
}

SysResult Win32Machine::readFile(const Text& path, uint64_t offset, uint32_t count, Text& out) {
    out.clear();
    if (path.empty()) return SysResult::failed(ERROR_INVALID_NAME);
    QuietDriveErrors quiet;
    Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return lastError();
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file.get(), to, nullptr, FILE_BEGIN)) return lastError();
    out.resize(count);
    uint32_t got = 0;
    while (got < count) {
        DWORD n = 0;
        if (!ReadFile(file.get(), &out[got], count - got, &n, nullptr)) {
            const SysResult failed = lastError();
            out.clear();
            return failed;
        }
        if (n == 0) break;
        got += n;
    }
    out.resize(got);
    return SysResult::ok();
}

bool Win32Machine::listFolder(const Text& pattern, std::vector<DirEntry>& out) {
    out.clear();
    if (pattern.empty()) return false;
    WIN32_FIND_DATAA fd;
    QuietDriveErrors quiet;
    FindHandle find(FindFirstFileA(pattern.c_str(), &fd));
    if (!find.valid()) return false;
    do out.push_back(entryOf(fd));
    while (FindNextFileA(find.get(), &fd));
    return true;
}

Text Win32Machine::fullPath(const Text& path) {
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

bool Win32Machine::sameFile(const Text& a, const Text& b) {
    BY_HANDLE_FILE_INFORMATION x{}, y{};
    if (!identityOf(a, x) || !identityOf(b, y)) return false;
    return x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
           x.nFileIndexLow == y.nFileIndexLow;
}

Text Win32Machine::programFolder() {
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

bool Win32Machine::diskSpace(char letter, uint64_t& totalBytes, uint64_t& freeBytes) {
    totalBytes = freeBytes = 0;
    char root[4] = "c:\\";
    const char* rootPath = nullptr;  // the current drive
    if (std::isalpha(static_cast<unsigned char>(letter))) {
        root[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
        rootPath = root;
    }
    QuietDriveErrors quiet;
    ULARGE_INTEGER avail{}, total{}, totalFree{};
    if (!GetDiskFreeSpaceExA(rootPath, &avail, &total, &totalFree)) return false;
    totalBytes = total.QuadPart;
    freeBytes = avail.QuadPart;
    return true;
}

}  // namespace trivex::win32
