#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "miniz.h"
#include "program_resource_checks.h"
#include "program_resources.h"
#include "test_files.h"

namespace {

// This test program carries the installer's resource script, so it is read
// back here exactly as Windows reads VLInstaller.exe.
std::wstring Self()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::string RcData(WORD id)
{
    return ResourceBytes(Self(), RT_RCDATA, MAKEINTRESOURCEW(id));
}

TEST(InstallerResources, VersionBlockAndManifestNameTheInstallerAndRequireAdministrator)
{
    const std::wstring productName = VersionString(Self(), L"080404b0", L"ProductName");
    EXPECT_FALSE(productName.empty());
    ExpectVersionBlockAndManifest(Self(), {L"080404b0",
                                           0x04B0,
                                           {{L"CompanyName", L"维洛电子商务有限公司"},
                                            {L"FileVersion", ORVICAP_PRODUCT_VERSION},
                                            {L"InternalName", L"VLInstaller"},
                                            {L"OriginalFilename", L"VLInstaller.exe"},
                                            {L"ProductVersion", ORVICAP_PRODUCT_VERSION},
                                            {L"FileDescription", productName + L"安装程序"}},
                                           "requireAdministrator",
                                           false});
}

#pragma pack(push, 2)
struct IconDirectoryEntry {
    BYTE width, height, colorCount, reserved;
    WORD planes, bitCount;
    DWORD bytesInResource;
    DWORD imageOffset;  // in an .ico file; a group-icon entry has a WORD id here instead
};
#pragma pack(pop)

// The icon file (103) holds one 64 x 64, 32-bit image, and icon resource 1 is
// that very picture.
TEST(InstallerResources, IconFileAndIconResourceAreTheSameSingle64PixelImage)
{
    std::string icoFile = RcData(103);
    ASSERT_GE(icoFile.size(), 6 + sizeof(IconDirectoryEntry));
    WORD header[3];
    std::memcpy(header, icoFile.data(), sizeof(header));
    EXPECT_EQ(header[1], 1) << "an icon file";
    ASSERT_EQ(header[2], 1) << "exactly one image";
    IconDirectoryEntry entry;
    std::memcpy(&entry, icoFile.data() + 6, sizeof(entry));
    EXPECT_EQ(entry.width, 64);
    EXPECT_EQ(entry.height, 64);
    EXPECT_EQ(entry.bitCount, 32);
    ASSERT_LE(entry.imageOffset + entry.bytesInResource, icoFile.size());
    std::string image = icoFile.substr(entry.imageOffset, entry.bytesInResource);

    std::string group = ResourceBytes(Self(), RT_GROUP_ICON, MAKEINTRESOURCEW(1));
    ASSERT_GE(group.size(), 6u + 14u);
    std::memcpy(header, group.data(), sizeof(header));
    ASSERT_EQ(header[2], 1) << "icon resource 1 holds one image";
    WORD imageId = 0;
    std::memcpy(&imageId, group.data() + 6 + 12, sizeof(imageId));
    EXPECT_EQ(ResourceBytes(Self(), RT_ICON, MAKEINTRESOURCEW(imageId)), image);
}

TEST(InstallerResources, UninstallerResourceIsTheBuiltUninstallerByteForByte)
{
    std::string built = ReadFileBytes(ModuleDirectory() + L"\\uninstall.exe");
    ASSERT_FALSE(built.empty());
    std::string embedded = RcData(102);
    EXPECT_EQ(embedded.size(), built.size());
    EXPECT_TRUE(embedded == built) << "resource 102 differs from the built uninstall.exe";
}

// The payload as the extractor relies on it: one top folder with its own
// entry first, UTF-8 names flagged, directories stored before their
// contents, files deflated, and the application's two programs inside.
TEST(InstallerResources, PayloadIsTheApplicationFolderInTheExpectedLayout)
{
    std::string payload = RcData(101);
    mz_zip_archive zip{};
    ASSERT_TRUE(mz_zip_reader_init_mem(&zip, payload.data(), payload.size(), 0));
    mz_uint count = mz_zip_reader_get_num_files(&zip);
    ASSERT_GT(count, 3u);
    std::vector<std::string> names;
    for (mz_uint i = 0; i < count; ++i) {
        mz_zip_archive_file_stat stat;
        ASSERT_TRUE(mz_zip_reader_file_stat(&zip, i, &stat));
        std::string name = stat.m_filename;
        SCOPED_TRACE(name);
        EXPECT_TRUE(stat.m_bit_flag & 0x800) << "UTF-8 flag";
        EXPECT_EQ(name.rfind("Orvicap/", 0), 0u) << "one top folder";
        EXPECT_EQ(name.find('\\'), std::string::npos);
        if (name.back() == '/') {
            EXPECT_EQ(stat.m_method, 0);
            EXPECT_EQ(stat.m_uncomp_size, 0u);
            EXPECT_EQ(stat.m_external_attr, 0x10u);
        } else {
            EXPECT_EQ(stat.m_method, MZ_DEFLATED);
            EXPECT_EQ(stat.m_external_attr, 0x20u);
            std::string parent = name.substr(0, name.find_last_of('/') + 1);
            EXPECT_NE(std::find(names.begin(), names.end(), parent), names.end()) << "its folder comes first";
        }
        names.push_back(name);
    }
    EXPECT_EQ(names.front(), "Orvicap/");
    EXPECT_NE(std::find(names.begin(), names.end(), "Orvicap/bin/64bit/Orvicap.exe"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "Orvicap/bin/64bit/VLUpdater.exe"), names.end());
    mz_zip_reader_end(&zip);
}

}  // namespace
