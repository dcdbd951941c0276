#pragma once

#include <string>

// Builds, once, an archive shaped like the product's payload (about 700
// entries of which about 90 directories, about 218 MB unpacked and 85 MB
// packed, a few large libraries and many small files) and keeps it at path;
// later runs reuse the file.  Returns its bytes.
std::string ProductScalePayload(const std::wstring& path);
