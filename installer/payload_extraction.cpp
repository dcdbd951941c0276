#include "payload_extraction.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <cstring>
#include <cwchar>
#include <set>

#include "file_writing.h"
#include "installer_constants.h"
#include "message_pump.h"
#include "miniz.h"
#include "text_encoding.h"

namespace {

constexpr size_t kEndOfCentralDirectorySize = 22;
constexpr DWORD kCopyBufferSize = 65536;

bool CreateDirectoryTree(const std::wstring& path)
{
    return SHCreateDirectoryExW(nullptr, path.c_str(), nullptr) == ERROR_SUCCESS;
}

bool EnsureDirectory(const std::wstring& path)
{
    return PathFileExistsW(path.c_str()) || CreateDirectoryTree(path);
}

// The first path component (separator included) that every entry shares, or
// empty when the entries do not all lie under one folder.
std::wstring FindTopFolder(mz_zip_archive* zip)
{
    std::wstring candidate;
    mz_uint count = mz_zip_reader_get_num_files(zip);
    for (mz_uint i = 0; i < count; ++i) {
        mz_zip_archive_file_stat stat;
        if (!mz_zip_reader_file_stat(zip, i, &stat)) {
            return {};
        }
        std::wstring name = NormalizeEntryName(stat.m_filename);
        if (name.empty()) {
            continue;
        }
        size_t separator = name.find_first_of(L"/\\");
        if (separator == std::wstring::npos) {
            return {};
        }
        std::wstring prefix = name.substr(0, separator + 1);
        if (candidate.empty()) {
            candidate = prefix;
        } else if (prefix != candidate) {
            return {};
        }
    }
    return candidate;
}

// The entry's path below the install directory, without the top folder; empty
// for the top folder's own entry and for names that normalise to nothing.
std::wstring RelativeEntryPath(const std::string& storedName, const std::wstring& topFolder)
{
    std::wstring name = NormalizeEntryName(storedName);
    if (!topFolder.empty() && name.size() >= topFolder.size() &&
        _wcsnicmp(name.c_str(), topFolder.c_str(), topFolder.size()) == 0) {
        name.erase(0, topFolder.size());
    }
    return name;
}

// Windows compares names without regard to letter case.
struct CaseInsensitiveLess {
    bool operator()(const std::wstring& left, const std::wstring& right) const
    {
        return _wcsicmp(left.c_str(), right.c_str()) < 0;
    }
};
using PathSet = std::set<std::wstring, CaseInsensitiveLess>;

// What one extraction works with, entry after entry.
struct ExtractionRun {
    mz_zip_archive* zip = nullptr;
    mz_uint count = 0;
    std::wstring installDir;
    std::wstring base;       // the install directory's full path
    std::wstring topFolder;  // dropped from every name
    ProgressTarget target;
    // Folders already found not to be links, with their links noted.  Spelled
    // as the payload spells them: another spelling is merely listed again.
    std::set<std::wstring> listedFolders;
    PathSet links;  // the links standing in those folders
};

// The resolved target must be the install directory itself or lie below it;
// the resolved form only decides, the unresolved target is what gets written.
bool LiesInside(const std::wstring& base, const std::wstring& fullTarget)
{
    if (base.empty() || fullTarget.size() < base.size() ||
        _wcsnicmp(fullTarget.c_str(), base.c_str(), base.size()) != 0) {
        return false;
    }
    return fullTarget.size() == base.size() || fullTarget[base.size()] == L'\\';
}

// One listing of a folder tells of every link in it: cheaper than asking
// about each file, which for a file not yet there means a search of the
// whole folder.  A folder that does not exist yet lists nothing.
void NoteLinksIn(const std::wstring& folder, PathSet& links)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            links.insert(folder + L"\\" + found.cFileName);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// The installer runs elevated, and the install directory may be one its
// user can write to: a junction or symbolic link already standing in it
// would carry the files wherever it points.  So every existing component
// below the install directory, the target itself included, must be a plain
// folder or file.
bool ReachesThroughLink(ExtractionRun& run, const std::wstring& fullTarget)
{
    size_t end = run.base.size();
    while (end != std::wstring::npos && end < fullTarget.size()) {
        const std::wstring folder = fullTarget.substr(0, end);
        if (run.listedFolders.count(folder) == 0) {
            // Its parent, listed before it, has noted it if it is a link.
            if (run.links.count(folder) != 0) {
                return true;
            }
            NoteLinksIn(folder, run.links);
            run.listedFolders.insert(folder);
        }
        end = fullTarget.find(L'\\', end + 1);
    }
    return run.links.count(fullTarget) != 0;
}

bool ExtractEntry(ExtractionRun& run, mz_uint index)
{
    mz_zip_archive_file_stat stat;
    if (!mz_zip_reader_file_stat(run.zip, index, &stat) || !stat.m_is_supported || stat.m_is_encrypted) {
        return false;
    }
    std::wstring relative = RelativeEntryPath(stat.m_filename, run.topFolder);
    if (relative.empty()) {
        return true;
    }
    std::wstring targetPath = run.installDir + L"\\" + relative;
    const std::wstring fullTarget = FullPathOf(targetPath);
    if (!LiesInside(run.base, fullTarget) || ReachesThroughLink(run, fullTarget)) {
        return false;
    }
    if (mz_zip_reader_is_file_a_directory(run.zip, index) || stat.m_is_directory) {
        return EnsureDirectory(targetPath);
    }
    return EnsureParentDirectory(targetPath) && ExtractEntryToFile(run.zip, index, targetPath) &&
           ReportProgress(static_cast<int>((index + 1u) * 100u / run.count), run.target);
}

bool ExtractEntries(mz_zip_archive* zip, const std::wstring& installDir, const ProgressTarget& target)
{
    ExtractionRun run;
    run.zip = zip;
    run.count = mz_zip_reader_get_num_files(zip);
    run.installDir = installDir;
    run.base = FullPathOf(installDir);
    run.topFolder = FindTopFolder(zip);
    run.target = target;
    for (mz_uint i = 0; i < run.count; ++i) {
        PumpMessages();
        if (!ExtractEntry(run, i)) {
            return false;
        }
    }
    return true;
}

// Streams the entry through one buffer, so memory does not grow with its size.
bool CopyEntryData(mz_zip_reader_extract_iter_state* iterator, HANDLE file)
{
    std::vector<char> buffer(kCopyBufferSize);
    for (;;) {
        size_t read = mz_zip_reader_extract_iter_read(iterator, buffer.data(), buffer.size());
        if (read == 0) {
            return true;
        }
        if (!WriteAllBytes(file, buffer.data(), read)) {
            return false;
        }
        PumpMessages();
    }
}

// The payload as miniz's reader sees it through its read callback.
struct PayloadSource {
    const unsigned char* data = nullptr;
    size_t size = 0;
};

size_t ReadPayload(void* opaque, mz_uint64 offset, void* buffer, size_t count)
{
    const PayloadSource* source = static_cast<const PayloadSource*>(opaque);
    if (offset >= source->size) {
        return 0;
    }
    size_t available = static_cast<size_t>(source->size - offset);
    size_t copied = count < available ? count : available;
    std::memcpy(buffer, source->data + offset, copied);
    return copied;
}

// The payload is opened through a read callback over its buffer rather than
// with mz_zip_reader_init_mem.  For an archive opened from memory, miniz's
// extract iterator never counts down the compressed bytes still to come, so
// it keeps telling the inflater that more input follows; an entry whose
// deflate stream has not ended when its data does (cut short, or garbage)
// then spins for ever.  Through the callback the iterator counts its input
// down and the inflater fails once the entry's data is used up.
bool OpenPayload(mz_zip_archive& zip, PayloadSource& source)
{
    zip.m_pRead = ReadPayload;
    zip.m_pIO_opaque = &source;
    return mz_zip_reader_init(&zip, source.size, 0);
}

}  // namespace

bool LoadPayload(std::vector<unsigned char>& payload)
{
    payload.clear();
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(kPayloadResourceId), RT_RCDATA);
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    DWORD size = resource ? SizeofResource(module, resource) : 0;
    const unsigned char* data = loaded ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
    if (data == nullptr || size == 0) {
        return false;
    }
    payload.assign(data, data + size);
    return true;
}

bool ExtractPayload(const std::vector<unsigned char>& payload, const std::wstring& installDir,
                    const ProgressTarget& target)
{
    if (!EnsureDirectory(installDir) || payload.size() < kEndOfCentralDirectorySize) {
        return false;
    }
    PayloadSource source{payload.data(), payload.size()};
    mz_zip_archive zip{};
    if (!OpenPayload(zip, source)) {
        return false;
    }
    bool extracted = ExtractEntries(&zip, installDir, target);
    mz_zip_reader_end(&zip);
    return extracted;
}

bool ExtractEntryToFile(mz_zip_archive* zip, unsigned int index, const std::wstring& targetPath)
{
    mz_zip_reader_extract_iter_state* iterator = mz_zip_reader_extract_iter_new(zip, index, 0);
    if (iterator == nullptr) {
        return false;
    }
    HANDLE file = CreateFileForWriting(targetPath.c_str());
    if (file == INVALID_HANDLE_VALUE) {
        mz_zip_reader_extract_iter_free(iterator);
        return false;
    }
    bool written = CopyEntryData(iterator, file);
    CloseHandle(file);
    // Freeing the iterator is what checks the size and CRC-32 of all it produced.
    bool verified = mz_zip_reader_extract_iter_free(iterator);
    if (written && verified) {
        return true;
    }
    DeleteFileW(targetPath.c_str());
    return false;
}

bool ReportProgress(int percent, const ProgressTarget& target)
{
    target.state->progress = percent;
    // Without a window there is nothing to repaint; InvalidateRect(nullptr)
    // would repaint every window of the desktop instead.
    if (target.window != nullptr) {
        InvalidateRect(target.window, nullptr, FALSE);
        UpdateWindow(target.window);
    }
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            return false;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

std::wstring NormalizeEntryName(const std::string& storedName)
{
    std::wstring name = Utf8ToWide(storedName);
    for (wchar_t& c : name) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    size_t leading = name.find_first_not_of(L"\\.");
    name.erase(0, leading == std::wstring::npos ? name.size() : leading);
    return name;
}

std::wstring FullPathOf(const std::wstring& path)
{
    wchar_t buffer[MAX_PATH] = {};
    DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, buffer, nullptr);
    if (length == 0) {
        return path;
    }
    return length < MAX_PATH ? std::wstring(buffer) : std::wstring();
}

bool EnsureParentDirectory(const std::wstring& filePath)
{
    // A cut-off path would name some other directory.
    if (filePath.size() >= MAX_PATH) {
        return false;
    }
    wchar_t directory[MAX_PATH] = {};
    wcsncpy_s(directory, MAX_PATH, filePath.c_str(), _TRUNCATE);
    if (!PathRemoveFileSpecW(directory)) {
        return false;
    }
    return EnsureDirectory(directory);
}
