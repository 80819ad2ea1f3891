// Drawing a matrix picture into the destination of a run.

#include <algorithm>
#include <cstring>

#include "image/ImageBuffer.h"
#include "transfer/ColorTransfer.h"

int CColorTransfer::ShowMatrix(CImageBuffer& destination, const CImageBuffer& source,
                               const CImageBuffer& matrixPicture) {
  // Only a BGR destination is drawn; everything is clipped to it.
  if (destination.IsEmpty() || destination.AccessFormat() != keFormatBGR) return 0;
  const int width = std::min(source.Width(), destination.Width());
  const int height = std::min(source.Height(), destination.Height());
  for (int y = 0; y < height; ++y) {
    CRowWriter row(destination, y);
    if (!row) RaiseError(keErrNoData);
    for (int i = 0; i < 3 * width; ++i) row.Row()[i] = static_cast<std::uint8_t>(255 - row.Row()[i]);
  }
  const int copyWidth = std::min(matrixPicture.Width(), destination.Width());
  const int copyHeight = std::min(matrixPicture.Height(), destination.Height());
  for (int y = 0; y < copyHeight; ++y) {
    CRowReader from(matrixPicture, y);
    CRowWriter to(destination, y);
    if (!from || !to) RaiseError(keErrNoData);
    std::memcpy(to.Row(), from.Row(), static_cast<std::size_t>(3) * copyWidth);
  }
  return 0;
}
