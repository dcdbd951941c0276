#pragma once

#include <windows.h>

// Owns one handle of a kind: Kind::Close releases it, and Kind::None() is the
// value the opening call returns when it opened nothing.
template <typename Kind>
struct ScopedHandle {
    HANDLE handle;

    ScopedHandle() : handle(Kind::None()) {}
    explicit ScopedHandle(HANDLE h) : handle(h) {}
    ~ScopedHandle() { reset(Kind::None()); }

    // Releases what is held and takes the new handle.
    void reset(HANDLE h)
    {
        if (valid()) {
            Kind::Close(handle);
        }
        handle = h;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    bool valid() const { return handle != Kind::None(); }
};

// A directory enumeration handle from FindFirstFileW.
struct FindHandleKind {
    static HANDLE None() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { FindClose(handle); }
};
using ScopedFindHandle = ScopedHandle<FindHandleKind>;

// A kernel object handle (process, thread) from an Open call.
struct KernelHandleKind {
    static HANDLE None() { return nullptr; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};
using ScopedKernelHandle = ScopedHandle<KernelHandleKind>;

// A file or directory handle from CreateFileW, which reports failure with
// INVALID_HANDLE_VALUE rather than nullptr.
struct FileHandleKind {
    static HANDLE None() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};
using ScopedFileHandle = ScopedHandle<FileHandleKind>;
