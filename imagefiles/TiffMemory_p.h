#pragma once
// libtiff over bytes in memory: the decoder and the metadata reader open a
// file held in memory, the writer builds a file in memory when its output
// cannot seek (a pipe).
//
// libtiff reports errors and warnings through handlers: the process-wide
// ones are switched off once (nothing prints), and each open file gets its
// own handler that keeps the first error.

#include <cstddef>
#include <cstdint>
#include <vector>

#include <tiffio.h>

namespace tiffmemory {

// The state of one file open for reading or writing.  Reading uses `data`
// and `size`; writing grows `output` (data and size are then unused).
struct MemoryFile {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::uint64_t position = 0;
  char message[256] = {};
  bool endReached = false;  // a read asked for bytes past the end
  std::vector<std::uint8_t>* output = nullptr;
};

// No single allocation of libtiff (strip and tile buffers, tag arrays) may
// exceed this.
constexpr tmsize_t kMaxLibraryAllocation = sizeof(void*) == 4 ? tmsize_t(256) << 20 : tmsize_t(1) << 30;

// Closes the file it holds, if any, when it goes out of scope.
struct TiffGuard {
  TIFF* tiff;
  ~TiffGuard() {
    if (tiff != nullptr) TIFFClose(tiff);
  }
  TiffGuard(const TiffGuard&) = delete;
  TiffGuard& operator=(const TiffGuard&) = delete;
};

// Switches libtiff's process-wide handlers off (once).
void SilenceProcessWideHandlers();

// Opens `file` for reading ("r") or, with file->output set, for writing
// ("w"), through TIFFClientOpenExt with a per-file error handler that keeps
// the first message in file->message; libtiff's single allocations are
// capped at `maxAllocation` bytes.  Null when libtiff refuses.
TIFF* Open(MemoryFile* file, bool write, tmsize_t maxAllocation);

}  // namespace tiffmemory
