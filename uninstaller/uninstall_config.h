#pragma once

#include <string>

// The product as the installation record uninstall.ini names it.  The record
// is read leniently: an optional UTF-8 byte-order mark, LF or CR LF line ends,
// "#", ";" and "[" lines skipped, spaces and tabs around keys and values
// dropped, keys compared with case, the first line with a key winning.
struct UninstallConfig {
    std::wstring name;
    std::wstring subtitle;
    std::wstring arpSubkey;
    std::wstring mainExe;
};

// The running uninstaller's own path, and the directory that holds it, which
// is the install directory it removes.
std::wstring OwnModulePath();
std::wstring DirectoryOfPath(const std::wstring& path);

// Reads installDir\uninstall.ini; true when it could be read and its Name is
// not empty.  The other three values may be empty.
bool LoadUninstallConfig(const std::wstring& installDir, UninstallConfig& config);

// The whole file, a leading byte-order mark removed; false when the file
// cannot be opened, its size cannot be read, or it is too large to hold
// (2 GiB or more, or more than this process can allocate).
bool ReadRecordFile(const std::wstring& path, std::string& content);

// The value of the first line whose key is exactly this one, as UTF-16;
// empty when no line has it.
std::wstring FindRecordValue(const std::string& content, const std::string& key);

// Strips spaces and tabs in front and spaces, tabs, CR and LF behind.
void TrimRecordToken(std::string& token);
