#pragma once
// What the processor can do, asked once by callers that pick a code path.

namespace platform {

// 128-bit integer vectors (SSE2).
bool CpuHas128BitVectors();
// 64-bit integer vectors (MMX).
bool CpuHas64BitVectors();
// 256-bit vectors with AVX2 (and POPCNT, which comes with it), and an
// operating system that keeps their registers.
bool CpuHasAvx2();

}  // namespace platform
