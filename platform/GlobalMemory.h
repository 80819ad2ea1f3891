#pragma once
// Movable global memory: the memory that plug-in hosts and the clipboard hand
// around by handle.  A handle must be locked to get an address; locks nest.
//
// Win32 uses the GlobalAlloc family with GMEM_MOVEABLE.  POSIX has no such
// thing, so a process-wide handle table stands in: each handle records its
// memory, size and lock count, and a freed handle is never valid again.

#include <cstddef>

namespace platform {

using GlobalHandle = void*;

// A new movable allocation, zero-filled when asked; null on failure.
GlobalHandle GlobalAllocMovable(std::size_t size, bool zeroInit);
// Resizes an unlocked allocation (growth zero-filled when asked).  Answers the
// handle to use from now on, or null on failure with the old handle intact.
GlobalHandle GlobalReAllocMovable(GlobalHandle handle, std::size_t size, bool zeroInit);
// Answers true when the handle was freed.
bool GlobalFreeHandle(GlobalHandle handle);
// The address of the memory, adding one lock; null on failure.
void* GlobalLockHandle(GlobalHandle handle);
// Removes one lock.  Answers false only on a real failure, not when the count
// merely reaches zero.
bool GlobalUnlockHandle(GlobalHandle handle);
std::size_t GlobalSizeOf(GlobalHandle handle);
// True for a live handle whose memory has not been discarded.
bool GlobalIsUsable(GlobalHandle handle);
unsigned GlobalLockCountOf(GlobalHandle handle);

}  // namespace platform
