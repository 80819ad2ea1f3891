#include "tools/tintavo/OutputFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "platform/Console.h"
#include "platform/File.h"
#include "platform/FileInfo.h"
#include "platform/FileReplacement.h"
#include "tools/tintavo/Cli.h"

namespace {

// Temporary names differ between the threads of one process.
std::atomic<unsigned> g_serial{0};

std::string TemporaryName(const std::string& folderWithSeparator, const std::string& name) {
  return folderWithSeparator + "." + name + ".tintavo-" + std::to_string(platform::CurrentProcessId()) + "-" +
         std::to_string(g_serial.fetch_add(1)) + ".tmp";
}

// The folder of a path with its separator ("" when it has none).
std::string FolderPrefix(const std::string& path) {
  const auto slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

std::string FolderOfPath(const std::string& path) {
  const auto slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return ".";
  if (slash == 0) return path.substr(0, 1);
  return path.substr(0, slash);
}

bool CheckFolderWritable(const std::string& folder, std::string* reason) {
  platform::FileAttributeData facts;
  if (!platform::ReadFileAttributes(folder, &facts)) {
    errno = ENOENT;
    *reason = SystemReason();
    return false;
  }
  if (!facts.isFolder) {
    errno = ENOTDIR;
    *reason = SystemReason();
    return false;
  }
  const char last = folder.empty() ? '/' : folder.back();
  const std::string prefix = last == '/' || last == '\\' ? folder : folder + "/";
  const std::string probe = TemporaryName(prefix, "probe");
  errno = 0;
  std::FILE* file = std::fopen(probe.c_str(), "wb");
  if (file == nullptr) {
    *reason = SystemReason();
    return false;
  }
  std::fclose(file);
  platform::DeleteFileAt(probe);
  return true;
}

bool WritePictureAtomically(const CImageBuffer& image, const std::string& path, PictureFormat format,
                            const PictureWriteOptions& options, std::string* error) {
  // A symbolic link is replaced where it points.
  const std::string target = platform::FinalTarget(path);
  const auto slash = target.find_last_of("/\\");
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  const std::string temp = TemporaryName(FolderPrefix(target), name);

  const int slot = platform::RemoveFileOnInterrupt(temp);
  std::string why;
  bool ok = WritePicture(image, temp, format, options, &why);
  if (ok && !platform::CopyPermissions(target, temp)) {
    why = "cannot give the new file the old one's permissions: " + SystemReason();
    ok = false;
  }
  if (ok && !platform::RenameOver(temp, target)) {
    why = "cannot replace the file: " + SystemReason();
    ok = false;
  }
  if (!ok) {
    platform::DeleteFileAt(temp);
    *error = path + ": " + why;
  }
  platform::ForgetFileOnInterrupt(slot);
  return ok;
}

bool WritePictureToStdout(const CImageBuffer& image, PictureFormat format, const PictureWriteOptions& options,
                          std::string* error) {
  platform::SetBinaryMode(stdout);
  std::string why;
  if (WritePictureToStream(image, stdout, format, options, &why)) return true;
  *error = "standard output: " + why;
  return false;
}
