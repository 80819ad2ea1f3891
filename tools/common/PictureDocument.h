#pragma once
// A picture laid out the way an editor hands its document to a filter:
// interleaved 8-bit planes, rows top-down, an optional selection mask of one
// byte per pixel, and a zero-filled filter record over it all.

#include <cstdint>
#include <vector>

#include "host/FilterRecord.h"
#include "image/ImageBuffer.h"

struct DocumentLayout {
  int16 mode = plugInModeRGBColor;  // RGB, grey, CMYK or Lab
  bool alpha = false;               // a transparency plane after the colour planes
  int extraPlanes = 0;              // further planes a filter must leave alone
};

class PictureDocument {
 public:
  // From a top-down keFormatBGR buffer: RGB planes as they are, grey as the
  // luma, CMYK and Lab as simple derived bytes (such documents are only
  // there to be refused).  Alpha starts opaque; extra planes get a pattern.
  [[nodiscard]] CStatus Load(const CImageBuffer& bgr, const DocumentLayout& layout = DocumentLayout());
  // The selection: a grey buffer of the picture's size.
  [[nodiscard]] CStatus SetMask(const CImageBuffer& grey);

  // The record a host passes: sizes, planes, mode, plane counts, buffers and
  // the mask; 16-bit rectangles over the whole image.
  FilterRecord MakeRecord();
  // The output's colour planes as a top-down keFormatBGR buffer.
  [[nodiscard]] CStatus Output(CImageBuffer* bgr) const;

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  int Planes() const { return m_planes; }
  int ColourPlanes() const { return m_colourPlanes; }
  const std::vector<std::uint8_t>& InPlanes() const { return m_in; }
  const std::vector<std::uint8_t>& OutPlanes() const { return m_out; }

 private:
  DocumentLayout m_layout;
  int m_width = 0;
  int m_height = 0;
  int m_colourPlanes = 3;
  int m_planes = 3;
  std::vector<std::uint8_t> m_in, m_out, m_mask;
};
