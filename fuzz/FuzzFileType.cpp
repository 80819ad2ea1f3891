// Fuzz target: TypeFromContent, the probe the template browser runs over every
// file of a folder.  It reads a path, so each input is written to an
// anonymous in-memory file (memfd) that is opened again through /proc.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/FuzzDecoder.h"
#include "imagefiles/FileType.h"

namespace {

// The probe reads at most 2048 bytes; a little more shows that the rest is ignored.
constexpr std::size_t kMaxProbeInput = 4096;

int InputFile() {
  static const int fd = [] {
    const int f = memfd_create("tintavo-fuzz-filetype", 0);
    if (f < 0) tintavofuzz::Broken("memfd_create failed");
    return f;
  }();
  return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxProbeInput) return 0;
  const int fd = InputFile();
  if (ftruncate(fd, 0) != 0) tintavofuzz::Broken("ftruncate failed");
  std::size_t written = 0;
  while (written < size) {
    const ssize_t n = pwrite(fd, data + written, size - written, static_cast<off_t>(written));
    if (n <= 0) tintavofuzz::Broken("pwrite failed");
    written += static_cast<std::size_t>(n);
  }
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  ImageFileType type = keFileTypeUnknown;
  CStatus status = TypeFromContent(path, &type);
  // Asking for the code marks the error as handled (no throw at scope end).
  const std::uint32_t code = status.IsError() ? status.Code() : keErrNone;
  if (type < keFileTypeUnknown || type > kLastFileType) tintavofuzz::Broken("type out of range");
  // Fewer than 16 bytes is a read error; 16 and more always give a type.
  if (code != (size < 16 ? keErrFileRead : keErrNone)) tintavofuzz::Broken("status does not match the input size");
  if (code != keErrNone && type != keFileTypeUnknown) tintavofuzz::Broken("a type despite an error");
  return 0;
}
