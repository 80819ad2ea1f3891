#include "platform/LargeBlock.h"

#include <windows.h>

namespace platform {

void* AllocateLargeBlock(std::size_t size) {
  if (size == 0) return nullptr;
  return VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void ReleaseLargeBlock(void* address, std::size_t /*size*/) {
  if (address != nullptr) VirtualFree(address, 0, MEM_RELEASE);
}

}  // namespace platform
