#include "platform/VirtualMemory.h"

#include <sys/mman.h>

namespace platform {

void* VirtualAllocate(std::size_t size) {
  if (size == 0) return nullptr;
  void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}

bool VirtualRelease(void* address, std::size_t size) {
  if (address == nullptr) return false;
  return ::munmap(address, size) == 0;
}

}  // namespace platform
