#include "tools/tintavo/PictureChecks.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

CStatus GreyOf(const CImageBuffer& bgr, CImageBuffer* grey) {
  CStatus status = grey->CreateGrey(bgr.Width(), bgr.Height());
  if (status.IsError()) return status;
  for (int y = 0; y < bgr.Height(); ++y) {
    CRowReader from(bgr, y);
    CRowWriter to(*grey, y);
    if (!from || !to) return MakeStatus(keErrNoData);
    for (int x = 0; x < bgr.Width(); ++x) {
      const std::uint8_t* p = from.Row() + 3 * x;
      to.Row()[x] = static_cast<std::uint8_t>((28 * p[0] + 151 * p[1] + 77 * p[2]) / 256);
    }
  }
  return CStatus();
}

bool HasColour(const CImageBuffer& bgr) {
  for (int y = 0; y < bgr.Height(); ++y) {
    CRowReader row(bgr, y);
    if (!row) return false;
    for (int x = 0; x < bgr.Width(); ++x) {
      const std::uint8_t* p = row.Row() + 3 * x;
      if (p[0] != p[1] || p[1] != p[2]) return true;
    }
  }
  return false;
}

namespace {

// Bit c: channel c of the BGR pixel is 0; bit c + 3: it is 255.
inline unsigned ExtremeBits(const std::uint8_t* p) {
  return static_cast<unsigned>(p[0] == 0) | static_cast<unsigned>(p[1] == 0) << 1 |
         static_cast<unsigned>(p[2] == 0) << 2 | static_cast<unsigned>(p[0] == 255) << 3 |
         static_cast<unsigned>(p[1] == 255) << 4 | static_cast<unsigned>(p[2] == 255) << 5;
}

// Pixels are looked at in groups of eight (three 64-bit words): most groups
// of a photograph hold no 0 or 255 byte at all and are passed over whole.
constexpr int kGroupPixels = 8;

// Whether the 64-bit word holds a byte 0 or a byte 255 (the usual test for a
// zero byte, on the word and on its complement).
inline bool WordHasExtreme(std::uint64_t v) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHighs = 0x8080808080808080u;
  const std::uint64_t w = ~v;
  return (((v - kOnes) & ~v) | ((w - kOnes) & ~w)) & kHighs;
}

inline bool GroupHasExtreme(const std::uint8_t* p) {
  std::uint64_t words[3];
  std::memcpy(words, p, sizeof(words));
  return WordHasExtreme(words[0]) || WordHasExtreme(words[1]) || WordHasExtreme(words[2]);
}

// Calls f(x, bits) for every pixel of the BGR row with an extreme channel,
// in order.
template <typename F>
void EachExtremePixel(const std::uint8_t* row, int width, F f) {
  int x = 0;
  for (; x + kGroupPixels <= width; x += kGroupPixels) {
    const std::uint8_t* group = row + 3 * static_cast<std::size_t>(x);
    if (!GroupHasExtreme(group)) continue;
    for (int i = 0; i < kGroupPixels; ++i) {
      const unsigned bits = ExtremeBits(group + 3 * i);
      if (bits != 0) f(x + i, bits);
    }
  }
  for (; x < width; ++x) {
    const unsigned bits = ExtremeBits(row + 3 * static_cast<std::size_t>(x));
    if (bits != 0) f(x, bits);
  }
}

// Calls part(index, y0, y1) for `parts` runs of consecutive rows covering
// 0 .. height - 1, each but the first on a thread of its own (on this
// thread when no thread can be started).
template <typename Part>
void ForRowParts(int height, int parts, const Part& part) {
  std::vector<std::thread> threads;
  auto run = [&part, height, parts](int i) {
    part(i, static_cast<int>(static_cast<std::int64_t>(height) * i / parts),
         static_cast<int>(static_cast<std::int64_t>(height) * (i + 1) / parts));
  };
  for (int i = 1; i < parts; ++i) {
    try {
      threads.emplace_back(run, i);
    } catch (const std::system_error&) {
      run(i);
    }
  }
  run(0);
  for (std::thread& t : threads) t.join();
}

// Threads for a look at every pixel of `image`: one unless asked for more,
// the picture is large and its rows may be fetched from several threads.
int PartsFor(const CImageBuffer& image, int threads) {
  constexpr std::int64_t kPixelsPerPart = 1 << 20;
  const std::int64_t pixels = static_cast<std::int64_t>(image.Width()) * image.Height();
  if (threads <= 1 || !image.RowsShareable() || pixels < 2 * kPixelsPerPart) return 1;
  return static_cast<int>(std::min<std::int64_t>(threads, pixels / kPixelsPerPart));
}

}  // namespace

bool CSourceExtremes::Record(const CImageBuffer& source, int threads) {
  m_width = m_height = 0;
  m_rows.clear();
  const int width = source.Width();
  const int height = source.Height();
  std::vector<std::vector<std::uint8_t>> rows;
  try {
    rows.resize(static_cast<std::size_t>(height));
  } catch (const std::bad_alloc&) {
    return false;
  }
  std::atomic<bool> complete{true};
  ForRowParts(height, PartsFor(source, threads), [&](int, int y0, int y1) {
    try {
      for (int y = y0; y < y1; ++y) {
        CRowReader row(source, y);
        if (!row) {
          complete = false;
          return;
        }
        std::vector<std::uint8_t>& flags = rows[static_cast<std::size_t>(y)];
        EachExtremePixel(row.Row(), width, [&](int x, unsigned bits) {
          if (flags.empty()) flags.resize(static_cast<std::size_t>(width));
          flags[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(bits);
        });
      }
    } catch (const std::bad_alloc&) {
      complete = false;
    }
  });
  if (!complete) return false;
  m_width = width;
  m_height = height;
  m_rows = std::move(rows);
  return true;
}

double CSourceExtremes::ClippedShare(const CImageBuffer& result, int threads) const {
  if (m_width == 0 || m_height == 0 || result.Width() != m_width || result.Height() != m_height) return 0;
  const int parts = PartsFor(result, threads);
  std::vector<std::uint64_t> clipped(static_cast<std::size_t>(parts), 0);
  std::atomic<bool> complete{true};
  ForRowParts(m_height, parts, [&](int part, int y0, int y1) {
    std::uint64_t count = 0;
    for (int y = y0; y < y1; ++y) {
      CRowReader after(result, y);
      if (!after) {
        complete = false;
        return;
      }
      const std::vector<std::uint8_t>& flags = m_rows[static_cast<std::size_t>(y)];
      // A result pixel is clipped when it has an extreme its source pixel
      // did not have.
      EachExtremePixel(after.Row(), m_width, [&](int x, unsigned bits) {
        const unsigned before = flags.empty() ? 0u : flags[static_cast<std::size_t>(x)];
        count += (bits & ~before) != 0;
      });
    }
    clipped[static_cast<std::size_t>(part)] = count;
  });
  if (!complete) return 0;
  std::uint64_t total = 0;
  for (std::uint64_t count : clipped) total += count;
  return static_cast<double>(total) / (static_cast<double>(m_width) * m_height);
}
