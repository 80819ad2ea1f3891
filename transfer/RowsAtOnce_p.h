#pragma once
// The statistics loops take kRowsAtOnce rows side by side: each row keeps its
// own accumulators and adds its pixels in its own order, exactly as one row
// alone would, but the rows' additions do not wait for one another, so the
// loop is not held up by the latency of each addition.  The row loop inside
// the pixel loop must be unrolled (TINTAVO_UNROLL_ROWS), so that each row's
// accumulators live in registers.

namespace transfer_detail {

constexpr int kRowsAtOnce = 2;

}  // namespace transfer_detail

#if defined(__GNUC__) || defined(__clang__)
#define TINTAVO_UNROLL_ROWS _Pragma("GCC unroll 4")
#else
#define TINTAVO_UNROLL_ROWS
#endif
