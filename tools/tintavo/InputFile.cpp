#include "tools/tintavo/InputFile.h"

#include <algorithm>
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

// Reads the stream to its end, at most kPictureMaxFileSize bytes, straight
// into the vector (reserved for `expectedSize` bytes, the file's size when
// known, so that a large picture is not copied as the vector grows).
bool ReadAll(std::FILE* stream, std::uint64_t expectedSize, std::vector<std::uint8_t>* bytes,
             std::string* reason) {
  bytes->clear();
  if (expectedSize > 0 && expectedSize <= kPictureMaxFileSize) {
    bytes->reserve(static_cast<std::size_t>(expectedSize) + 1);
  }
  constexpr std::size_t kChunk = 1 << 16;
  for (;;) {
    const std::size_t used = bytes->size();
    // At most one byte past the limit is ever read (then refused).
    const std::size_t limit = static_cast<std::size_t>(kPictureMaxFileSize) + 1 - used;
    const std::size_t room = std::min(bytes->capacity() > used ? bytes->capacity() - used : kChunk, limit);
    bytes->resize(used + room);
    errno = 0;
    const std::size_t got = std::fread(bytes->data() + used, 1, room, stream);
    bytes->resize(used + got);
    if (bytes->size() > kPictureMaxFileSize) {
      *reason = "larger than " + std::to_string(kPictureMaxFileSize >> 20) + " MB, the most Tintavo reads";
      return false;
    }
    if (got < room) {
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
      return ReadAll(stdin, 0, bytes, reason);
    }
    platform::FileAttributeData facts;
    const bool known = platform::ReadFileAttributes(path, &facts);
    if (known && facts.isFolder) {
      *reason = "is a folder";
      return false;
    }
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
      *reason = SystemReason();
      return false;
    }
    return ReadAll(file.get(), known ? facts.size : 0, bytes, reason);
  } catch (const std::bad_alloc&) {
    *reason = "not enough memory to read it";
    return false;
  }
}
