#include "transfer/ForwardPixels.h"

namespace transfer_detail {

ForwardKernel::ForwardKernel(const VTetra::FloatLattice& forward, double byteToUnit) : lattice(forward) {
  if (lattice.InputCount() != 3 || lattice.OutputCount() != 3) throw VTetra::BadChannelCount();
  constexpr int kOutputs = 3;
  std::size_t count = 1;
  for (int axis = 0; axis < 3; ++axis) {
    for (int v = 0; v < 256; ++v) {
      const float unit = static_cast<float>(v * byteToUnit);
      int elementOffset = 0;
      float f = 0.0f;
      lattice.Locate(axis, unit, elementOffset, f);
      fraction[axis][v] = f;
      offset[axis][v] = elementOffset / kOutputs;
    }
    count *= static_cast<std::size_t>(lattice.SampleCount(axis));
  }
  for (int t = 0; t < 8; ++t) {
    second[t] = lattice.CornerOffset(VTetra::detail::kTetrahedra[t].corner1) / kOutputs;
    third[t] = lattice.CornerOffset(VTetra::detail::kTetrahedra[t].corner2) / kOutputs;
  }
  opposite = lattice.CornerOffset(6) / kOutputs;
  nodes.resize(count);
  const float* source = lattice.Nodes();
  for (std::size_t i = 0; i < count; ++i) {
    for (int c = 0; c < kOutputs; ++c) nodes[i].value[c] = source[i * kOutputs + c];
    nodes[i].value[3] = 0.0f;
  }
  nodeArray = nodes.data();
}

namespace {

template <int kBytesPerPixel, bool kByteSums>
void PlainPixels(const ForwardKernel& k, const std::uint8_t* row, int width, float* l, float* alpha, float* beta,
                 double* sums, std::uint64_t* byteSums) {
  constexpr int kRed = kBytesPerPixel == 1 ? 0 : 2;
  constexpr int kGreen = kBytesPerPixel == 1 ? 0 : 1;
  double sl = 0, sa = 0, sb = 0, sll = 0, sla = 0, slb = 0;
  std::uint64_t sumR = 0, sumG = 0, sumB = 0;
  for (int x = 0; x < width; ++x, row += kBytesPerPixel) {
    const int r = row[kRed], g = row[kGreen], b = row[0];
    if (kByteSums) {
      sumR += static_cast<std::uint64_t>(r);
      sumG += static_cast<std::uint64_t>(g);
      sumB += static_cast<std::uint64_t>(b);
    }
    const float f[3] = {k.fraction[0][r], k.fraction[1][g], k.fraction[2][b]};
    float out[3] = {0.0f, 0.0f, 0.0f};
    k.lattice.Interpolate3(3 * (k.offset[0][r] + k.offset[1][g] + k.offset[2][b]), f, out);
    l[x] = out[0];
    alpha[x] = out[1];
    beta[x] = out[2];
    const double vl = out[0], va = out[1], vb = out[2];
    sl += vl;
    sa += va;
    sb += vb;
    sll += vl * vl;
    sla += vl * va;
    slb += vl * vb;
  }
  sums[kSumL] = sl, sums[kSumAlpha] = sa, sums[kSumBeta] = sb;
  sums[kSumLL] = sll, sums[kSumLAlpha] = sla, sums[kSumLBeta] = slb;
  if (kByteSums) byteSums[0] = sumR, byteSums[1] = sumG, byteSums[2] = sumB;
}

struct PlainForwardLoop {
  template <int kBytesPerPixel, bool kByteSums>
  static void Run(const ForwardKernel* kernel, const std::uint8_t* row, int width, float* l, float* alpha,
                  float* beta, double* sums, std::uint64_t* byteSums) {
    PlainPixels<kBytesPerPixel, kByteSums>(*kernel, row, width, l, alpha, beta, sums, byteSums);
  }
};

}  // namespace

void ForwardPixels(const ForwardKernel& kernel, const std::uint8_t* row, int bytesPerPixel, int width, float* l,
                   float* alpha, float* beta, double sums[6], std::uint64_t* byteSums) {
  RunForFormat<PlainForwardLoop>(bytesPerPixel, byteSums != nullptr, &kernel, row, width, l, alpha, beta, sums, byteSums);
}

}  // namespace transfer_detail
