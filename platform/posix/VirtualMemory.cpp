#include "platform/VirtualMemory.h"

#include <sys/mman.h>

namespace platform {

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
}  // namespace

void* VirtualAllocate(std::size_t size) {
  if (size == 0) return nullptr;
  void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  // Blocks of a few megabytes (the bands of a large picture) are written
  // whole at once: on transparent huge pages one fault fills 2 MiB instead of
  // 4 KiB, and a 24-megapixel picture takes about 6 000 faults instead of
  // 40 000 (in a virtual machine each costs far more than filling the page).
  // Advice only: where the system has none, 4 KiB pages still work.
#if defined(MADV_HUGEPAGE)
  if (size >= kHugePage) (void)::madvise(p, size, MADV_HUGEPAGE);
#endif
  return p;
}

bool VirtualRelease(void* address, std::size_t size) {
  if (address == nullptr) return false;
  return ::munmap(address, size) == 0;
}

}  // namespace platform
