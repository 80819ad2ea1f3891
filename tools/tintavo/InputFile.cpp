#include "tools/tintavo/InputFile.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>

#include "imagefiles/Picture.h"
#include "platform/Console.h"
#include "platform/FileInfo.h"
#include "tools/tintavo/Cli.h"

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};

// Reads the stream to its end, at most kPictureMaxFileSize bytes.
bool ReadAll(std::FILE* stream, std::vector<std::uint8_t>* bytes, std::string* reason) {
  bytes->clear();
  std::uint8_t chunk[1 << 16];
  for (;;) {
    errno = 0;
    const std::size_t got = std::fread(chunk, 1, sizeof chunk, stream);
    if (got > 0) {
      if (bytes->size() + got > kPictureMaxFileSize) {
        *reason = "larger than " + std::to_string(kPictureMaxFileSize >> 20) + " MB, the most Tintavo reads";
        return false;
      }
      bytes->insert(bytes->end(), chunk, chunk + got);
    }
    if (got < sizeof chunk) {
      if (std::ferror(stream)) {
        *reason = SystemReason();
        return false;
      }
      return true;
    }
  }
}

}  // namespace

bool ReadInput(const std::string& path, std::vector<std::uint8_t>* bytes, std::string* reason) {
  try {
    if (path == "-") {
      platform::SetBinaryMode(stdin);
      return ReadAll(stdin, bytes, reason);
    }
    platform::FileAttributeData facts;
    if (platform::ReadFileAttributes(path, &facts) && facts.isFolder) {
      *reason = "is a folder";
      return false;
    }
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
      *reason = SystemReason();
      return false;
    }
    return ReadAll(file.get(), bytes, reason);
  } catch (const std::bad_alloc&) {
    *reason = "not enough memory to read it";
    return false;
  }
}
