#pragma once
// An anti-aliased rounded rectangle with a thin outline, drawn into an
// image buffer: what the thumbnail grid's cells need, no more.
//
// The shape is given in pixel coordinates where pixel (x, y) covers
// [x, x + 1) x [y, y + 1); its outline of `lineWidth` pixels is centred on
// the shape's edge.  Each pixel near the edge is sampled 16 x 16 times on a
// grid symmetric about its centre, so the coverage of the outline and of
// the inside are exact to 1/256 and a symmetric shape stays symmetric.
// Pixels wholly inside get exactly the fill colour, pixels wholly outside
// keep theirs.

#include <cstdint>

#include "image/ImageBuffer.h"
#include "ui/Geometry.h"

namespace ui {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend bool operator==(const Rgb& a, const Rgb& b) { return a.r == b.r && a.g == b.g && a.b == b.b; }
};

struct RoundedRectShape {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;
  double radius = 0;
  double lineWidth = 1;
};

// Draws into a keFormatBGR buffer; 101 for another format.
[[nodiscard]] CStatus DrawRoundedRect(CImageBuffer& target, const RoundedRectShape& shape, Rgb outline, Rgb fill);

// The grid's cell background: the window colour, and a rounded rectangle
// inset by 2 pixels (edges through pixel centres) with corner radius 3 and
// a 0.5-pixel outline: grey 200 around the background colour less 7 for a
// normal cell, grey 170 around the selection colour for a selected one.
[[nodiscard]] CStatus MakeCellBackground(CImageBuffer* cell, Size size, bool selected, Rgb window, Rgb background,
                                         Rgb selection);

}  // namespace ui
