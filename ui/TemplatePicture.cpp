#include "ui/TemplatePicture.h"

#include <algorithm>
#include <cmath>

namespace ui {

Size TemplatePictureSize(Size picture, Size buttonClient) {
  if (picture.width <= 0 || picture.height <= 0) return {};
  const int w0 = static_cast<int>(0.8 * buttonClient.width);
  const int h0 = static_cast<int>(0.8 * buttonClient.height);
  // The side that limits decides: a wide picture on a low button is fitted
  // to the height, so the whole picture stays on the button.
  Size size;
  if (static_cast<double>(picture.width) * h0 > static_cast<double>(picture.height) * w0) {
    size.width = w0;
    size.height = static_cast<int>(std::lround(static_cast<double>(w0) / picture.width * picture.height));
  } else {
    size.height = h0;
    size.width = static_cast<int>(std::lround(static_cast<double>(h0) / picture.height * picture.width));
  }
  // A panorama a thousand times wider than high still gets a row.
  size.width = std::max(1, size.width);
  size.height = std::max(1, size.height);
  return size;
}

}  // namespace ui
