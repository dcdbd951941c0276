#include "zip_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

#include "miniz.h"

std::string BuildZip(const std::vector<ZipEntry>& entries)
{
    mz_zip_archive zip{};
    EXPECT_TRUE(mz_zip_writer_init_heap(&zip, 0, 0));
    for (const ZipEntry& entry : entries) {
        mz_uint level = entry.stored ? MZ_NO_COMPRESSION : MZ_DEFAULT_LEVEL;
        EXPECT_TRUE(mz_zip_writer_add_mem(&zip, entry.name.c_str(), entry.data.data(), entry.data.size(), level))
            << entry.name;
    }
    void* buffer = nullptr;
    size_t size = 0;
    EXPECT_TRUE(mz_zip_writer_finalize_heap_archive(&zip, &buffer, &size));
    std::string archive(static_cast<const char*>(buffer), size);
    mz_zip_writer_end(&zip);
    return archive;
}

void RenameEntry(std::string& archive, const std::string& from, const std::string& to)
{
    ASSERT_EQ(from.size(), to.size());
    size_t found = 0;
    for (size_t at = archive.find(from); at != std::string::npos; at = archive.find(from, at + 1)) {
        archive.replace(at, from.size(), to);
        ++found;
    }
    ASSERT_EQ(found, 2u) << "expected the name once in the local header and once in the central directory";
}

static size_t CentralRecordOffset(const std::string& archive, int index)
{
    const char signature[] = "PK\x01\x02";
    size_t at = archive.find(signature, 0, 4);
    for (int i = 0; i < index && at != std::string::npos; ++i) {
        at = archive.find(signature, at + 4, 4);
    }
    EXPECT_NE(at, std::string::npos) << "no central directory record " << index;
    return at;
}

unsigned ReadCentralField(const std::string& archive, int index, CentralField field)
{
    size_t at = CentralRecordOffset(archive, index) + static_cast<size_t>(field);
    size_t width = field == CentralField::Flags || field == CentralField::Method ? 2 : 4;
    unsigned value = 0;
    std::memcpy(&value, archive.data() + at, width);
    return value;
}

void WriteCentralField(std::string& archive, int index, CentralField field, unsigned value)
{
    size_t at = CentralRecordOffset(archive, index) + static_cast<size_t>(field);
    size_t width = field == CentralField::Flags || field == CentralField::Method ? 2 : 4;
    std::memcpy(archive.data() + at, &value, width);
}

size_t EntryDataOffset(const std::string& archive, int index)
{
    const size_t kLocalHeaderSize = 30;
    const size_t kNameLengthOffset = 26;
    const size_t kExtraLengthOffset = 28;
    size_t local = ReadCentralField(archive, index, CentralField::LocalHeaderOffset);
    unsigned short nameLength = 0;
    unsigned short extraLength = 0;
    std::memcpy(&nameLength, archive.data() + local + kNameLengthOffset, sizeof(nameLength));
    std::memcpy(&extraLength, archive.data() + local + kExtraLengthOffset, sizeof(extraLength));
    return local + kLocalHeaderSize + nameLength + extraLength;
}
