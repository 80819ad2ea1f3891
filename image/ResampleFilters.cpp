// Resampling modes 1 (bilinear) and 2 (bicubic).
//
// Destination pixels are placed corner to corner over the source: with
// destination width W and source width w the step is (w - 1) / (W - 1),
// so the first and the last destination columns land on the first and the
// last source columns.  Positions are kept in 1/32 pixel: column P / 32,
// fraction P mod 32, and the fractions index precomputed weight tables.
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

// ---- weight tables, built once on first use ------------------------------------

struct BilinearWeights {
  // [fy][fx]: top-left, top-right, bottom-left, bottom-right; sum 256.
  std::uint16_t w[32][32][4];
  BilinearWeights() {
    for (int fy = 0; fy < 32; ++fy) {
      for (int fx = 0; fx < 32; ++fx) {
        std::uint16_t* e = w[fy][fx];
        e[0] = static_cast<std::uint16_t>((32 - fx) * (32 - fy) / 4);
        e[1] = static_cast<std::uint16_t>(fx * (32 - fy) / 4);
        e[2] = static_cast<std::uint16_t>((32 - fx) * fy / 4);
        e[3] = static_cast<std::uint16_t>(256 - e[0] - e[1] - e[2]);
      }
    }
  }
};

struct BicubicWeights {
  // [ty][tx][row tap][column tap], out of 16384.  Each product is
  // truncated; what truncation lost goes to the largest tap so that the
  // sixteen weights sum to exactly 16384 and flat areas stay flat.
  std::int32_t w[32][32][4][4];
  BicubicWeights() {
    double taps[32][4];
    for (int k = 0; k < 32; ++k) {
      const double t = k / 32.0;
      taps[k][0] = -t + 2 * t * t - t * t * t;
      taps[k][1] = 1 - 2 * t * t + t * t * t;
      taps[k][2] = t + t * t - t * t * t;
      taps[k][3] = -t * t + t * t * t;
    }
    for (int ty = 0; ty < 32; ++ty) {
      for (int tx = 0; tx < 32; ++tx) {
        std::int32_t sum = 0;
        int largest = 0;
        for (int i = 0; i < 16; ++i) {
          std::int32_t& v = w[ty][tx][i / 4][i % 4];
          v = static_cast<std::int32_t>(taps[ty][i / 4] * taps[tx][i % 4] * 16384.0);
          sum += v;
          if (v > w[ty][tx][largest / 4][largest % 4]) largest = i;
        }
        w[ty][tx][largest / 4][largest % 4] += 16384 - sum;
      }
    }
  }
};

const BilinearWeights& BilinearTable() {
  static const BilinearWeights s_weights;
  return s_weights;
}

const BicubicWeights& BicubicTable() {
  static const BicubicWeights s_weights;
  return s_weights;
}

// ---- positions -------------------------------------------------------------------

struct Tap {
  int index;  // first source pixel, relative to the rectangle's first
  int next;   // the second pixel (bilinear), the same at the edges
  int frac;   // 0 to 31
};

enum class Edge { kColumn, kRow, kCubic };

// Positions of `count` destination pixels over source pixels first..last
// (inclusive), starting at `start` (in source pixels) for a source of
// `size` pixels.
std::vector<Tap> Positions(double start, double size, int count, int first, int last, Edge edge) {
  std::vector<Tap> taps(static_cast<std::size_t>(count));
  const double step = count > 1 ? (size - 1) / (count - 1) : size;
  for (int i = 0; i < count; ++i) {
    const double p = start + i * step;
    const long long P = static_cast<long long>(p * 32);
    long long index = P >= 0 ? P / 32 : -1;
    int frac = P >= 0 ? static_cast<int>(P % 32) : 0;
    if (index < first) index = first, frac = 0;
    int next = static_cast<int>(index) + 1;
    if (index >= last) {
      if (edge == Edge::kColumn && last > first) {
        // The last column is reached from the one before it.
        index = last - 1;
        frac = 31;
        next = last;
      } else {
        // The last row (or a single column) is used twice.
        index = last;
        frac = 0;
        next = last;
      }
    }
    taps[static_cast<std::size_t>(i)] = {static_cast<int>(index) - first, next - first, frac};
  }
  return taps;
}

// ---- source rows -------------------------------------------------------------------

// The few most recent source rows in the working format.  Rows asked for
// since the last NextRow are kept; a new row replaces the oldest other one.
class CRowRing {
 public:
  CRowRing(CSourceRows& rows, int slots)
      : m_rows(rows), m_y(static_cast<std::size_t>(slots), -1), m_age(m_y.size(), 0), m_pinned(m_y.size(), false) {
    m_data.resize(static_cast<std::size_t>(slots) * (rows.RowBytes() + 8));
  }
  void NextRow() { m_pinned.assign(m_pinned.size(), false); }
  const u8* Row(int y) {
    std::size_t pick = m_y.size();
    for (std::size_t k = 0; k < m_y.size(); ++k) {
      if (m_y[k] == y) {
        m_pinned[k] = true;
        return Slot(k);
      }
      if (!m_pinned[k] && (pick == m_y.size() || m_age[k] < m_age[pick])) pick = k;
    }
    m_rows.Read(y, Slot(pick));
    m_y[pick] = y;
    m_age[pick] = ++m_clock;
    m_pinned[pick] = true;
    return Slot(pick);
  }

 private:
  u8* Slot(std::size_t k) { return m_data.data() + k * (m_rows.RowBytes() + 8); }
  CSourceRows& m_rows;
  std::vector<int> m_y;
  std::vector<std::uint64_t> m_age;
  std::vector<bool> m_pinned;
  std::vector<u8> m_data;
  std::uint64_t m_clock = 0;
};

struct Setup {
  int workFormat = 0;
  int channels = 0;
  bool wide = false;
  bool premultiplied = false;
  int L = 0, T = 0, R = 0, B = 0;
};

bool Prepare(const Job& job, Setup* s) {
  s->workFormat = WorkFormat(job.source->AccessFormat());
  s->wide = Is16BitFormat(s->workFormat);
  s->channels = FormatBitsPerPixel(s->workFormat) / (s->wide ? 16 : 8);
  s->premultiplied = s->workFormat == keFormatBGRxA || s->workFormat == keFormatBGRxA_u16;
  s->L = static_cast<int>(std::floor(job.src.left + 1e-8));
  s->T = static_cast<int>(std::floor(job.src.top + 1e-8));
  s->R = static_cast<int>(std::ceil(job.src.right - 1e-8));
  s->B = static_cast<int>(std::ceil(job.src.bottom - 1e-8));
  return s->R > s->L && s->B > s->T;
}

template <class T>
inline T Clamp(std::int64_t v, std::int64_t max) {
  return static_cast<T>(v < 0 ? 0 : v > max ? max : v);
}

// ---- bilinear ----------------------------------------------------------------------

template <class T, int C>
void BilinearRow(const u8* top, const u8* bottom, int fy, const std::vector<Tap>& cols, u8* out) {
  const auto& table = BilinearTable().w[fy];
  const T* r0 = reinterpret_cast<const T*>(top);
  const T* r1 = reinterpret_cast<const T*>(bottom);
  T* o = reinterpret_cast<T*>(out);
  for (std::size_t i = 0; i < cols.size(); ++i) {
    const Tap& t = cols[i];
    const std::uint16_t* w = table[t.frac];
    const T* p00 = r0 + t.index * C;
    const T* p01 = r0 + t.next * C;
    const T* p10 = r1 + t.index * C;
    const T* p11 = r1 + t.next * C;
    for (int c = 0; c < C; ++c) {
      const std::uint32_t v = w[0] * static_cast<std::uint32_t>(p00[c]) + w[1] * static_cast<std::uint32_t>(p01[c]) +
                              w[2] * static_cast<std::uint32_t>(p10[c]) + w[3] * static_cast<std::uint32_t>(p11[c]);
      o[i * C + c] = static_cast<T>((v + 128) >> 8);
    }
  }
}

using BilinearRowFn = void (*)(const u8*, const u8*, int, const std::vector<Tap>&, u8*);

template <class T>
BilinearRowFn PickBilinear(int channels) {
  switch (channels) {
    case 1: return BilinearRow<T, 1>;
    case 2: return BilinearRow<T, 2>;
    case 3: return BilinearRow<T, 3>;
    default: return BilinearRow<T, 4>;
  }
}

// ---- bicubic -----------------------------------------------------------------------

template <class T, int C>
void BicubicRow(const u8* const rows[4], int ty, const std::vector<Tap>& cols, int last, bool premultiplied,
                u8* out) {
  constexpr std::int64_t kMax = sizeof(T) == 1 ? 255 : 65535;
  T* o = reinterpret_cast<T*>(out);
  for (std::size_t i = 0; i < cols.size(); ++i) {
    const Tap& t = cols[i];
    const auto& w = BicubicTable().w[ty][t.frac];
    int x[4];
    for (int k = 0; k < 4; ++k) {
      const int v = t.index - 1 + k;
      x[k] = v < 0 ? 0 : v > last ? last : v;
    }
    std::int64_t sum[C] = {};
    for (int ky = 0; ky < 4; ++ky) {
      const T* row = reinterpret_cast<const T*>(rows[ky]);
      for (int kx = 0; kx < 4; ++kx) {
        const T* p = row + x[kx] * C;
        for (int c = 0; c < C; ++c) sum[c] += static_cast<std::int64_t>(w[ky][kx]) * p[c];
      }
    }
    T v[C];
    for (int c = 0; c < C; ++c) v[c] = Clamp<T>((sum[c] + 8192) >> 14, kMax);
    // A premultiplied colour never exceeds its alpha.
    if (premultiplied && C == 4) {
      for (int c = 0; c < 3; ++c) v[c] = v[c] > v[3] ? v[3] : v[c];
    }
    std::memcpy(o + i * C, v, sizeof(v));
  }
}

using BicubicRowFn = void (*)(const u8* const[4], int, const std::vector<Tap>&, int, bool, u8*);

template <class T>
BicubicRowFn PickBicubic(int channels) {
  switch (channels) {
    case 1: return BicubicRow<T, 1>;
    case 2: return BicubicRow<T, 2>;
    case 3: return BicubicRow<T, 3>;
    default: return BicubicRow<T, 4>;
  }
}

}  // namespace

int Bilinear(const Job& job) {
  Setup s;
  if (!Prepare(job, &s)) return keResampleRefused;
  CSourceRows source;
  CDestinationRows destination;
  if (!source.Init(*job.source, s.workFormat, s.L, s.R) ||
      !destination.Init(*job.destination, s.workFormat, job.dst)) {
    return keResampleRefused;
  }
  const int W = job.dst.Width(), H = job.dst.Height();
  std::vector<Tap> cols, rows;
  std::vector<u8> out;
  try {
    cols = Positions(job.src.left, job.src.right - job.src.left, W, s.L, s.R - 1, Edge::kColumn);
    rows = Positions(job.src.top, job.src.bottom - job.src.top, H, s.T, s.B - 1, Edge::kRow);
    out.resize(static_cast<std::size_t>(W) * FormatBitsPerPixel(s.workFormat) / 8);
  } catch (const std::bad_alloc&) {
    return keResampleRefused;
  }
  (void)BilinearTable();
  CRowRing ring(source, 2);
  const BilinearRowFn row = s.wide ? PickBilinear<u16>(s.channels) : PickBilinear<u8>(s.channels);
  if (job.progress != nullptr) job.progress->SetTotal(H);
  for (int j = 0; j < H; ++j) {
    if (Stop(job, j)) return keResampleStopped;
    const Tap& t = rows[static_cast<std::size_t>(j)];
    ring.NextRow();
    const u8* top = ring.Row(s.T + t.index);
    const u8* bottom = ring.Row(s.T + t.next);
    row(top, bottom, t.frac, cols, out.data());
    destination.Write(j, out.data());
  }
  return keResampleDone;
}

int Bicubic(const Job& job) {
  Setup s;
  if (!Prepare(job, &s)) return keResampleRefused;
  CSourceRows source;
  CDestinationRows destination;
  if (!source.Init(*job.source, s.workFormat, s.L, s.R) ||
      !destination.Init(*job.destination, s.workFormat, job.dst)) {
    return keResampleRefused;
  }
  const int W = job.dst.Width(), H = job.dst.Height();
  std::vector<Tap> cols, rows;
  std::vector<u8> out;
  try {
    cols = Positions(job.src.left, job.src.right - job.src.left, W, s.L, s.R - 1, Edge::kCubic);
    rows = Positions(job.src.top, job.src.bottom - job.src.top, H, s.T, s.B - 1, Edge::kCubic);
    out.resize(static_cast<std::size_t>(W) * FormatBitsPerPixel(s.workFormat) / 8);
  } catch (const std::bad_alloc&) {
    return keResampleRefused;
  }
  (void)BicubicTable();
  CRowRing ring(source, 4);
  const BicubicRowFn row = s.wide ? PickBicubic<u16>(s.channels) : PickBicubic<u8>(s.channels);
  const int lastRow = s.B - 1 - s.T;
  if (job.progress != nullptr) job.progress->SetTotal(H);
  for (int j = 0; j < H; ++j) {
    if (Stop(job, j)) return keResampleStopped;
    const Tap& t = rows[static_cast<std::size_t>(j)];
    const u8* taps[4];
    ring.NextRow();
    for (int k = 0; k < 4; ++k) {
      int y = t.index - 1 + k;
      y = y < 0 ? 0 : y > lastRow ? lastRow : y;
      taps[k] = ring.Row(s.T + y);
    }
    row(taps, t.frac, cols, s.R - 1 - s.L, s.premultiplied, out.data());
    destination.Write(j, out.data());
  }
  return keResampleDone;
}

}  // namespace resample
