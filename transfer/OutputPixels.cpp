// The output pass's plain loop: the reference that the vector loops are
// held to.
#include "transfer/OutputPixels.h"

#include <cstddef>

namespace transfer_detail {

namespace {

// A position on a 256-level scale truncated to its level; the guard keeps a
// value that rounds a hair above the top inside the byte range.
inline int Level(double position) {
  const int level = static_cast<int>(position);
  return level > 255 ? 255 : level;
}

template <int kMode, int kBytesPerPixel>
void Pixels(OutputRowData& d) {
  // Grey: the one byte stands for R, G and B; colour formats hold B, G, R.
  constexpr int kRed = kBytesPerPixel == 1 ? 0 : 2;
  constexpr int kGreen = kBytesPerPixel == 1 ? 0 : 1;
  const ColourMove<double> c(d);
  const VTetra::ByteKernel3& backward = *d.backward;
  double sumR = 0, sumG = 0, sumB = 0;

  for (int x = 0; x < d.width; ++x) {
    double l = d.l[x];
    double position[3];
    MoveColour<kMode>(c, l, static_cast<double>(d.alpha[x]), static_cast<double>(d.beta[x]), position);
    const int il = Level(position[0]), ia = Level(position[1]), ib = Level(position[2]);

    // Two lookups one l level apart: the second one level up (each index +
    // 1, held at 255) when l lies above the first level and that is not the
    // top, else one level down (each index - 1, held at 0).  The choice
    // picks tables instead of branching, as it follows the noise of the
    // picture.
    unsigned char first[3], second[3];
    backward.Evaluate(static_cast<unsigned>(il), static_cast<unsigned>(ia), static_cast<unsigned>(ib), first);
    const double l1 = d.levelL[il];
    const int up = static_cast<int>(l > l1) & static_cast<int>(il != 255);
    const unsigned char* next = d.neighbour[up];
    backward.Evaluate(next[il], next[ia], next[ib], second);
    const double l2 = d.neighbourL[up][il];
    const double c1[3] = {static_cast<double>(first[0]), static_cast<double>(first[1]), static_cast<double>(first[2])};
    const double c2[3] = {static_cast<double>(second[0]), static_cast<double>(second[1]),
                          static_cast<double>(second[2])};
    double rgb[3];
    BlendLookups(c, l, l1, l2, c1, c2, rgb);
    sumR += rgb[0];
    sumG += rgb[1];
    sumB += rgb[2];
    if (d.blended != nullptr) {
      for (int i = 0; i < 3; ++i) d.blended[3 * static_cast<std::size_t>(x) + i] = rgb[i];
    }

    // Fade with the source pixel and write in the source's format.
    const std::uint8_t* src = d.source + static_cast<std::size_t>(x) * kBytesPerPixel;
    std::uint8_t* dst = d.destination + static_cast<std::size_t>(x) * kBytesPerPixel;
    if (kBytesPerPixel == 1) {
      dst[0] = static_cast<std::uint8_t>(FadeWithSource(c, d.fadedByte[src[0]], rgb[2]));  // grey keeps blue
    } else {
      const std::uint8_t outR = static_cast<std::uint8_t>(FadeWithSource(c, d.fadedByte[src[kRed]], rgb[0]));
      const std::uint8_t outG = static_cast<std::uint8_t>(FadeWithSource(c, d.fadedByte[src[kGreen]], rgb[1]));
      const std::uint8_t outB = static_cast<std::uint8_t>(FadeWithSource(c, d.fadedByte[src[0]], rgb[2]));
      dst[2] = outR;
      dst[1] = outG;
      dst[0] = outB;
    }
  }
  d.sums[0] = sumR;
  d.sums[1] = sumG;
  d.sums[2] = sumB;
}

struct PlainLoop {
  template <int kMode, int kBytesPerPixel>
  static void Run(OutputRowData& d) {
    Pixels<kMode, kBytesPerPixel>(d);
  }
};

}  // namespace

void OutputPixelsPlain(OutputRowData& d, int mode, int bytesPerPixel) {
  RunForModeAndFormat<PlainLoop>(d, mode, bytesPerPixel);
}

}  // namespace transfer_detail
