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
  bool layerMask = false;           // a layer mask plane after those
  int extraPlanes = 0;              // further planes a filter must leave alone
};

// Ways in which a host hands a continue call something other than what the
// filter asked for.
struct HostDeviations {
  int planes = 0;         // only planes 0 to planes - 1 (0: all that were asked for)
  bool clipMask = false;  // the mask for its selection's bounding rectangle only
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
  // Points the record's pixels at the document for one continue call, the
  // way the host deviates: fewer planes are sent as buffers of their own
  // (inHiPlane and outHiPlane say how many), a clipped mask as the bytes of
  // its rectangle with maskRect set to it.
  void Deliver(FilterRecord* record, const HostDeviations& deviations);
  // After the call: what the filter wrote into planes sent apart goes back
  // into the document.
  void TakeBack();
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
  int m_sentPlanes = 0;  // planes of m_inSent and m_outSent; 0 when all are sent
  std::vector<std::uint8_t> m_inSent, m_outSent, m_maskSent;
};
