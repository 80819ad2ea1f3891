#include "imagefiles/TiffMemory_p.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

namespace tiffmemory {
namespace {

tmsize_t ReadProc(thandle_t handle, void* out, tmsize_t count) {
  auto* file = static_cast<MemoryFile*>(handle);
  if (count <= 0) return 0;
  // A file being written is read back from what was written so far.
  const std::uint8_t* data = file->output != nullptr ? file->output->data() : file->data;
  const std::uint64_t size = file->output != nullptr ? file->output->size() : file->size;
  if (file->position >= size || static_cast<std::uint64_t>(count) > size - file->position) {
    file->endReached = true;
  }
  if (file->position >= size) return 0;
  const std::uint64_t left = size - file->position;
  const std::uint64_t n = static_cast<std::uint64_t>(count) < left ? static_cast<std::uint64_t>(count) : left;
  std::memcpy(out, data + file->position, static_cast<std::size_t>(n));
  file->position += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t WriteProc(thandle_t handle, void* in, tmsize_t count) {
  auto* file = static_cast<MemoryFile*>(handle);
  if (file->output == nullptr || count < 0) return 0;
  const std::uint64_t end = file->position + static_cast<std::uint64_t>(count);
  if (end > (std::uint64_t(1) << 32)) return 0;  // classic TIFF offsets end at 4 GB
  try {
    if (end > file->output->size()) file->output->resize(static_cast<std::size_t>(end));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  if (count > 0) std::memcpy(file->output->data() + file->position, in, static_cast<std::size_t>(count));
  file->position = end;
  return count;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  auto* file = static_cast<MemoryFile*>(handle);
  const std::uint64_t size = file->output != nullptr ? file->output->size() : file->size;
  std::uint64_t base = 0;
  if (whence == SEEK_CUR) base = file->position;
  if (whence == SEEK_END) base = size;
  // Offsets are unsigned; SEEK_CUR and SEEK_END with "negative" values wrap.
  const std::uint64_t target = base + offset;
  file->position = target;  // past the end is allowed; reads there answer 0
  return target;
}

int CloseProc(thandle_t) { return 0; }

toff_t SizeProc(thandle_t handle) {
  auto* file = static_cast<MemoryFile*>(handle);
  return file->output != nullptr ? file->output->size() : file->size;
}

int MapProc(thandle_t, void**, toff_t*) { return 0; }

void UnmapProc(thandle_t, void*, toff_t) {}

int KeepError(TIFF*, void* user, const char* module, const char* format, va_list args) {
  auto* file = static_cast<MemoryFile*>(user);
  if (file->message[0] == '\0') {
    char text[200];
    std::vsnprintf(text, sizeof text, format, args);
    std::snprintf(file->message, sizeof file->message, "%s%s%s", module != nullptr ? module : "",
                  module != nullptr ? ": " : "", text);
  }
  return 1;  // handled: the process-wide handlers are not called
}

int IgnoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct OptionsGuard {
  TIFFOpenOptions* options;
  ~OptionsGuard() {
    if (options != nullptr) TIFFOpenOptionsFree(options);
  }
  OptionsGuard(const OptionsGuard&) = delete;
  OptionsGuard& operator=(const OptionsGuard&) = delete;
};

}  // namespace

// Messages that libtiff reports without a file at hand go to the
// process-wide handlers; with none installed it prints nothing.
void SilenceProcessWideHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandlerExt(nullptr);
    TIFFSetWarningHandlerExt(nullptr);
  });
}

TIFF* Open(MemoryFile* file, bool write, tmsize_t maxAllocation) {
  SilenceProcessWideHandlers();
  OptionsGuard options{TIFFOpenOptionsAlloc()};
  if (options.options == nullptr) return nullptr;
  TIFFOpenOptionsSetMaxSingleMemAlloc(options.options, maxAllocation);
  TIFFOpenOptionsSetErrorHandlerExtR(options.options, KeepError, file);
  TIFFOpenOptionsSetWarningHandlerExtR(options.options, IgnoreWarning, nullptr);
  // "m": never map; "r" read only, "w" a new file.
  return TIFFClientOpenExt("memory", write ? "wm" : "rm", file, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc,
                           MapProc, UnmapProc, options.options);
}

}  // namespace tiffmemory
