// One small owner per kind of system handle. Each closes what it holds
// exactly once, cannot be copied, and can be moved. Nothing else in this
// folder calls CloseHandle, FindClose, RegCloseKey or DeleteObject directly.
#pragma once

#include <windows.h>

#include <utility>

namespace trivex::win32 {

// Kernel object handles (files, pipes, processes, threads, tokens).
// Both NULL and INVALID_HANDLE_VALUE mean "nothing held".
class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE h) : h_(h) {}
    Handle(Handle&& o) noexcept : h_(o.release()) {}
    Handle& operator=(Handle&& o) noexcept {
        if (this != &o) { close(); h_ = o.release(); }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { close(); }

    HANDLE get() const { return h_; }
    HANDLE* out() { close(); return &h_; }  // for functions that fill a HANDLE
    bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    HANDLE release() { HANDLE h = h_; h_ = nullptr; return h; }
    // True when nothing was held or the handle closed cleanly.
    bool close() {
        if (!valid()) { h_ = nullptr; return true; }
        BOOL ok = ::CloseHandle(h_);
        h_ = nullptr;
        return ok != FALSE;
    }

private:
    HANDLE h_ = nullptr;
};

// A FindFirstFileA search.
class FindHandle {
public:
    FindHandle() = default;
    explicit FindHandle(HANDLE h) : h_(h) {}
    FindHandle(FindHandle&& o) noexcept : h_(o.release()) {}
    FindHandle& operator=(FindHandle&& o) noexcept {
        if (this != &o) { close(); h_ = o.release(); }
        return *this;
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    ~FindHandle() { close(); }

    HANDLE get() const { return h_; }
    bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    HANDLE release() { HANDLE h = h_; h_ = INVALID_HANDLE_VALUE; return h; }
    void close() {
        if (valid()) ::FindClose(h_);
        h_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

// A GDI object of ours (font, brush, bitmap). Stock objects must not be put here.
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(HGDIOBJ h) : h_(h) {}
    GdiObject(GdiObject&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    GdiObject& operator=(GdiObject&& o) noexcept {
        if (this != &o) { reset(); h_ = std::exchange(o.h_, nullptr); }
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    ~GdiObject() { reset(); }

    HGDIOBJ get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    void reset(HGDIOBJ h = nullptr) {
        if (h_) ::DeleteObject(h_);
        h_ = h;
    }

private:
    HGDIOBJ h_ = nullptr;
};

// The two handles CreateProcessA returns.
struct ProcessHandles {
    Handle process;
    Handle thread;
    void adopt(const PROCESS_INFORMATION& pi) {
        process = Handle(pi.hProcess);
        thread = Handle(pi.hThread);
    }
};

// What a system function hands out through a pointer to fill (a security
// identifier, a registry key), given back to the system with `Free`.
template <typename T, auto Free>
class FilledOwner {
public:
    FilledOwner() = default;
    FilledOwner(const FilledOwner&) = delete;
    FilledOwner& operator=(const FilledOwner&) = delete;
    ~FilledOwner() {
        if (value_) Free(value_);
    }
    T get() const { return value_; }
    T* out() { return &value_; }  // for the function that fills it, on an empty owner only

private:
    T value_ = nullptr;
};

// A security identifier made by AllocateAndInitializeSid.
using Sid = FilledOwner<PSID, &::FreeSid>;
// An open registry key (RegOpenKeyExA).
using RegistryKey = FilledOwner<HKEY, &::RegCloseKey>;

// Keeps the "insert a disk" and similar system boxes away while a drive is
// asked about, so that an empty floppy or CD drive simply fails.
class QuietDriveErrors {
public:
    QuietDriveErrors() : old_(::SetErrorMode(kQuiet)) { ::SetErrorMode(old_ | kQuiet); }
    ~QuietDriveErrors() { ::SetErrorMode(old_); }
    QuietDriveErrors(const QuietDriveErrors&) = delete;
    QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

private:
    static constexpr UINT kQuiet = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
    UINT old_;
};

}  // namespace trivex::win32
