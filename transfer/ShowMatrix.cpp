// Drawing a matrix picture into the destination of a run.

#include <algorithm>

#include "image/ImageBuffer.h"
#include "transfer/ColorTransfer.h"

namespace {

// Bytes per pixel of the destinations a run can have; 0 for any other.
int ColourBytes(int format) {
  switch (format) {
    case keFormatGrey: return 1;
    case keFormatBGR: return 3;
    case keFormatBGRA: return 4;
    default: return 0;
  }
}

}  // namespace

int CColorTransfer::ShowMatrix(CImageBuffer& destination, const CImageBuffer& source,
                               const CImageBuffer& matrixPicture) {
  // The source's area inverted, the matrix (grey, stored as BGR) over its
  // top-left corner; everything clipped to the destination.  A fourth byte
  // (a document with transparency) is left as it is.
  if (destination.IsEmpty()) return 0;
  const int bytes = ColourBytes(destination.AccessFormat());
  if (bytes == 0) RaiseError(keErrNoData);
  const int colours = std::min(bytes, 3);
  const int width = std::min(source.Width(), destination.Width());
  const int height = std::min(source.Height(), destination.Height());
  for (int y = 0; y < height; ++y) {
    CRowWriter row(destination, y);
    if (!row) RaiseError(keErrNoData);
    std::uint8_t* p = row.Row();
    for (int x = 0; x < width; ++x, p += bytes) {
      for (int c = 0; c < colours; ++c) p[c] = static_cast<std::uint8_t>(255 - p[c]);
    }
  }
  const int copyWidth = std::min(matrixPicture.Width(), destination.Width());
  const int copyHeight = std::min(matrixPicture.Height(), destination.Height());
  for (int y = 0; y < copyHeight; ++y) {
    CRowReader from(matrixPicture, y);
    CRowWriter to(destination, y);
    if (!from || !to) RaiseError(keErrNoData);
    const std::uint8_t* in = from.Row();
    std::uint8_t* out = to.Row();
    for (int x = 0; x < copyWidth; ++x, in += 3, out += bytes) {
      for (int c = 0; c < colours; ++c) out[c] = in[c];
    }
  }
  return 0;
}
