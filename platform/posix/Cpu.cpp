#include "platform/Cpu.h"

namespace platform {

// The compiler's runtime asks CPUID once; on other processors the vector
// copy routines are not used.
bool CpuHas128BitVectors() {
#if defined(__i386__) || defined(__x86_64__)
  return __builtin_cpu_supports("sse2");
#else
  return false;
#endif
}

bool CpuHas64BitVectors() {
#if defined(__i386__) || defined(__x86_64__)
  return __builtin_cpu_supports("mmx");
#else
  return false;
#endif
}

// GCC's and Clang's runtime checks the operating system's support of the
// AVX registers (XGETBV) before it answers yes.
bool CpuHasAvx2() {
#if defined(__i386__) || defined(__x86_64__)
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
#else
  return false;
#endif
}

}  // namespace platform
