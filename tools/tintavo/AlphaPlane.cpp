#include "tools/tintavo/AlphaPlane.h"

CStatus SplitAlpha(const CImageBuffer& bgra, CImageBuffer* bgr, std::vector<std::uint8_t>* alpha) {
  const int width = bgra.Width();
  const int height = bgra.Height();
  CStatus status = bgr->CreateBGR(width, height);
  if (status.IsError()) return status;
  alpha->assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 255);
  for (int y = 0; y < height; ++y) {
    CRowReader from(bgra, y);
    CRowWriter to(*bgr, y);
    if (!from || !to) return MakeStatus(keErrNoData);
    std::uint8_t* a = alpha->data() + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      to.Row()[3 * x] = from.Row()[4 * x];
      to.Row()[3 * x + 1] = from.Row()[4 * x + 1];
      to.Row()[3 * x + 2] = from.Row()[4 * x + 2];
      a[x] = from.Row()[4 * x + 3];
    }
  }
  return CStatus();
}

CStatus JoinAlpha(const CImageBuffer& bgr, const std::vector<std::uint8_t>& alpha, CImageBuffer* bgra) {
  const int width = bgr.Width();
  const int height = bgr.Height();
  if (alpha.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
    return MakeStatus(keErrBadArgument);
  }
  CStatus status = bgra->CreateBGRA(width, height);
  if (status.IsError()) return status;
  for (int y = 0; y < height; ++y) {
    CRowReader from(bgr, y);
    CRowWriter to(*bgra, y);
    if (!from || !to) return MakeStatus(keErrNoData);
    const std::uint8_t* a = alpha.data() + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      to.Row()[4 * x] = from.Row()[3 * x];
      to.Row()[4 * x + 1] = from.Row()[3 * x + 1];
      to.Row()[4 * x + 2] = from.Row()[3 * x + 2];
      to.Row()[4 * x + 3] = a[x];
    }
  }
  return CStatus();
}
