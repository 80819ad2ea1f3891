#include "commands/MaskedComposite.h"

#include <algorithm>

CStatus MaskedComposite(const CImageBuffer& first, const CImageBuffer& second, const CImageBuffer& mask,
                        CImageBuffer* result) {
  if (first.IsEmpty() || second.IsEmpty() || mask.IsEmpty() || first.AccessFormat() != second.AccessFormat() ||
      mask.AccessFormat() != keFormatGrey) {
    return MakeStatus(keErrBadArgument);
  }
  const int bytesPerPixel = FormatBitsPerPixel(first.AccessFormat()) / 8;
  if (bytesPerPixel < 1) return MakeStatus(keErrBadArgument);

  CImageBuffer out;
  CStatus status = out.Copy(first);
  if (status.IsError()) return status;

  // Rows and columns outside any of the three images are left as copied.
  const int width = std::min({mask.Width(), out.Width(), second.Width()});
  const int height = std::min({mask.Height(), out.Height(), second.Height()});
  for (int y = 0; y < height; ++y) {
    CRowReader m(mask, y);
    CRowReader b(second, y);
    CRowWriter a(out, y);
    if (!m || !b || !a) return MakeStatus(keErrNoData);
    for (int x = 0; x < width; ++x) {
      const unsigned weight = m.Row()[x];
      if (weight == 0) continue;
      std::uint8_t* pa = a.Row() + x * bytesPerPixel;
      const std::uint8_t* pb = b.Row() + x * bytesPerPixel;
      for (int c = 0; c < bytesPerPixel; ++c) {
        const unsigned mixed = (255u - weight) * pa[c] + weight * pb[c] + 128u;
        pa[c] = static_cast<std::uint8_t>((mixed + (mixed >> 8)) >> 8);
      }
    }
  }
  *result = std::move(out);
  return CStatus();
}
