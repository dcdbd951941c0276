#include "payload_extraction.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <cstring>
#include <cwchar>
#include <memory>

#include "file_writing.h"
#include "installer_constants.h"
#include "message_pump.h"
#include "miniz.h"
#include "owned_entry.h"
#include "text_encoding.h"

namespace {

constexpr size_t kEndOfCentralDirectorySize = 22;
constexpr DWORD kCopyBufferSize = 65536;
// Written without sharing, as every file of the installation is; deleted
// through the same handle when its data turns out wrong.
constexpr DWORD kWriteFileAccess = GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;

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

// A folder below the install directory, confirmed by its handle and held
// (not to be renamed away) while entries are written below it.
struct HeldFolder {
    std::wstring finalPath;
    ScopedFileHandle hold;
};

// What one extraction works with, entry after entry.
struct ExtractionRun {
    mz_zip_archive* zip = nullptr;
    mz_uint count = 0;
    std::wstring installDir;
    std::wstring base;       // the install directory's full path
    std::wstring topFolder;  // dropped from every name
    ProgressTarget target;
    // The install directory where it really lies, held for the whole run,
    // and the chain of folders below it that the last entry went through,
    // each held: a folder swapped for a link after it was judged cannot be,
    // since none of them can be renamed while held.
    std::wstring baseFinal;
    ScopedFileHandle baseHold;
    std::vector<std::unique_ptr<HeldFolder>> chain;
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

bool SameFolder(const std::wstring& a, const std::wstring& b)
{
    return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

// The installer runs elevated, and the install directory may be one its
// user can write to: a junction or symbolic link standing in it, or put
// there while the extraction runs, would carry the files wherever it points.
// So each folder on the way to an entry is created or opened without
// following links and confirmed by its handle to be a plain folder at its
// place below the install directory before anything is created in it.
// Folders the previous entry already went through are held still, which
// costs nothing more; only new steps are opened.
bool EnterFolder(ExtractionRun& run, const std::wstring& relativeFolder)
{
    size_t depth = 0;
    size_t end = relativeFolder.empty() ? std::wstring::npos : 0;
    while (end != std::wstring::npos) {
        end = relativeFolder.find(L'\\', end + 1);
        const std::wstring step = run.baseFinal + relativeFolder.substr(0, end);
        if (depth < run.chain.size() && SameFolder(run.chain[depth]->finalPath, step)) {
            ++depth;
            continue;
        }
        run.chain.resize(depth);  // the folders of the previous entry it leaves
        auto folder = std::make_unique<HeldFolder>();
        folder->finalPath = step;
        if (CreateOwnedFolder(step, folder->hold) != EntryCheck::Owned) {
            return false;
        }
        run.chain.push_back(std::move(folder));
        ++depth;
    }
    run.chain.resize(depth);
    return true;
}

// The folder part of a relative path ("\\a\\b" for "\\a\\b\\c.txt"), empty
// when the file lies in the install directory itself.
std::wstring FolderOf(const std::wstring& relative)
{
    const size_t separator = relative.find_last_of(L'\\');
    return separator == std::wstring::npos || separator == 0 ? std::wstring() : relative.substr(0, separator);
}

bool WriteEntryFile(mz_zip_archive* zip, unsigned int index, const std::wstring& finalPath);

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
    if (!LiesInside(run.base, fullTarget)) {
        return false;
    }
    // Where the target lies below the install directory, "\\a\\b"; empty for
    // the install directory itself.  A directory entry's closing separator
    // goes: the folder steps are compared as final paths, which have none.
    std::wstring below = fullTarget.substr(run.base.size());
    while (!below.empty() && below.back() == L'\\') {
        below.pop_back();
    }
    if (mz_zip_reader_is_file_a_directory(run.zip, index) || stat.m_is_directory) {
        return EnterFolder(run, below);
    }
    return !below.empty() && EnterFolder(run, FolderOf(below)) &&
           WriteEntryFile(run.zip, index, run.baseFinal + below) &&
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
    // An install directory that is itself a link is refused whole.
    if (OpenOwnedRoot(installDir, kHoldFolderAccess, kHoldShare, run.baseHold, run.baseFinal) != EntryCheck::Owned) {
        return false;
    }
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
    // The folder that is to hold the file, where it really lies; a folder
    // that is itself a link holds nothing of the installation.
    const size_t separator = targetPath.find_last_of(L'\\');
    ScopedFileHandle folder;
    std::wstring folderFinal;
    if (separator == std::wstring::npos ||
        OpenOwnedRoot(targetPath.substr(0, separator), kHoldFolderAccess, kHoldShare, folder, folderFinal) !=
            EntryCheck::Owned) {
        return false;
    }
    return WriteEntryFile(zip, index, folderFinal + targetPath.substr(separator));
}

namespace {

// Hidden and system files are not replaced, as CreateFileW refuses to
// replace them with normal attributes.
bool MayBeReplaced(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION information{};
    return GetFileInformationByHandle(file, &information) &&
           !(information.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

// The file is made, or the one there opened, only where no link leads away
// (see owned_entry.h); it is cut to nothing only once that is known.
bool WriteEntryFile(mz_zip_archive* zip, unsigned int index, const std::wstring& finalPath)
{
    mz_zip_reader_extract_iter_state* iterator = mz_zip_reader_extract_iter_new(zip, index, 0);
    if (iterator == nullptr) {
        return false;
    }
    ScopedFileHandle file;
    if (CreateOwnedFile(finalPath, kWriteFileAccess, 0, file) != EntryCheck::Owned || !MayBeReplaced(file.handle) ||
        !SetEndOfFile(file.handle)) {
        mz_zip_reader_extract_iter_free(iterator);
        return false;
    }
    RunBeforeActHook(finalPath);
    bool written = CopyEntryData(iterator, file.handle);
    // Freeing the iterator is what checks the size and CRC-32 of all it produced.
    bool verified = mz_zip_reader_extract_iter_free(iterator);
    if (written && verified) {
        return true;
    }
    DeleteOwnedEntry(file.handle);  // goes when the handle closes
    return false;
}

}  // namespace

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
