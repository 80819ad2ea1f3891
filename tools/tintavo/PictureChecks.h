#pragma once
// What the tool looks at in a mask and in a result to warn the user: a mask
// in colour (only its grey value is used) and colours clipped by the
// repaint.

#include "image/ImageBuffer.h"

// The keFormatBGR picture's grey values, (77 R + 151 G + 28 B) / 256, as a
// new keFormatGrey buffer.
[[nodiscard]] CStatus GreyOf(const CImageBuffer& bgr, CImageBuffer* grey);

// Whether any pixel of the keFormatBGR picture has channels that differ.
bool HasColour(const CImageBuffer& bgr);

// The share (0 to 1) of the result's pixels that reach 0 or 255 in some
// channel where the same channel of the source pixel did not: detail the
// repaint clipped.  Both pictures are keFormatBGR of one size.
double ClippedShare(const CImageBuffer& source, const CImageBuffer& result);
