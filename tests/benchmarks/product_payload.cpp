#include "product_payload.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include "miniz.h"
#include "test_files.h"

namespace {

constexpr int kDirectories = 90;
constexpr int kFiles = 610;

// Content that deflates to roughly 40 %: runs of random bytes (incompressible)
// alternating with runs of repeated text, as binaries and resources do.
std::string FileContent(std::mt19937& random, size_t size)
{
    static const char kText[] = "QWidget::paintEvent(QPaintEvent*) avcodec_send_frame ffmpeg libx264 ";
    std::string data;
    data.reserve(size);
    while (data.size() < size) {
        size_t run = std::min<size_t>(size - data.size(), 512 + random() % 2048);
        bool randomRun = random() % 100 < 36;
        for (size_t i = 0; i < run; ++i) {
            data.push_back(randomRun ? static_cast<char>(random()) : kText[(data.size() + i) % (sizeof(kText) - 1)]);
        }
    }
    return data;
}

// A few tens of megabytes for the largest libraries, most files a few
// kilobytes: sizes drawn so that the tree adds up to about 218 MB.
std::vector<size_t> FileSizes(std::mt19937& random)
{
    std::vector<size_t> sizes;
    const size_t large[] = {48u << 20, 31u << 20, 22u << 20, 15u << 20, 11u << 20, 8u << 20, 6u << 20, 5u << 20};
    sizes.assign(std::begin(large), std::end(large));
    size_t total = 0;
    for (size_t s : sizes) total += s;
    const size_t target = 218u << 20;
    for (int i = static_cast<int>(sizes.size()); i < kFiles; ++i) {
        size_t remaining = target > total ? target - total : 0;
        size_t mean = remaining / static_cast<size_t>(kFiles - i);
        size_t size = i == kFiles - 1 ? remaining : static_cast<size_t>(mean * (0.05 + 1.9 * (random() % 1000) / 1000.0));
        sizes.push_back(size);
        total += size;
    }
    return sizes;
}

std::string BuildArchive()
{
    std::mt19937 random(218);
    mz_zip_archive zip{};
    mz_zip_writer_init_heap(&zip, 0, 0);
    std::vector<std::string> directories = {"Orvicap/", "Orvicap/bin/", "Orvicap/bin/64bit/"};
    for (int d = static_cast<int>(directories.size()); d < kDirectories; ++d) {
        std::string parent = directories[random() % directories.size()];
        directories.push_back(parent + "dir" + std::to_string(d) + "/");
    }
    for (const std::string& directory : directories) {
        mz_zip_writer_add_mem(&zip, directory.c_str(), nullptr, 0, 0);
    }
    std::vector<size_t> sizes = FileSizes(random);
    for (int f = 0; f < kFiles; ++f) {
        std::string directory = f < 20 ? "Orvicap/bin/64bit/" : directories[random() % directories.size()];
        std::string name = directory + "file" + std::to_string(f) + (f < 40 ? ".dll" : ".dat");
        std::string content = FileContent(random, sizes[f]);
        mz_zip_writer_add_mem(&zip, name.c_str(), content.data(), content.size(), MZ_DEFAULT_LEVEL);
    }
    void* buffer = nullptr;
    size_t size = 0;
    mz_zip_writer_finalize_heap_archive(&zip, &buffer, &size);
    std::string archive(static_cast<const char*>(buffer), size);
    mz_zip_writer_end(&zip);
    return archive;
}

}  // namespace

std::string ProductScalePayload(const std::wstring& path)
{
    std::string archive = ReadFileBytes(path);
    if (!archive.empty()) {
        return archive;
    }
    std::printf("building the product-scale payload (once)...\n");
    archive = BuildArchive();
    WriteFileBytes(path, archive);
    return archive;
}
