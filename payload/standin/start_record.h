#pragma once

// Appends "<command line>\t<current directory>\n" (UTF-8) to the file that
// ORVICAP_STANDIN_RECORD names, so that tests see every start.  True when the
// variable is not set, or the line was written.
bool AppendStartRecord();
