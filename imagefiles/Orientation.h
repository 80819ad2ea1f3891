#pragma once
// Turning a picture upright by its EXIF or TIFF orientation.
//
// A camera stores its pixels as the sensor read them and records in the
// Orientation tag how a viewer is to turn them:
//   1 as stored            2 mirrored left to right   3 turned half way round
//   4 mirrored top to bottom   5 mirrored along the top-left diagonal
//   6 turned a quarter clockwise   7 mirrored along the top-right diagonal
//   8 turned a quarter anticlockwise
// Values 5 to 8 swap width and height.

#include "image/ImageBuffer.h"

// Whether the orientation swaps width and height (5 to 8).
inline bool OrientationSwapsSides(unsigned orientation) { return orientation >= 5 && orientation <= 8; }

// The picture as a viewer shows it: `*upright` receives a new buffer of the
// source's access format (keFormatBGR, keFormatBGRA or keFormatGrey) turned
// as `orientation` says; orientation 0, 1 or above 8 shares the source.
[[nodiscard]] CStatus TurnUpright(const CImageBuffer& source, unsigned orientation, CImageBuffer* upright);
