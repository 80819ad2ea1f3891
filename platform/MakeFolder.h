#pragma once
// Creating a folder and the folders above it that are missing.

#include <string>

namespace platform {

// True when the folder exists afterwards; otherwise false with the
// system's reason ("Permission denied", ...) in `*reason`.
bool MakeFolders(const std::string& path, std::string* reason);

}  // namespace platform
