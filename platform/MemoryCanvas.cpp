#include "platform/MemoryCanvas.h"

#include <cstring>

namespace platform {

CMemoryCanvas::CMemoryCanvas(int width, int height, int bitsPerPixel)
    : m_width(width > 0 ? width : 0),
      m_height(height > 0 ? height : 0),
      m_bitsPerPixel(bitsPerPixel == 32 ? 32 : 24),
      m_pixels(static_cast<std::size_t>(m_width) * m_height * (m_bitsPerPixel / 8), 0) {}

namespace {

// Source pixel of each of `n` destination pixels over `m` source pixels,
// the integer stepping that StretchDIBits uses with COLORONCOLOR: an error
// term starting at 3s - 2b (s and b the smaller and the bigger length)
// that adds 2(s - b) on a step and 2s otherwise.  Enlarging repeats source
// pixels; shrinking drops them, keeping the last of a run across a row and
// the first of a run down the rows (`keepFirst`).
std::vector<int> StretchMap(int m, int n, bool keepFirst) {
  std::vector<int> map(static_cast<std::size_t>(n), -1);
  const long long small = m < n ? m : n, big = m < n ? n : m;
  long long err = 3 * small - 2 * big;
  const long long step = 2 * (small - big), stay = 2 * small;
  if (n > m) {
    int s = 0;
    for (int k = 0; k < n; ++k) {
      map[static_cast<std::size_t>(k)] = s;
      if (err > 0) ++s, err += step;
      else err += stay;
    }
  } else {
    int d = 0;
    for (int k = 0; k < m; ++k) {
      if (d < n && (!keepFirst || map[static_cast<std::size_t>(d)] < 0)) map[static_cast<std::size_t>(d)] = k;
      if (err > 0) ++d, err += step;
      else err += stay;
    }
  }
  return map;
}

}  // namespace

int CMemoryCanvas::StretchDib(int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh, const void* bits,
                              const DibInfo& info) {
  const int bpp = info.bitCount;
  if (bits == nullptr || info.width <= 0 || info.height <= 0 || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return 0;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return 0;
  const std::size_t rowBytes = ((static_cast<std::size_t>(info.width) * bpp + 31) / 32) * 4;
  const std::uint8_t* base = static_cast<const std::uint8_t*>(bits);
  const int out = m_bitsPerPixel / 8;
  const std::vector<int> columns = StretchMap(sw, dw, false), rows = StretchMap(sh, dh, true);
  for (int j = 0; j < dh; ++j) {
    const int y = dy + j;
    if (y < 0 || y >= m_height) continue;
    // Rows of the source rectangle from its top; the bits count from the
    // bottom row.
    const int fromTop = rows[static_cast<std::size_t>(j)];
    const int bottomIndex = sy + sh - 1 - fromTop;
    if (bottomIndex < 0 || bottomIndex >= info.height) continue;
    const std::uint8_t* row = base + static_cast<std::size_t>(bottomIndex) * rowBytes;
    std::uint8_t* target = Row(y);
    for (int i = 0; i < dw; ++i) {
      const int x = dx + i;
      if (x < 0 || x >= m_width) continue;
      const int s = sx + columns[static_cast<std::size_t>(i)];
      if (s < 0 || s >= info.width) continue;
      const std::uint8_t* p = nullptr;
      switch (bpp) {
        case 1: p = info.colours + ((row[s >> 3] >> (7 - (s & 7))) & 1) * 4; break;
        case 4: p = info.colours + ((s & 1) ? row[s >> 1] & 15 : row[s >> 1] >> 4) * 4; break;
        case 8: p = info.colours + row[s] * 4; break;
        case 24: p = row + s * 3; break;
        default: p = row + s * 4; break;
      }
      std::uint8_t* t = target + static_cast<std::size_t>(x) * out;
      t[0] = p[0];
      t[1] = p[1];
      t[2] = p[2];
      if (out == 4) t[3] = 0;
    }
  }
  return dh;
}

int CMemoryCanvas::ReadBits(int bitCount, void* bits) const {
  if (bitCount != 24 && bitCount != 32) return 0;
  const int size = bitCount / 8, in = m_bitsPerPixel / 8;
  const std::size_t rowBytes = ((static_cast<std::size_t>(m_width) * bitCount + 31) / 32) * 4;
  std::uint8_t* out = static_cast<std::uint8_t*>(bits);
  for (int k = 0; k < m_height; ++k) {
    const std::uint8_t* row = Row(m_height - 1 - k);
    std::uint8_t* o = out + static_cast<std::size_t>(k) * rowBytes;
    std::memset(o, 0, rowBytes);
    for (int x = 0; x < m_width; ++x) std::memcpy(o + x * size, row + x * in, 3);
  }
  return m_height;
}

}  // namespace platform
