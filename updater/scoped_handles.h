#pragma once

#include <windows.h>

// Owns a directory enumeration handle from FindFirstFileW.
struct ScopedFindHandle {
    HANDLE handle = INVALID_HANDLE_VALUE;

    explicit ScopedFindHandle(HANDLE h) : handle(h) {}
    ~ScopedFindHandle()
    {
        if (handle != INVALID_HANDLE_VALUE) {
            FindClose(handle);
        }
    }
    ScopedFindHandle(const ScopedFindHandle&) = delete;
    ScopedFindHandle& operator=(const ScopedFindHandle&) = delete;

    bool valid() const { return handle != INVALID_HANDLE_VALUE; }
};

// Owns a kernel object handle (process, thread) that CloseHandle releases.
struct ScopedKernelHandle {
    HANDLE handle = nullptr;

    explicit ScopedKernelHandle(HANDLE h) : handle(h) {}
    ~ScopedKernelHandle()
    {
        if (handle != nullptr) {
            CloseHandle(handle);
        }
    }
    ScopedKernelHandle(const ScopedKernelHandle&) = delete;
    ScopedKernelHandle& operator=(const ScopedKernelHandle&) = delete;
};

// Owns a file or directory handle from CreateFileW.
struct ScopedFileHandle {
    HANDLE handle = INVALID_HANDLE_VALUE;

    explicit ScopedFileHandle(HANDLE h) : handle(h) {}
    ~ScopedFileHandle()
    {
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
    ScopedFileHandle(const ScopedFileHandle&) = delete;
    ScopedFileHandle& operator=(const ScopedFileHandle&) = delete;

    bool valid() const { return handle != INVALID_HANDLE_VALUE; }
};
