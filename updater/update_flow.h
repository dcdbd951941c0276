#pragma once

// The whole update, from the command line to the exit code: split and check
// the arguments, wait for the application, pause, copy the staging tree over
// the install tree, clear the staging directory, start the application again.
int RunUpdater(const wchar_t* commandLine);
