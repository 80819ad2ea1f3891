#pragma once
// Page-granular memory straight from the operating system: reserved and
// committed at once, readable and writable, zero-filled by the system.
// Win32 uses VirtualAlloc/VirtualFree, POSIX anonymous mmap/munmap.

#include <cstddef>

namespace platform {

// Null on failure or for size 0.
void* VirtualAllocate(std::size_t size);
// `size` is the size given to VirtualAllocate.  Answers true when released.
bool VirtualRelease(void* address, std::size_t size);

}  // namespace platform
