#pragma once

#include <windows.h>

// A DLL loaded from System32 only, never from beside the program, freed when
// this goes out of scope.  For DLLs that are not among those Windows always
// takes from System32 (version.dll, gdiplus.dll), which therefore must not
// be imported.
struct SystemLibrary {
    HMODULE module;

    explicit SystemLibrary(const wchar_t* name) : module(LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {}
    ~SystemLibrary()
    {
        if (module != nullptr) {
            FreeLibrary(module);
        }
    }
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;

    // The exported function, or nullptr when the DLL or the export is missing.
    template <typename FunctionPointer>
    FunctionPointer Find(const char* exportName) const
    {
        return module ? reinterpret_cast<FunctionPointer>(reinterpret_cast<void*>(GetProcAddress(module, exportName)))
                      : nullptr;
    }
};
