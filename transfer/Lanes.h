#pragma once
// The numbers the output formula and the colour table's row sums are
// written in.  The formula (OutputPixels.h) and the sums
// (TableStatisticsSums_p.h) are templates over a lane type: plain double for
// the reference loops, and in the vector loops a packed type with two or
// four doubles whose every lane does exactly the double operation of the
// plain loop (IEEE addition, subtraction, multiplication, division, and
// max/min with the operand order of the SSE instructions).  No fused
// multiply-add anywhere.
//
// Each lane type gives: arithmetic operators, Max(a, b) = a > b ? a : b and
// Min(a, b) = a < b ? a : b (so Max(NaN, low) is low), Abs,
// Broadcast<V>(double), RoundedToFloat (each lane rounded to float and
// widened again) and StoreLanes (lane i into records[i][slot]).  This file
// has the plain double; Lanes_sse2.h and Lanes_avx2.h the packed ones.

#include <cmath>

namespace transfer_detail {

template <typename V>
V Broadcast(double value);

template <>
inline double Broadcast<double>(double value) {
  return value;
}

inline double Max(double a, double b) { return a > b ? a : b; }
inline double Min(double a, double b) { return a < b ? a : b; }
inline double Abs(double a) { return std::fabs(a); }
inline double RoundedToFloat(double a) { return static_cast<double>(static_cast<float>(a)); }
inline void StoreLanes(double a, double* const* records, int slot) { records[0][slot] = a; }

}  // namespace transfer_detail
