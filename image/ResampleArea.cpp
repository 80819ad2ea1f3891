// Resampling mode 3, the area average.
//
// Every destination pixel is the average of the source area it covers;
// each source pixel counts with the fraction of it inside that area.  The
// fractions become 16.16 fixed-point weights per destination column and
// per destination row, normalised so each pixel's weights sum to exactly
// 65536: a flat area stays flat and the sums cannot overflow whatever the
// factor.  Source rows of equal weight (the whole rows inside a
// destination row) are first summed unweighted in 32 bits and multiplied
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

// Makes the weights of one span sum to 65536, giving what rounding left
// over to the largest.
void Normalise(u32* w, int count) {
  u64 sum = 0;
  int largest = 0;
  for (int k = 0; k < count; ++k) {
    sum += w[k];
    if (w[k] > w[largest]) largest = k;
  }
  w[largest] = static_cast<u32>(static_cast<std::int64_t>(w[largest]) + 65536 - static_cast<std::int64_t>(sum));
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
    if (step > 0) {
      int x0 = static_cast<int>(std::floor(a + 1e-8)), x1 = static_cast<int>(std::ceil(b - 1e-8));
      x0 = x0 < lo ? lo : x0 > hi - 1 ? hi - 1 : x0;
      x1 = x1 > hi ? hi : x1 <= x0 ? x0 + 1 : x1;
      const int n = (x1 - x0 + step - 1) / step;
      span.first = x0 - lo;
      span.count = n;
      span.stride = step;
      // Every step-th pixel of the span, weighted equally.
      for (int k = 0; k < n; ++k) weights.push_back(static_cast<u32>(65536 / n));
    } else {
      int x0 = static_cast<int>(std::floor(a)), x1 = static_cast<int>(std::ceil(b));
      x0 = x0 < lo ? lo : x0;
      x1 = x1 > hi ? hi : x1;
      span.first = x0 - lo;
      for (int x = x0; x < x1; ++x) {
        const double overlap = std::fmin(b, x + 1.0) - std::fmax(a, static_cast<double>(x));
        weights.push_back(overlap > 0 ? static_cast<u32>(std::lround(overlap / f * 65536.0)) : 0u);
      }
      span.count = x1 - x0;
      if (span.count <= 0) {
        // A sliver beyond the last pixel: take the last one.
        span.first = hi - 1 - lo;
        span.count = 1;
        weights.push_back(65536);
      }
    }
    Normalise(&weights[span.weight], span.count);
  }
}

// sum[x] += row[x] over n channel values.
template <class T>
void AddRow(u32* __restrict sum, const T* __restrict row, std::size_t n) {
  for (std::size_t x = 0; x < n; ++x) sum[x] += row[x];
}

void Flush(u64* __restrict acc, u32* __restrict sum, std::size_t n, u32 weight) {
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
  std::vector<u64> acc;
  std::vector<u8> out;
  try {
    BuildSpans(s.left, fx, W, L, R, step, cols, colWeights);
    BuildSpans(s.top, fy, H, T, B, step, rows, rowWeights);
    sum.assign(n, 0);
    acc.assign(n, 0);
    out.resize(static_cast<std::size_t>(W) * FormatBitsPerPixel(workFormat) / 8);
  } catch (const std::bad_alloc&) {
    return keResampleRefused;
  }
  const CombineFn combine = wide ? PickCombine<u16>(channels) : PickCombine<u8>(channels);
  // Unweighted sums of this many rows cannot overflow 32 bits.
  const int maxRun = wide ? 65536 : 16777216;

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
      if (wide) AddRow(sum.data(), reinterpret_cast<const u16*>(row), n);
      else AddRow(sum.data(), row, n);
      source.Done(y);
      ++run;
      // Rows of one weight share one multiplication.
      if (k + 1 == span.count || w[k + 1] != w[k] || run == maxRun) {
        Flush(acc.data(), sum.data(), n, w[k]);
        run = 0;
      }
    }
    combine(acc.data(), cols, colWeights, premultiplied, out.data());
    destination.Write(j, out.data());
  }
  return keResampleDone;
}

}  // namespace resample
