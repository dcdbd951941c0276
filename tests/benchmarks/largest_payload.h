#pragma once

#include <string>

// Finds the largest payload the running build of the installer's extraction
// can unpack: for 256 MB, 512 MB, 768 MB and 1 GB archives of incompressible data it
// holds the archive as the installer does (mapped with the program, then
// copied to the heap) and extracts it, once as this program is built and once
// from a copy without large-address-awareness; prints one line per case.
int ReportLargestPayload(const std::wstring& workDir);

// One case, run in a child process: 0 when the archive at zipPath was held
// twice and extracted into dir, 2 when the memory could not be had, 1 when
// the extraction failed.
int RunLargestPayloadCase(const std::wstring& zipPath, const std::wstring& dir);
