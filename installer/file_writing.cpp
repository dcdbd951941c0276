#include "file_writing.h"

bool WriteAllBytes(HANDLE file, const void* data, size_t size)
{
    const char* next = static_cast<const char*>(data);
    while (size > 0) {
        DWORD chunk = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, next, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        next += written;
        size -= written;
    }
    return true;
}

HANDLE CreateFileForWriting(const wchar_t* path)
{
    return CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}
