#include "platform/Beep.h"

#include <windows.h>

namespace platform {

void DefaultBeep() { MessageBeep(0); }

}  // namespace platform
