#pragma once

#include <windows.h>

#include <string>
#include <vector>

// One start of the stand-in application, as it appends it to the file named
// by ORVICAP_STANDIN_RECORD: "<command line>\t<current directory>\n".
struct StartRecord {
    std::wstring commandLine;
    std::wstring directory;
};

// The complete lines of the record file; a line still being written is not one.
std::vector<StartRecord> ReadStartRecords(const std::wstring& path);
// Polls until the file holds at least count complete records, at most timeoutMs.
std::vector<StartRecord> WaitForStartRecords(const std::wstring& path, size_t count, DWORD timeoutMs);
