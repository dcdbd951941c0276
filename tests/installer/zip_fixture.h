#pragma once

#include <string>
#include <vector>

// Archives built in memory by the tests, so that each case shows exactly the
// entry it is about.
struct ZipEntry {
    std::string name;  // a name ending in "/" is a directory entry
    std::string data;
    bool stored = false;  // stored instead of deflated
};

std::string BuildZip(const std::vector<ZipEntry>& entries);

// Renames an entry in place (local header and central directory); both names
// must have the same length.  Lets a test store names that no writer would.
void RenameEntry(std::string& archive, const std::string& from, const std::string& to);

// Fields of the index-th central directory record, which is what the reader
// trusts for sizes, CRC-32, method and flags.
enum class CentralField {
    Flags = 8,
    Method = 10,
    Crc32 = 16,
    CompressedSize = 20,
    UncompressedSize = 24,
    LocalHeaderOffset = 42
};
unsigned ReadCentralField(const std::string& archive, int index, CentralField field);
void WriteCentralField(std::string& archive, int index, CentralField field, unsigned value);

// Where the index-th entry's stored (compressed) data begins: past its local
// header, its name and its extra field.
size_t EntryDataOffset(const std::string& archive, int index);
