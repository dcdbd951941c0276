#include "program_resources.h"

#include "test_files.h"

namespace {

std::vector<BYTE> VersionBlock(const std::wstring& program)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(program.c_str(), &ignored);
    std::vector<BYTE> block(size);
    if (size == 0 || !GetFileVersionInfoW(program.c_str(), 0, size, block.data())) {
        block.clear();
    }
    return block;
}

// Loaded as an image resource only: nothing of the program runs.
struct ResourceModule {
    HMODULE module;
    explicit ResourceModule(const std::wstring& program)
        : module(LoadLibraryExW(program.c_str(), nullptr,
                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE))
    {
    }
    ~ResourceModule()
    {
        if (module != nullptr) {
            FreeLibrary(module);
        }
    }
};

BOOL CALLBACK NoteAnyName(HMODULE, LPCWSTR, LPWSTR, LONG_PTR found)
{
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
}

}  // namespace

std::wstring VersionString(const std::wstring& program, const std::wstring& tableKey, const std::wstring& name)
{
    std::vector<BYTE> block = VersionBlock(program);
    if (block.empty()) {
        return {};
    }
    std::wstring query = L"\\StringFileInfo\\" + tableKey + L"\\" + name;
    LPVOID value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), query.c_str(), &value, &length) || length == 0) {
        return {};
    }
    return std::wstring(static_cast<const wchar_t*>(value));
}

std::vector<std::pair<WORD, WORD>> VersionTranslations(const std::wstring& program)
{
    std::vector<std::pair<WORD, WORD>> translations;
    std::vector<BYTE> block = VersionBlock(program);
    LPVOID value = nullptr;
    UINT length = 0;
    if (block.empty() || !VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length)) {
        return translations;
    }
    const WORD* words = static_cast<const WORD*>(value);
    for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2) {
        translations.emplace_back(words[i], words[i + 1]);
    }
    return translations;
}

bool FixedVersion(const std::wstring& program, VS_FIXEDFILEINFO& info)
{
    std::vector<BYTE> block = VersionBlock(program);
    LPVOID value = nullptr;
    UINT length = 0;
    if (block.empty() || !VerQueryValueW(block.data(), L"\\", &value, &length) || length < sizeof(info)) {
        return false;
    }
    info = *static_cast<const VS_FIXEDFILEINFO*>(value);
    return true;
}

std::wstring FixedVersionText(DWORD mostSignificant, DWORD leastSignificant)
{
    return std::to_wstring(HIWORD(mostSignificant)) + L"." + std::to_wstring(LOWORD(mostSignificant)) + L"." +
           std::to_wstring(HIWORD(leastSignificant)) + L"." + std::to_wstring(LOWORD(leastSignificant));
}

std::string ResourceBytes(const std::wstring& program, LPCWSTR type, LPCWSTR name)
{
    ResourceModule image(program);
    if (image.module == nullptr) {
        return {};
    }
    HRSRC resource = FindResourceW(image.module, name, type);
    HGLOBAL loaded = resource ? LoadResource(image.module, resource) : nullptr;
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (data == nullptr) {
        return {};
    }
    return std::string(data, SizeofResource(image.module, resource));
}

std::string ProgramManifest(const std::wstring& program)
{
    return ResourceBytes(program, RT_MANIFEST, MAKEINTRESOURCEW(1));
}

bool HasResourceType(const std::wstring& program, LPCWSTR type)
{
    ResourceModule image(program);
    bool found = false;
    if (image.module != nullptr) {
        EnumResourceNamesW(image.module, type, NoteAnyName, reinterpret_cast<LONG_PTR>(&found));
    }
    return found;
}

WORD ProgramSubsystem(const std::wstring& program)
{
    std::string bytes = ReadFileBytes(program);
    if (bytes.size() < sizeof(IMAGE_DOS_HEADER)) {
        return 0;
    }
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes.data());
    size_t peOffset = static_cast<size_t>(dos->e_lfanew);
    // Subsystem sits at the same offset in the 32- and 64-bit optional headers.
    size_t subsystemOffset = peOffset + 4 + sizeof(IMAGE_FILE_HEADER) + offsetof(IMAGE_OPTIONAL_HEADER32, Subsystem);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || subsystemOffset + sizeof(WORD) > bytes.size()) {
        return 0;
    }
    WORD subsystem = 0;
    memcpy(&subsystem, bytes.data() + subsystemOffset, sizeof(subsystem));
    return subsystem;
}
