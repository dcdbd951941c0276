#include "start_records.h"

#include "test_files.h"

std::vector<StartRecord> ReadStartRecords(const std::wstring& path)
{
    std::wstring text = Utf8ToWideForTest(ReadFileBytes(path));
    std::vector<StartRecord> records;
    size_t start = 0;
    for (size_t end = text.find(L'\n'); end != std::wstring::npos; end = text.find(L'\n', start)) {
        std::wstring line = text.substr(start, end - start);
        size_t tab = line.find(L'\t');
        records.push_back(tab == std::wstring::npos ? StartRecord{line, L"<no tab>"}
                                                    : StartRecord{line.substr(0, tab), line.substr(tab + 1)});
        start = end + 1;
    }
    return records;
}

std::vector<StartRecord> WaitForStartRecords(const std::wstring& path, size_t count, DWORD timeoutMs)
{
    DWORD begin = GetTickCount();
    std::vector<StartRecord> records = ReadStartRecords(path);
    while (records.size() < count && GetTickCount() - begin < timeoutMs) {
        Sleep(50);
        records = ReadStartRecords(path);
    }
    return records;
}
