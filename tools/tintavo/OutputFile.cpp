#include "tools/tintavo/OutputFile.h"

#include <cstdio>

#include "imagefiles/PictureWriter.h"
#include "platform/Console.h"
#include "platform/File.h"

bool WritePictureAtomically(const CImageBuffer& image, const std::string& path, int quality,
                            std::string* error) {
  const PictureFormat format = PictureFormatOf(path);
  const auto slash = path.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::string temp = folder + "." + name + ".tintavo-" + std::to_string(platform::CurrentProcessId()) + ".tmp";

  platform::RemoveFileOnInterrupt(temp);
  std::string why;
  bool ok = WritePicture(image, temp, format, quality, &why);
  if (ok && !platform::RenameOver(temp, path)) {
    why = "cannot replace the file";
    ok = false;
  }
  if (!ok) {
    platform::DeleteFileAt(temp);
    *error = path + ": " + why;
  }
  platform::ForgetFileOnInterrupt();
  return ok;
}
