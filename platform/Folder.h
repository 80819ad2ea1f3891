#pragma once
// Folders and the shell: listing a folder, deleting a file the way the
// desktop does.

#include <string>
#include <vector>

namespace platform {

struct FolderEntry {
  std::string name;
  bool isFolder = false;
};

// The entries of a folder (without "." and ".."); empty when it cannot be read.
std::vector<FolderEntry> ListFolder(const std::string& folder);

// The separator between folder names on this platform.
char PathSeparator();

// Deletes a file through the shell (Win32 SHFileOperationA with FOF_SILENT,
// plus FOF_ALLOWUNDO when asked and FOF_NOCONFIRMATION when the user is not
// to be asked; POSIX unlink).  Answers 0 on success or the platform's error
// code; `*aborted` tells whether the user declined.
int ShellDeleteFile(const std::string& path, bool allowUndo, bool askUser, bool* aborted);

}  // namespace platform
