#pragma once
// The conversion passes' per-pixel work: bytes through the forward lattice
// into l, alpha, beta planes, with each row's regression sums.  The plain
// loop (ForwardPixels.cpp) is the reference; the SSE2 loop
// (ForwardPixels_sse2.cpp) and the AVX2 loop (ForwardPixels_avx2.cpp) give
// the same floats and sums, doing each lane's operations in the plain loop's
// order.

#include <cstdint>
#include <vector>

#include "transfer/ColorLattice.h"

namespace transfer_detail {

// The six regression sums a conversion pass leaves for each row.
enum ForwardSlot {
  kSumL,
  kSumAlpha,
  kSumBeta,
  kSumLL,
  kSumLAlpha,
  kSumLBeta,
  kForwardSlots
};

// The forward lattice prepared for byte input: per byte value and axis the
// fraction inside its cell and the node offset of the cell's lower node (for
// byte v the lattice input is v x byteToUnit as a float), the node offsets
// of each tetrahedron's second, third and opposite vertices, and the nodes
// as four floats each (l, alpha, beta, 0), so that a node loads at once.
struct ForwardKernel {
  struct alignas(16) Node {
    float value[4];
  };

  // The lattice must have three inputs and three outputs.
  ForwardKernel(const VTetra::FloatLattice& lattice, double byteToUnit);

  const VTetra::FloatLattice& lattice;
  float fraction[3][256];
  std::int32_t offset[3][256];
  std::int32_t second[8];
  std::int32_t third[8];
  std::int32_t opposite;
  std::vector<Node> nodes;
  const Node* nodeArray;  // nodes.data(), for loops that must not call into std::vector
};

// One row (1, 3 or 4 bytes per pixel; grey stands for R, G and B, colour
// holds B, G, R) into the planes; sums gets l, alpha, beta, l^2, l alpha,
// l beta of the stored floats in pixel order (ForwardSlot), byteSums
// (unless null) the R, G, B byte sums.
void ForwardPixels(const ForwardKernel& kernel, const std::uint8_t* row, int bytesPerPixel, int width, float* l,
                   float* alpha, float* beta, double sums[6], std::uint64_t* byteSums);

// Runs Loop::Run<kBytesPerPixel, kByteSums>(args...) for the formats the
// passes convert: grey, BGR and BGRA sources, and BGR templates with byte
// sums.
template <typename Loop, typename... Args>
void RunForFormat(int bytesPerPixel, bool byteSums, Args... args) {
  switch (bytesPerPixel * 2 + (byteSums ? 1 : 0)) {
    case 1 * 2: Loop::template Run<1, false>(args...); break;
    case 3 * 2: Loop::template Run<3, false>(args...); break;
    case 3 * 2 + 1: Loop::template Run<3, true>(args...); break;
    case 4 * 2: Loop::template Run<4, false>(args...); break;
    default: break;
  }
}

// True when this build has the SSE2 loop.
bool HaveSse2ForwardPixels();

// The same with SSE2.
void ForwardPixelsSse2(const ForwardKernel& kernel, const std::uint8_t* row, int bytesPerPixel, int width,
                       float* l, float* alpha, float* beta, double sums[6], std::uint64_t* byteSums);

// True when this build has the AVX2 loop (which may only run where the
// processor has AVX2).
bool HaveAvx2ForwardPixels();

// The same with AVX2.
void ForwardPixelsAvx2(const ForwardKernel& kernel, const std::uint8_t* row, int bytesPerPixel, int width,
                       float* l, float* alpha, float* beta, double sums[6], std::uint64_t* byteSums);

}  // namespace transfer_detail
