// Measures the installer's extraction of a product-scale payload against a
// bare miniz extraction loop of the same archive and against an NSIS
// installer of the same tree, in separate processes so that each phase's
// peak memory is its own.
//   extraction_benchmark            builds the payload once, runs every phase, prints the figures
//   extraction_benchmark --payload  only builds the payload (for packing the NSIS peer from it)
//   extraction_benchmark --phase bare|installer ZIP DIR RESULT
//   extraction_benchmark --largest-payload      the largest payload this build can hold and extract
//   extraction_benchmark --largest-payload ZIP DIR   one case of it
#include <windows.h>
#include <psapi.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "benchmark_window.h"
#include "buffered_paint.h"
#include "largest_payload.h"
#include "miniz.h"
#include "nsis_peer.h"
#include "payload_extraction.h"
#include "product_payload.h"
#include "test_files.h"
#include "window_painting.h"

namespace {

// What the extraction may cost beside the bare miniz loop, and what one of
// its paints may cost: the repaints after every file draw only the progress
// bar on a copy of the window's retained layer.
constexpr double kMaxRatioToBare = 1.5;
constexpr double kMaxMeanPaintMs = 1.0;

struct PhaseResult {
    double seconds = 0;
    double peakMegabytes = 0;
    int paints = 0;
    double paintSeconds = 0;
    double drainMicroseconds = 0;
    double repaintMilliseconds = 0;  // one whole repaint request: invalidate, then update
    double wholePaintMilliseconds = 0;    // the whole picture, as every paint drew it before the layer
    double layeredPaintMilliseconds = 0;  // the same picture through the retained layer
};

double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double PeakMegabytes()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return static_cast<double>(counters.PeakPagefileUsage) / (1024.0 * 1024.0);
}

// The limit: what miniz alone costs, with the same 64 KiB buffer per file and
// no window, no containment check, no progress.
bool BareExtract(const std::vector<unsigned char>& payload, const std::wstring& dir)
{
    mz_zip_archive zip{};
    if (!mz_zip_reader_init_mem(&zip, payload.data(), payload.size(), 0)) {
        return false;
    }
    std::vector<char> buffer(65536);
    bool ok = true;
    for (mz_uint i = 0; ok && i < mz_zip_reader_get_num_files(&zip); ++i) {
        mz_zip_archive_file_stat stat;
        mz_zip_reader_file_stat(&zip, i, &stat);
        std::wstring path = dir + L"\\" + Utf8ToWideForTest(stat.m_filename);
        for (wchar_t& c : path) {
            if (c == L'/') c = L'\\';
        }
        if (mz_zip_reader_is_file_a_directory(&zip, i)) {
            SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
            continue;
        }
        mz_zip_reader_extract_iter_state* iterator = mz_zip_reader_extract_iter_new(&zip, i, 0);
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        size_t read = 0;
        while ((read = mz_zip_reader_extract_iter_read(iterator, buffer.data(), buffer.size())) > 0) {
            DWORD written = 0;
            WriteFile(file, buffer.data(), static_cast<DWORD>(read), &written, nullptr);
        }
        CloseHandle(file);
        ok = mz_zip_reader_extract_iter_free(iterator);
    }
    mz_zip_reader_end(&zip);
    return ok;
}

std::vector<unsigned char> ReadPayloadFile(const std::wstring& path)
{
    std::vector<unsigned char> payload;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return payload;
    }
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    payload.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    ReadFile(file, payload.data(), static_cast<DWORD>(payload.size()), &read, nullptr);
    payload.resize(read);
    CloseHandle(file);
    return payload;
}

double MeanDrainMicroseconds()
{
    const int kDrains = 2000;
    double start = Now();
    for (int i = 0; i < kDrains; ++i) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
    }
    return (Now() - start) / kDrains * 1e6;
}

// What one repaint costs as the extraction asks for it after each file: the
// invalidation and the synchronous update, the paint handler included.
double MeanRepaintMilliseconds(BenchmarkWindow& window)
{
    const int kRepaints = 100;
    double start = Now();
    for (int i = 0; i < kRepaints; ++i) {
        InvalidateRect(window.window, nullptr, FALSE);
        UpdateWindow(window.window);
    }
    double mean = (Now() - start) / kRepaints * 1000.0;
    window.paints = 0;
    window.paintSeconds = 0;
    return mean;
}

// One paint of the whole picture, as every paint drew it before the retained
// layer, beside one paint through the layer, interleaved so that both meet
// the same load: a figure of the gain that the machine's other work does not
// blur as much as it blurs the times of whole runs.
void MeasurePaintPaths(BenchmarkWindow& window, PhaseResult& result)
{
    const int kRounds = 50;
    HDC dc = GetDC(window.window);
    RECT client{};
    GetClientRect(window.window, &client);
    InstallerState& state = window.state;
    double whole = 0;
    double layered = 0;
    for (int i = 0; i < kRounds; ++i) {
        state.progress = i;
        double start = Now();
        PaintThroughBuffer(dc, client, [&state](HDC buffer) { PaintInstallerWindow(buffer, state, state.layout); });
        whole += Now() - start;
        start = Now();
        PaintInstallerThroughLayer(dc, client, state);
        layered += Now() - start;
    }
    ReleaseDC(window.window, dc);
    state.progress = 0;
    result.wholePaintMilliseconds = whole / kRounds * 1000.0;
    result.layeredPaintMilliseconds = layered / kRounds * 1000.0;
}

int RunPhase(const std::wstring& phase, const std::wstring& zipPath, const std::wstring& dir, const std::wstring& resultPath)
{
    // The installer holds the payload in one heap buffer, as LoadPayload does.
    std::vector<unsigned char> payload = ReadPayloadFile(zipPath);
    PhaseResult result;
    bool ok = false;
    if (phase == L"bare") {
        double start = Now();
        ok = BareExtract(payload, dir);
        result.seconds = Now() - start;
    } else {
        BenchmarkWindow window;
        result.drainMicroseconds = MeanDrainMicroseconds();
        MeasurePaintPaths(window, result);
        result.repaintMilliseconds = MeanRepaintMilliseconds(window);
        double start = Now();
        ok = ExtractPayload(payload, dir, ProgressTarget{window.window, &window.state});
        result.seconds = Now() - start;
        result.paints = window.paints;
        result.paintSeconds = window.paintSeconds;
    }
    result.peakMegabytes = PeakMegabytes();
    char line[256];
    std::snprintf(line, sizeof(line), "%d %.4f %.2f %d %.4f %.2f %.4f %.4f %.4f\n", ok ? 1 : 0, result.seconds,
                  result.peakMegabytes, result.paints, result.paintSeconds, result.drainMicroseconds,
                  result.repaintMilliseconds, result.wholePaintMilliseconds, result.layeredPaintMilliseconds);
    WriteFileBytes(resultPath, line);
    return ok ? 0 : 1;
}

bool RunChild(const std::wstring& arguments)
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return false;
    }
    WaitForSingleObject(process.hProcess, 30 * 60 * 1000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code == 0;
}

bool ReadResult(const std::wstring& path, PhaseResult& result)
{
    int ok = 0;
    std::string text = ReadFileBytes(path);
    return std::sscanf(text.c_str(), "%d %lf %lf %d %lf %lf %lf %lf %lf", &ok, &result.seconds,
                       &result.peakMegabytes, &result.paints, &result.paintSeconds, &result.drainMicroseconds,
                       &result.repaintMilliseconds, &result.wholePaintMilliseconds,
                       &result.layeredPaintMilliseconds) == 9 &&
           ok == 1;
}

bool MeasurePhase(const wchar_t* phase, const std::wstring& zipPath, PhaseResult& result)
{
    ScopedTempDir target;
    std::wstring resultPath = target / L"result.txt";
    std::wstring dir = target / L"Orvicap";
    CreateDirectories(dir);
    std::wstring arguments = std::wstring(L"--phase ") + phase + L" \"" + zipPath + L"\" \"" + dir + L"\" \"" + resultPath + L"\"";
    return RunChild(arguments) && ReadResult(resultPath, result);
}

// Keeps the faster of the two runs: the figure least disturbed by whatever
// else the machine was doing.
bool MeasureFaster(const wchar_t* phase, const std::wstring& zipPath, PhaseResult& fastest, bool first)
{
    PhaseResult result;
    if (!MeasurePhase(phase, zipPath, result)) {
        return false;
    }
    if (first || result.seconds < fastest.seconds) {
        fastest = result;
    }
    return true;
}

std::wstring PayloadPath()
{
    return ModuleDirectory() + L"\\product-scale-payload.zip";
}

void ReportNsisPeer(double unpackedMegabytes, const PhaseResult& bare)
{
    const std::wstring installer = NsisPeerPath();
    if (!FileExists(installer)) {
        std::printf("NSIS peer: not measured: no nsis-peer.exe beside the benchmark (tools/kit bench packs it)\n");
        return;
    }
    NsisPeerResult peer;
    if (!MeasureNsisPeer(installer, peer)) {
        std::printf("NSIS peer: failed or did not finish\n");
        return;
    }
    std::printf("NSIS peer (zlib):     %7.2f s  %6.1f MB/s  peak %.1f MB  ratio to bare %.2f  installed %.1f MB\n",
                peer.seconds, unpackedMegabytes / peer.seconds, peer.peakMegabytes, peer.seconds / bare.seconds,
                peer.installedMegabytes);
}

int RunBenchmark()
{
    std::wstring zipPath = PayloadPath();
    std::string archive = ProductScalePayload(zipPath);
    double packedMegabytes = static_cast<double>(archive.size()) / (1024.0 * 1024.0);
    mz_zip_archive zip{};
    mz_zip_reader_init_mem(&zip, archive.data(), archive.size(), 0);
    mz_uint entries = mz_zip_reader_get_num_files(&zip);
    mz_uint directories = 0;
    double unpacked = 0;
    // The extraction drains the queue before every entry, after every 64 KiB
    // chunk written and after every file: all of it required work.
    double drains = entries;
    for (mz_uint i = 0; i < entries; ++i) {
        mz_zip_archive_file_stat stat;
        mz_zip_reader_file_stat(&zip, i, &stat);
        directories += stat.m_is_directory ? 1 : 0;
        unpacked += static_cast<double>(stat.m_uncomp_size);
        if (!stat.m_is_directory) {
            drains += 1 + static_cast<double>((stat.m_uncomp_size + 65535) / 65536);
        }
    }
    mz_zip_reader_end(&zip);
    double unpackedMegabytes = unpacked / (1024.0 * 1024.0);
    archive.clear();
    std::printf("payload: %u entries (%u directories), %.1f MB unpacked, %.1f MB packed\n", entries, directories,
                unpackedMegabytes, packedMegabytes);

    // Each phase runs twice, alternating with the other, so that both meet
    // the same conditions; the faster run of each counts.
    PhaseResult bare, installer;
    for (int run = 0; run < 2; ++run) {
        if (!MeasureFaster(L"bare", zipPath, bare, run == 0) ||
            !MeasureFaster(L"installer", zipPath, installer, run == 0)) {
            std::printf("a phase failed\n");
            return 1;
        }
    }
    double meanPaintMs = installer.paints ? installer.paintSeconds / installer.paints * 1000.0 : 0.0;
    double mandated = installer.paintSeconds + drains * installer.drainMicroseconds / 1e6;
    double limit = (bare.seconds + mandated) * 1.10;
    std::printf("bare miniz loop:      %7.2f s  %6.1f MB/s  peak %.1f MB\n", bare.seconds,
                unpackedMegabytes / bare.seconds, bare.peakMegabytes);
    const double ratio = installer.seconds / bare.seconds;
    std::printf("installer extraction: %7.2f s  %6.1f MB/s  peak %.1f MB  ratio to bare %.2f\n", installer.seconds,
                unpackedMegabytes / installer.seconds, installer.peakMegabytes, ratio);
    std::printf("paints: %d, mean paint %.2f ms, paints total %.2f s; %.0f queue drains at %.1f us\n",
                installer.paints, meanPaintMs, installer.paintSeconds, drains, installer.drainMicroseconds);
    std::printf("one repaint request (invalidate + update) outside the extraction: %.2f ms\n",
                installer.repaintMilliseconds);
    std::printf("one paint outside the extraction, interleaved: whole picture %.2f ms, through the layer %.2f ms "
                "(%.1f x faster)\n",
                installer.wholePaintMilliseconds, installer.layeredPaintMilliseconds,
                installer.wholePaintMilliseconds / installer.layeredPaintMilliseconds);
    std::printf("target: extraction <= bare x %.1f = %.2f s (ratio %.2f): %s\n", kMaxRatioToBare,
                bare.seconds * kMaxRatioToBare, ratio, ratio <= kMaxRatioToBare ? "met" : "missed");
    std::printf("target: mean paint during the extraction <= %.1f ms (%.2f ms): %s\n", kMaxMeanPaintMs, meanPaintMs,
                meanPaintMs <= kMaxMeanPaintMs ? "met" : "missed");
    std::printf("target: extraction <= (bare + paints + drains) x 1.10 = %.2f s: %s\n", limit,
                installer.seconds <= limit ? "met" : "missed");
    std::printf("target: peak <= payload + 30 MB = %.1f MB: %s\n", packedMegabytes + 30.0,
                installer.peakMegabytes <= packedMegabytes + 30.0 ? "met" : "missed");
    ReportNsisPeer(unpackedMegabytes, bare);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 6 && std::wstring(argv[1]) == L"--phase") {
        return RunPhase(argv[2], argv[3], argv[4], argv[5]);
    }
    if (argc == 4 && std::wstring(argv[1]) == L"--largest-payload") {
        return RunLargestPayloadCase(argv[2], argv[3]);
    }
    if (argc == 2 && std::wstring(argv[1]) == L"--largest-payload") {
        return ReportLargestPayload(ModuleDirectory() + L"\\largest-payload");
    }
    if (argc == 2 && std::wstring(argv[1]) == L"--payload") {
        return ProductScalePayload(PayloadPath()).empty() ? 1 : 0;
    }
    return RunBenchmark();
}
