// Resampling mode 3, the area average.
//
// Every destination pixel is the average of the source area it covers;
// each source pixel counts with the fraction of it inside that area.  The
// fractions become 16.16 fixed-point weights per destination column and
// per destination row, normalised so each pixel's weights sum to exactly
// 65536: a flat area stays flat and the sums cannot overflow whatever the
// factor.  Source rows of equal weight (the whole rows inside a
// destination row) are first summed unweighted (16-bit sums for up to 257
// rows of 8-bit values, 32-bit sums for 16-bit values) and multiplied
// once; the weighted sums are kept in 64 bits.
//
// The second variant (area parameter p above 0, both factors at least 2)
// averages every p-th row and column of the whole source pixels under each
// destination pixel with equal weights: cheaper for large reductions.
#include <cmath>
#include <cstring>
#include <vector>

#include "image/PixelFormat.h"
#include "image/Resample_p.h"
#include "image/RowProgress.h"
#include "platform/Cpu.h"

namespace resample {

namespace {

using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u32 = std::uint32_t;
using u64 = std::uint64_t;

struct Span {
  int first = 0;   // first source pixel, relative to the rectangle
  int count = 0;
  int stride = 1;  // pixels from one counted pixel to the next
  std::size_t weight = 0;  // index of its first weight
};

// Weights of one span from the fractions `o` of its pixels: each is
// floor(o / total * 65536) and the last takes what is left of 65536, so
// the weights sum to exactly 65536, none is negative, and the whole pixels
// inside the span all get one weight.
void SpanWeights(const double* o, int count, std::vector<u32>& weights) {
  double total = 0;
  for (int k = 0; k < count; ++k) total += o[k];
  u32 used = 0;
  for (int k = 0; k + 1 < count; ++k) {
    const u32 w = total > 0 ? static_cast<u32>(std::floor(o[k] / total * 65536.0)) : 0u;
    weights.push_back(w);
    used += w;
  }
  weights.push_back(65536 - used);
}

// Spans of `count` destination pixels over source pixels [lo, hi) from
// `start`, `f` source pixels per destination pixel.
void BuildSpans(double start, double f, int count, int lo, int hi, int step, std::vector<Span>& spans,
                std::vector<u32>& weights) {
  spans.resize(static_cast<std::size_t>(count));
  weights.clear();
  for (int i = 0; i < count; ++i) {
    const double a = start + i * f, b = a + f;
    Span& span = spans[static_cast<std::size_t>(i)];
    span.weight = weights.size();
    std::vector<double> parts;
    if (step > 0) {
      int x0 = static_cast<int>(std::floor(a + 1e-8)), x1 = static_cast<int>(std::ceil(b - 1e-8));
      x0 = x0 < lo ? lo : x0 > hi - 1 ? hi - 1 : x0;
      x1 = x1 > hi ? hi : x1 <= x0 ? x0 + 1 : x1;
      span.first = x0 - lo;
      span.count = (x1 - x0 + step - 1) / step;
      span.stride = step;
      // Every step-th pixel of the span, weighted equally.
      parts.assign(static_cast<std::size_t>(span.count), 1.0);
    } else {
      int x0 = static_cast<int>(std::floor(a)), x1 = static_cast<int>(std::ceil(b));
      x0 = x0 < lo ? lo : x0;
      x1 = x1 > hi ? hi : x1;
      span.first = x0 - lo;
      for (int x = x0; x < x1; ++x) {
        const double overlap = std::fmin(b, x + 1.0) - std::fmax(a, static_cast<double>(x));
        parts.push_back(overlap > 0 ? overlap : 0.0);
      }
      span.count = x1 - x0;
      if (span.count <= 0) {
        // A sliver beyond the last pixel: take the last one.
        span.first = hi - 1 - lo;
        span.count = 1;
        parts.assign(1, 1.0);
      }
    }
    SpanWeights(parts.data(), span.count, weights);
  }
}

void AddRow16(u32* __restrict sum, const u16* __restrict row, std::size_t n) {
  for (std::size_t x = 0; x < n; ++x) sum[x] += row[x];
}

template <class S>
void Flush(u64* __restrict acc, S* __restrict sum, std::size_t n, u32 weight) {
  for (std::size_t x = 0; x < n; ++x) {
    acc[x] += static_cast<u64>(sum[x]) * weight;
    sum[x] = 0;
  }
}

template <class T, int C>
void CombineColumns(const u64* acc, const std::vector<Span>& cols, const std::vector<u32>& weights, bool premultiplied,
                    u8* out) {
  constexpr u64 kMax = sizeof(T) == 1 ? 255 : 65535;
  T* o = reinterpret_cast<T*>(out);
  for (std::size_t i = 0; i < cols.size(); ++i) {
    const Span& span = cols[i];
    const u32* w = &weights[span.weight];
    u64 total[C] = {};
    for (int k = 0; k < span.count; ++k) {
      const u64* p = acc + static_cast<std::size_t>(span.first + k * span.stride) * C;
      for (int c = 0; c < C; ++c) total[c] += p[c] * w[k];
    }
    T v[C];
    for (int c = 0; c < C; ++c) {
      const u64 r = (total[c] + (u64{1} << 31)) >> 32;
      v[c] = static_cast<T>(r > kMax ? kMax : r);
    }
    if (premultiplied && C == 4) {
      for (int c = 0; c < 3; ++c) v[c] = v[c] > v[3] ? v[3] : v[c];
    }
    std::memcpy(o + i * C, v, sizeof(v));
  }
}

using CombineFn = void (*)(const u64*, const std::vector<Span>&, const std::vector<u32>&, bool, u8*);

template <class T>
CombineFn PickCombine(int channels) {
  switch (channels) {
    case 1: return CombineColumns<T, 1>;
    case 2: return CombineColumns<T, 2>;
    case 3: return CombineColumns<T, 3>;
    default: return CombineColumns<T, 4>;
  }
}

}  // namespace

void AddRowPlain(std::uint16_t* __restrict sum, const std::uint8_t* __restrict row, std::size_t n) {
  for (std::size_t x = 0; x < n; ++x) sum[x] += row[x];
}

int Area(const Job& job) {
  const int workFormat = WorkFormat(job.source->AccessFormat());
  const bool wide = Is16BitFormat(workFormat);
  const int channels = FormatBitsPerPixel(workFormat) / (wide ? 16 : 8);
  const bool premultiplied = workFormat == keFormatBGRxA || workFormat == keFormatBGRxA_u16;
  const ResampleRect& s = job.src;
  const int L = static_cast<int>(std::floor(s.left + 1e-8)), T = static_cast<int>(std::floor(s.top + 1e-8));
  const int R = static_cast<int>(std::ceil(s.right - 1e-8)), B = static_cast<int>(std::ceil(s.bottom - 1e-8));
  const int W = job.dst.Width(), H = job.dst.Height();
  const double fx = (s.right - s.left) / W, fy = (s.bottom - s.top) / H;
  const int step = job.area > 0 && fx >= 2 && fy >= 2 ? job.area : 0;

  CSourceRows source;
  CDestinationRows destination;
  if (!source.Init(*job.source, workFormat, L, R) || !destination.Init(*job.destination, workFormat, job.dst)) {
    return keResampleRefused;
  }
  const std::size_t n = static_cast<std::size_t>(R - L) * channels;
  std::vector<Span> cols, rows;
  std::vector<u32> colWeights, rowWeights, sum;
  std::vector<u16> sum8;
  std::vector<u64> acc;
  std::vector<u8> out;
  try {
    BuildSpans(s.left, fx, W, L, R, step, cols, colWeights);
    BuildSpans(s.top, fy, H, T, B, step, rows, rowWeights);
    if (wide) sum.assign(n, 0);
    else sum8.assign(n, 0);
    acc.assign(n, 0);
    out.resize(static_cast<std::size_t>(W) * FormatBitsPerPixel(workFormat) / 8);
  } catch (const std::bad_alloc&) {
    return keResampleRefused;
  }
  const auto addRow = HaveAddRowSse2() && platform::CpuHas128BitVectors() ? AddRowSse2 : AddRowPlain;
  const CombineFn combine = wide ? PickCombine<u16>(channels) : PickCombine<u8>(channels);
  // Unweighted sums of this many rows fit their 32-bit (16-bit) sums.
  const int maxRun = wide ? 65537 : 257;

  if (job.progress != nullptr) job.progress->SetTotal(H);
  for (int j = 0; j < H; ++j) {
    if (Stop(job, j)) return keResampleStopped;
    const Span& span = rows[static_cast<std::size_t>(j)];
    const u32* w = &rowWeights[span.weight];
    std::fill(acc.begin(), acc.end(), 0);
    int run = 0;
    for (int k = 0; k < span.count; ++k) {
      const int y = T + span.first + k * span.stride;
      const u8* row = source.Get(y);
      if (wide) AddRow16(sum.data(), reinterpret_cast<const u16*>(row), n);
      else addRow(sum8.data(), row, n);
      source.Done(y);
      ++run;
      // Rows of one weight share one multiplication.
      if (k + 1 == span.count || w[k + 1] != w[k] || run == maxRun) {
        if (wide) Flush(acc.data(), sum.data(), n, w[k]);
        else Flush(acc.data(), sum8.data(), n, w[k]);
        run = 0;
      }
    }
    combine(acc.data(), cols, colWeights, premultiplied, out.data());
    destination.Write(j, out.data());
  }
  return keResampleDone;
}

}  // namespace resample
