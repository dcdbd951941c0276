#pragma once

#include <string>

// What the NSIS installer of the same tree cost: from its start to its own
// exit, with its progress page on screen.
struct NsisPeerResult {
    double seconds = 0;
    double peakMegabytes = 0;       // the highest commit seen while it ran
    double installedMegabytes = 0;  // what it left in the target folder
};

// The peer's installer beside the benchmark, built by tools/kit bench.
std::wstring NsisPeerPath();
// Runs the installer into a fresh folder and waits for it (at most half an
// hour); false when it could not start, did not finish or failed.
bool MeasureNsisPeer(const std::wstring& installer, NsisPeerResult& result);
