#include "platform/VirtualMemory.h"

#include <windows.h>

namespace platform {

void* VirtualAllocate(std::size_t size) {
  if (size == 0) return nullptr;
  return VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

bool VirtualRelease(void* address, std::size_t /*size*/) {
  return address != nullptr && VirtualFree(address, 0, MEM_RELEASE) != 0;
}

}  // namespace platform
