#pragma once
// What the preview draws for one paint: the visible part of the zoomed image
// as a small picture at screen resolution, scaled nearest-neighbour.
//
// The plain scaler copies pixels.  The compositing scaler, used when the
// image carries alpha or the host has a selection, shows transparent pixels
// over a checkerboard of 10-pixel squares (white and R 208, G 205, B 195)
// that moves with the image, and tints what lies outside the selection about
// half-way towards red.  Both read only the source rows and columns they
// need, through a column table computed once per paint in fixed point (steps
// of 1/10000 of a pixel), and copy a destination row when it repeats the one
// above.

#include "image/ImageBuffer.h"
#include "ui/Geometry.h"

namespace ui {

struct PreviewRegion {
  // The picture's place in zoomed-image coordinates (0, 0 at the image's
  // top-left corner at this zoom).
  Rect place;
  // BGR (or grey for grey and 1-bit images in the plain scaler), the size of
  // `place`.
  CImageBuffer pixels;
};

// The source pixels a destination rectangle of the zoomed image needs:
// clip is in zoomed-image coordinates; the answer is inside the image.
Rect SourceRectForClip(Size image, double zoom, const Rect& clip);

// Scales the part of `image` that `clip` and `visible` (both in zoomed-image
// coordinates) share at `zoom`.  The mask, when it holds pixels, is the
// selection: grey, the image's size.  False, with nothing made, when the
// region is empty or the zoom is not above 0.
bool ScalePreview(const CImageBuffer& image, const CImageBuffer& mask, double zoom, const Rect& clip,
                  const Rect& visible, PreviewRegion* region);

// Whether a paint of this image needs the compositing scaler.
bool NeedsCompositing(const CImageBuffer& image, const CImageBuffer& mask);

// The checkerboard colour (B, G, R) at zoomed-image pixel (x, y).
void CheckerColour(int x, int y, std::uint8_t bgr[3]);

}  // namespace ui
