#include "platform/GlobalMemory.h"

#include <windows.h>

namespace platform {
namespace {

HGLOBAL H(GlobalHandle handle) { return static_cast<HGLOBAL>(handle); }

}  // namespace

GlobalHandle GlobalAllocMovable(std::size_t size, bool zeroInit) {
  return GlobalAlloc(GMEM_MOVEABLE | (zeroInit ? GMEM_ZEROINIT : 0), size);
}

GlobalHandle GlobalReAllocMovable(GlobalHandle handle, std::size_t size, bool zeroInit) {
  return GlobalReAlloc(H(handle), size, GMEM_MOVEABLE | (zeroInit ? GMEM_ZEROINIT : 0));
}

bool GlobalFreeHandle(GlobalHandle handle) {
  return handle != nullptr && GlobalFree(H(handle)) == nullptr;
}

void* GlobalLockHandle(GlobalHandle handle) {
  return handle == nullptr ? nullptr : GlobalLock(H(handle));
}

bool GlobalUnlockHandle(GlobalHandle handle) {
  // GlobalUnlock answers 0 both when the count reached zero and on failure;
  // only the last error tells them apart.
  SetLastError(NO_ERROR);
  if (GlobalUnlock(H(handle))) return true;
  const DWORD error = GetLastError();
  return error == NO_ERROR || error == ERROR_NOT_LOCKED;
}

std::size_t GlobalSizeOf(GlobalHandle handle) {
  return handle == nullptr ? 0 : GlobalSize(H(handle));
}

bool GlobalIsUsable(GlobalHandle handle) {
  if (handle == nullptr) return false;
  const UINT flags = GlobalFlags(H(handle));
  return flags != GMEM_INVALID_HANDLE && (flags & GMEM_DISCARDED) == 0;
}

unsigned GlobalLockCountOf(GlobalHandle handle) {
  if (handle == nullptr) return 0;
  const UINT flags = GlobalFlags(H(handle));
  return flags == GMEM_INVALID_HANDLE ? 0 : (flags & GMEM_LOCKCOUNT);
}

}  // namespace platform
