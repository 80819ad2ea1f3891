#include "platform/Cpu.h"

#include <windows.h>

namespace platform {

bool CpuHas128BitVectors() { return IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != 0; }

bool CpuHas64BitVectors() { return IsProcessorFeaturePresent(PF_MMX_INSTRUCTIONS_AVAILABLE) != 0; }

}  // namespace platform
