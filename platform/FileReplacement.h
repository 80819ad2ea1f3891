#pragma once
// What replacing a file with a new one written beside it must keep: the old
// file's permission bits, and a symbolic link, which is replaced at its
// target so that it stays a link to the new content.

#include <string>

namespace platform {

// The file a path finally names, symbolic links followed (POSIX; on Windows
// the path itself).  A path that names no link, or a link whose target does
// not exist yet, answers where the file is or would be.
std::string FinalTarget(const std::string& path);

// Gives `to` the permission bits of `from` (POSIX; nothing to do on
// Windows).  True when done or when `from` does not exist.
bool CopyPermissions(const std::string& from, const std::string& to);

}  // namespace platform
