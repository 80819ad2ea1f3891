#pragma once
// The size of the template's picture on the "Select Template" button: the
// picture fitted into 0.8 times the button's client size, its aspect kept:
// the side that limits decides (a landscape picture on a wide, low button
// is fitted to the height, never cut off).  A side is never below 1 pixel,
// however long and thin the picture.

#include "ui/Geometry.h"

namespace ui {

Size TemplatePictureSize(Size picture, Size buttonClient);

}  // namespace ui
