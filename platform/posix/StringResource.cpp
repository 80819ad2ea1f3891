#include "platform/StringResource.h"

namespace platform {

int LoadModuleString(void* /*module*/, unsigned /*id*/, char* buffer, int size) {
  if (buffer != nullptr && size > 0) buffer[0] = '\0';
  return 0;
}

}  // namespace platform
