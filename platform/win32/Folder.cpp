#include "platform/Folder.h"

#include <windows.h>
#include <shellapi.h>

namespace platform {

std::vector<FolderEntry> ListFolder(const std::string& folder) {
  std::vector<FolderEntry> entries;
  std::string pattern = folder;
  if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return entries;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    entries.push_back(FolderEntry{name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return entries;
}

char PathSeparator() { return '\\'; }

int ShellDeleteFile(const std::string& path, bool allowUndo, bool askUser, bool* aborted) {
  // The shell takes a list of paths ending in two zero bytes.
  std::string from = path;
  from.push_back('\0');
  from.push_back('\0');
  SHFILEOPSTRUCTA op = {};
  op.hwnd = nullptr;
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.pTo = nullptr;
  op.fFlags = static_cast<FILEOP_FLAGS>(FOF_SILENT | (allowUndo ? FOF_ALLOWUNDO : 0) |
                                        (askUser ? 0 : FOF_NOCONFIRMATION));
  const int answer = SHFileOperationA(&op);
  *aborted = op.fAnyOperationsAborted != FALSE;
  return answer;
}

}  // namespace platform
