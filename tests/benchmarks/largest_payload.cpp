#include "largest_payload.h"

#include <windows.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>
#include <random>
#include <vector>

#include "miniz.h"
#include "payload_extraction.h"
#include "test_files.h"

namespace {

constexpr unsigned kPayloadMegabytes[] = {256, 512, 768, 1024};
constexpr size_t kPartBytes = 32u << 20;
constexpr int kHeld = 0;
constexpr int kExtractionFailed = 1;
constexpr int kOutOfMemory = 2;
constexpr WORD kLargeAddressAware = IMAGE_FILE_LARGE_ADDRESS_AWARE;

std::string IncompressiblePart(std::mt19937& random)
{
    std::string part(kPartBytes, '\0');
    for (size_t i = 0; i + 4 <= part.size(); i += 4) {
        const unsigned value = random();
        std::memcpy(&part[i], &value, 4);
    }
    return part;
}

size_t WriteAt(void* opaque, mz_uint64 offset, const void* bytes, size_t count)
{
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD written = 0;
    return WriteFile(static_cast<HANDLE>(opaque), bytes, static_cast<DWORD>(count), &written, &at) ? written : 0;
}

// Stored parts of random bytes: deflate would store them anyway, and storing
// keeps making a 1 GB archive quick.  Written straight to the file, so that
// this 32-bit program never holds the archive whole.
bool WriteArchive(const std::wstring& path, unsigned megabytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    mz_zip_archive zip{};
    zip.m_pWrite = WriteAt;
    zip.m_pIO_opaque = file;
    if (!mz_zip_writer_init(&zip, 0)) {
        CloseHandle(file);
        return false;
    }
    std::mt19937 random(megabytes);
    bool ok = mz_zip_writer_add_mem(&zip, "Orvicap/", nullptr, 0, MZ_NO_COMPRESSION) &&
              mz_zip_writer_add_mem(&zip, "Orvicap/data/", nullptr, 0, MZ_NO_COMPRESSION);
    const unsigned parts = static_cast<unsigned>((static_cast<size_t>(megabytes) << 20) / kPartBytes);
    for (unsigned i = 0; ok && i < parts; ++i) {
        const std::string name = "Orvicap/data/part-" + std::to_string(i) + ".bin";
        const std::string part = IncompressiblePart(random);
        ok = mz_zip_writer_add_mem(&zip, name.c_str(), part.data(), part.size(), MZ_NO_COMPRESSION);
    }
    ok = mz_zip_writer_finalize_archive(&zip) && ok;
    ok = mz_zip_writer_end(&zip) && ok;
    CloseHandle(file);
    if (!ok) {
        DeleteFileW(path.c_str());
    }
    return ok;
}

// The same program without large-address-awareness: a copy with the flag
// cleared in its file header.
bool WriteCopyWithoutLargeAddresses(const std::wstring& copyPath)
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::string image = ReadFileBytes(self);
    IMAGE_DOS_HEADER dos{};
    if (image.size() < sizeof(dos)) {
        return false;
    }
    std::memcpy(&dos, image.data(), sizeof(dos));
    const size_t characteristicsAt =
        static_cast<size_t>(dos.e_lfanew) + offsetof(IMAGE_NT_HEADERS, FileHeader.Characteristics);
    WORD characteristics = 0;
    if (characteristicsAt + sizeof(characteristics) > image.size()) {
        return false;
    }
    std::memcpy(&characteristics, &image[characteristicsAt], sizeof(characteristics));
    characteristics &= static_cast<WORD>(~kLargeAddressAware);
    std::memcpy(&image[characteristicsAt], &characteristics, sizeof(characteristics));
    return WriteFileBytes(copyPath, image);
}

bool IsLargeAddressAware()
{
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(GetModuleHandleW(nullptr));
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(reinterpret_cast<const char*>(dos) + dos->e_lfanew);
    return (nt->FileHeader.Characteristics & kLargeAddressAware) != 0;
}

DWORD RunCase(const std::wstring& program, const std::wstring& zipPath, const std::wstring& dir)
{
    std::wstring commandLine = L"\"" + program + L"\" --largest-payload \"" + zipPath + L"\" \"" + dir + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return kExtractionFailed;
    }
    DWORD code = kExtractionFailed;
    if (WaitForSingleObject(process.hProcess, 20 * 60 * 1000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &code);
    } else {
        TerminateProcess(process.hProcess, kExtractionFailed);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

const char* Outcome(DWORD code)
{
    switch (code) {
    case kHeld: return "extracted";
    case kOutOfMemory: return "out of memory";
    default: return "extraction failed";
    }
}

}  // namespace

int RunLargestPayloadCase(const std::wstring& zipPath, const std::wstring& dir)
{
    CreateDirectories(dir);
    HANDLE file = CreateFileW(zipPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return kExtractionFailed;
    }
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    CloseHandle(file);
    // The installer's image holds the payload mapped, as this view does.
    const void* view = mapping ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) : nullptr;
    int result = kOutOfMemory;
    if (view != nullptr) {
        try {
            const auto* bytes = static_cast<const unsigned char*>(view);
            std::vector<unsigned char> payload(bytes, bytes + size.QuadPart);
            InstallerState state;
            result = ExtractPayload(payload, dir, ProgressTarget{nullptr, &state}) ? kHeld : kExtractionFailed;
        } catch (const std::bad_alloc&) {
            result = kOutOfMemory;
        }
        UnmapViewOfFile(view);
    }
    if (mapping != nullptr) {
        CloseHandle(mapping);
    }
    return result;
}

int ReportLargestPayload(const std::wstring& workDir)
{
    CreateDirectories(workDir);
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring withoutLargeAddresses = workDir + L"\\extraction_benchmark_2gb.exe";
    if (!IsLargeAddressAware() || !WriteCopyWithoutLargeAddresses(withoutLargeAddresses)) {
        std::printf("largest payload: this build is not large-address-aware; nothing to compare\n");
        return 1;
    }
    for (unsigned megabytes : kPayloadMegabytes) {
        const std::wstring zipPath = workDir + L"\\incompressible-" + std::to_wstring(megabytes) + L".zip";
        if (!FileExists(zipPath) && !WriteArchive(zipPath, megabytes)) {
            std::printf("largest payload: could not write the %u MB archive\n", megabytes);
            return 1;
        }
        for (const auto& [program, label] : {std::pair{std::wstring(self), "large-address-aware"},
                                             std::pair{withoutLargeAddresses, "without large-address-awareness"}}) {
            ScopedTempDir target;
            std::printf("largest payload: %4u MB %-32s %s\n", megabytes, label,
                        Outcome(RunCase(program, zipPath, target / L"Orvicap")));
            std::fflush(stdout);
        }
        DeleteFileW(zipPath.c_str());
    }
    DeleteFileW(withoutLargeAddresses.c_str());
    return 0;
}
