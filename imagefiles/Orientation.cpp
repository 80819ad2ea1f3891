#include "imagefiles/Orientation.h"

#include <cstring>

namespace {

int BytesPerPixel(int format) {
  switch (format) {
    case keFormatGrey: return 1;
    case keFormatBGR: return 3;
    case keFormatBGRA: return 4;
    default: return 0;
  }
}

// Where the pixel (x, y) of the upright picture (width w, height h) lies in
// the stored picture (width sw, height sh).
void StoredPosition(unsigned orientation, int x, int y, int sw, int sh, int* sx, int* sy) {
  switch (orientation) {
    case 2: *sx = sw - 1 - x; *sy = y; break;
    case 3: *sx = sw - 1 - x; *sy = sh - 1 - y; break;
    case 4: *sx = x; *sy = sh - 1 - y; break;
    case 5: *sx = y; *sy = x; break;
    case 6: *sx = y; *sy = sh - 1 - x; break;
    case 7: *sx = sw - 1 - y; *sy = sh - 1 - x; break;
    case 8: *sx = sw - 1 - y; *sy = x; break;
    default: *sx = x; *sy = y; break;
  }
}

}  // namespace

CStatus TurnUpright(const CImageBuffer& source, unsigned orientation, CImageBuffer* upright) {
  if (orientation < 2 || orientation > 8) return upright->Share(source);
  const int format = source.AccessFormat();
  const int bytes = BytesPerPixel(format);
  if (bytes == 0 || source.IsEmpty()) return MakeStatus(keErrBadArgument);
  const int sw = source.Width();
  const int sh = source.Height();
  const int w = OrientationSwapsSides(orientation) ? sh : sw;
  const int h = OrientationSwapsSides(orientation) ? sw : sh;
  CImageBuffer turned;
  CStatus status = turned.Create(w, h, format);
  if (status.IsError()) return status;
  if (!OrientationSwapsSides(orientation)) {
    // Whole rows move; a mirrored row is reversed pixel by pixel.
    const bool mirror = orientation == 2 || orientation == 3;
    for (int y = 0; y < h; ++y) {
      int sx = 0, sy = 0;
      StoredPosition(orientation, 0, y, sw, sh, &sx, &sy);
      CRowReader from(source, sy);
      CRowWriter to(turned, y);
      if (!from || !to) return MakeStatus(keErrNoData);
      if (!mirror) {
        std::memcpy(to.Row(), from.Row(), static_cast<std::size_t>(w) * bytes);
        continue;
      }
      for (int x = 0; x < w; ++x) std::memcpy(to.Row() + x * bytes, from.Row() + (w - 1 - x) * bytes, bytes);
    }
  } else {
    // A column of the stored picture becomes a row: the stored pixels are
    // read through their addresses, which need no row to be held.
    if (source.AccessFormat() != source.StorageFormat()) return MakeStatus(keErrBadArgument);
    for (int y = 0; y < h; ++y) {
      CRowWriter to(turned, y);
      if (!to) return MakeStatus(keErrNoData);
      for (int x = 0; x < w; ++x) {
        int sx = 0, sy = 0;
        StoredPosition(orientation, x, y, sw, sh, &sx, &sy);
        std::memcpy(to.Row() + x * bytes, source.PixelAddress(sx, sy), bytes);
      }
    }
  }
  *upright = std::move(turned);
  return CStatus();
}
