#include "platform/StringResource.h"

#include <windows.h>

namespace platform {

int LoadModuleString(void* module, unsigned id, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = '\0';
  HINSTANCE instance = module != nullptr ? static_cast<HINSTANCE>(module) : GetModuleHandleA(nullptr);
  return LoadStringA(instance, id, buffer, size);
}

}  // namespace platform
