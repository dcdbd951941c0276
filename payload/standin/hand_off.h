#pragma once

#include <string>

// Where this program is installed, from its own path <root>\bin\64bit\Orvicap.exe.
struct InstallLocation {
    std::wstring programFolder;  // <root>\bin\64bit
    std::wstring installRoot;    // <root>
    bool installed = false;      // the program sits in a bin\64bit folder
};

InstallLocation LocateInstallation();

struct HandOffResult {
    bool started = false;
    std::wstring problem;  // what went wrong, as the user reads it; empty when started
};

// Demonstrates an update: stages one changed file in a fresh folder below
// %TEMP%, mirroring the install tree, and starts the updater beside this
// program to lay it over the installation once this process has exited.
// The caller exits at once when it started.
HandOffResult StartUpdateHandOff();
