#pragma once
// What the tool looks at in a mask and in a result to warn the user: a mask
// in colour (only its grey value is used) and colours clipped by the
// repaint.

#include <cstdint>
#include <vector>

#include "image/ImageBuffer.h"

// The keFormatBGR picture's grey values, (77 R + 151 G + 28 B) / 256, as a
// new keFormatGrey buffer.
[[nodiscard]] CStatus GreyOf(const CImageBuffer& bgr, CImageBuffer* grey);

// Whether any pixel of the keFormatBGR picture has channels that differ.
bool HasColour(const CImageBuffer& bgr);

// Which channels of each source pixel sit at 0 or at 255, recorded before
// the repaint so that the result may be written over the source and still
// be measured against it: one byte per pixel of the rows that have such a
// pixel (a photograph's rows mostly have none).
class CSourceExtremes {
 public:
  // Records the keFormatBGR source; false when there is no memory for the
  // record (the clipping is then not measured).  Up to `threads` threads
  // share a large picture's rows.
  bool Record(const CImageBuffer& source, int threads = 1);
  // The share (0 to 1) of the result's pixels that reach 0 or 255 in some
  // channel where the same channel of the recorded source pixel did not:
  // detail the repaint clipped.  The result is keFormatBGR of the source's
  // size; 0 when nothing was recorded or the sizes differ.
  double ClippedShare(const CImageBuffer& result, int threads = 1) const;

 private:
  int m_width = 0;
  int m_height = 0;
  // Per row, empty or one byte per pixel: bit c: channel c is 0; bit c + 3:
  // it is 255.
  std::vector<std::vector<std::uint8_t>> m_rows;
};
