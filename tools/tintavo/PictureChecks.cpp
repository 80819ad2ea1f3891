#include "tools/tintavo/PictureChecks.h"

#include <new>
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

}  // namespace

bool CSourceExtremes::Record(const CImageBuffer& source) {
  m_width = m_height = 0;
  m_flags.clear();
  const int width = source.Width();
  const int height = source.Height();
  std::vector<std::uint8_t> flags;
  try {
    flags.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (int y = 0; y < height; ++y) {
    CRowReader row(source, y);
    if (!row) return false;
    std::uint8_t* f = &flags[static_cast<std::size_t>(y) * static_cast<std::size_t>(width)];
    const std::uint8_t* p = row.Row();
    for (int x = 0; x < width; ++x, p += 3) f[x] = static_cast<std::uint8_t>(ExtremeBits(p));
  }
  m_width = width;
  m_height = height;
  m_flags = std::move(flags);
  return true;
}

double CSourceExtremes::ClippedShare(const CImageBuffer& result) const {
  if (m_width == 0 || m_height == 0 || result.Width() != m_width || result.Height() != m_height) return 0;
  std::uint64_t clipped = 0;
  for (int y = 0; y < m_height; ++y) {
    CRowReader after(result, y);
    if (!after) return 0;
    const std::uint8_t* f = &m_flags[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width)];
    // A result pixel is clipped when it has an extreme its source pixel
    // did not have.
    const std::uint8_t* p = after.Row();
    for (int x = 0; x < m_width; ++x, p += 3) clipped += (ExtremeBits(p) & ~f[x]) != 0;
  }
  return static_cast<double>(clipped) / (static_cast<double>(m_width) * m_height);
}
