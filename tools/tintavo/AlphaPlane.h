#pragma once
// A picture's transparency kept aside while its colours are repainted: the
// engine works on B, G, R; the output gets the source's alpha back.

#include <cstdint>
#include <vector>

#include "image/ImageBuffer.h"

// Splits a keFormatBGRA picture into its colours (a new keFormatBGR buffer)
// and its alpha values, row after row.
[[nodiscard]] CStatus SplitAlpha(const CImageBuffer& bgra, CImageBuffer* bgr, std::vector<std::uint8_t>* alpha);

// The colours with the alpha values put back, as a new keFormatBGRA buffer.
[[nodiscard]] CStatus JoinAlpha(const CImageBuffer& bgr, const std::vector<std::uint8_t>& alpha,
                                CImageBuffer* bgra);
