#pragma once
// Mixing a result with its source through a selection mask.

#include "image/ImageBuffer.h"

// result := first, with every pixel where the grey mask m is non-zero mixed
// towards second: x = (255 - m) * a + m * b + 128, byte (x + (x >> 8)) >> 8,
// for every byte of the pixel (alpha included).  first and second must hold
// pixels of one access format and the mask grey pixels, else 101.  The mask
// covers the top-left part of both images that it overlaps.
[[nodiscard]] CStatus MaskedComposite(const CImageBuffer& first, const CImageBuffer& second,
                                      const CImageBuffer& mask, CImageBuffer* result);
