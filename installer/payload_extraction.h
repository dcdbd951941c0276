#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "installer_state.h"

struct mz_zip_archive;

// Where the extraction reports its progress: the window to repaint and the
// state whose progress it sets.
struct ProgressTarget {
    HWND window = nullptr;
    InstallerState* state = nullptr;
};

// Copies the payload archive (RT_RCDATA 101 of the running program) into the
// buffer; false, with the buffer empty, when it is missing or empty.
bool LoadPayload(std::vector<unsigned char>& payload);

// Unpacks the archive into installDir: the top folder shared by every entry is
// dropped, every target must lie inside installDir and must not be reached
// through a junction or symbolic link, whether standing there already or put
// there while the extraction runs (each folder on the way is judged by its
// handle and held), every file is checked against its recorded size and
// CRC-32, and progress is reported after each file.  Stops at the first failure; what was written before it
// stays.
bool ExtractPayload(const std::vector<unsigned char>& payload, const std::wstring& installDir,
                    const ProgressTarget& target);

// Writes one verified file entry into the folder that holds the target, which
// must not itself be a link; after a failure no file is left at the target.
bool ExtractEntryToFile(mz_zip_archive* zip, unsigned int index, const std::wstring& targetPath);

// Stores the percentage, repaints the window at once and drains the queue;
// false when a quit request was met (it is consumed, the rest stays queued).
bool ReportProgress(int percent, const ProgressTarget& target);

// A stored entry name as a relative Windows path: UTF-8 (or ANSI) decoded,
// "/" turned into "\", and leading "\" and "." characters removed.
std::wstring NormalizeEntryName(const std::string& storedName);

// The absolute, normalised form of a path; empty when it does not fit in
// MAX_PATH, the path itself when it cannot be resolved.
std::wstring FullPathOf(const std::wstring& path);

// Makes sure the directory that would hold the file exists.
bool EnsureParentDirectory(const std::wstring& filePath);
