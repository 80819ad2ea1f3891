#include "tools/tintavo/PictureChecks.h"

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

double ClippedShare(const CImageBuffer& source, const CImageBuffer& result) {
  const int width = source.Width();
  const int height = source.Height();
  if (width == 0 || height == 0 || result.Width() != width || result.Height() != height) return 0;
  std::uint64_t clipped = 0;
  for (int y = 0; y < height; ++y) {
    CRowReader before(source, y);
    CRowReader after(result, y);
    if (!before || !after) return 0;
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < 3; ++c) {
        const std::uint8_t b = before.Row()[3 * x + c];
        const std::uint8_t a = after.Row()[3 * x + c];
        if ((a == 0 || a == 255) && b != a) {
          ++clipped;
          break;
        }
      }
    }
  }
  return static_cast<double>(clipped) / (static_cast<double>(width) * height);
}
