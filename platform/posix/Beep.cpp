#include "platform/Beep.h"

namespace platform {

// No system sound without a desktop; the beep is informative only.
void DefaultBeep() {}

}  // namespace platform
