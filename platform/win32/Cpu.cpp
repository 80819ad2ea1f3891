#include "platform/Cpu.h"

#include <windows.h>

namespace platform {

bool CpuHas128BitVectors() { return IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != 0; }

bool CpuHas64BitVectors() { return IsProcessorFeaturePresent(PF_MMX_INSTRUCTIONS_AVAILABLE) != 0; }

// Windows 10 and later answer PF_AVX2_INSTRUCTIONS_AVAILABLE (40) only where
// the system saves the AVX registers; older systems know no such feature and
// answer no, and the SSE2 loops run there.
bool CpuHasAvx2() { return IsProcessorFeaturePresent(40) != 0; }

}  // namespace platform
