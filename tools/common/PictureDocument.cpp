#include "tools/common/PictureDocument.h"

#include <cstring>

namespace {

int ColourPlanesOf(int16 mode) {
  switch (mode) {
    case plugInModeGrayScale: return 1;
    case plugInModeCMYKColor: return 4;
    default: return 3;
  }
}

}  // namespace

CStatus PictureDocument::Load(const CImageBuffer& bgr, const DocumentLayout& layout) {
  if (bgr.IsEmpty() || bgr.AccessFormat() != keFormatBGR || layout.extraPlanes < 0 || layout.extraPlanes > 16) {
    return MakeStatus(keErrBadArgument);
  }
  m_layout = layout;
  m_width = bgr.Width();
  m_height = bgr.Height();
  m_colourPlanes = ColourPlanesOf(layout.mode);
  m_planes = m_colourPlanes + (layout.alpha ? 1 : 0) + layout.extraPlanes;
  m_in.assign(static_cast<std::size_t>(m_width) * m_height * m_planes, 0);
  for (int y = 0; y < m_height; ++y) {
    CRowReader row(bgr, y);
    if (!row) return MakeStatus(keErrNoData);
    std::uint8_t* host = m_in.data() + static_cast<std::size_t>(y) * m_width * m_planes;
    for (int x = 0; x < m_width; ++x, host += m_planes) {
      const std::uint8_t b = row.Row()[3 * x], g = row.Row()[3 * x + 1], r = row.Row()[3 * x + 2];
      switch (layout.mode) {
        case plugInModeGrayScale:
          host[0] = static_cast<std::uint8_t>((77 * r + 151 * g + 28 * b) / 256);
          break;
        case plugInModeCMYKColor:
          host[0] = static_cast<std::uint8_t>(255 - r);
          host[1] = static_cast<std::uint8_t>(255 - g);
          host[2] = static_cast<std::uint8_t>(255 - b);
          host[3] = 0;
          break;
        default:
          host[0] = r, host[1] = g, host[2] = b;
          break;
      }
      int p = m_colourPlanes;
      if (layout.alpha) host[p++] = 255;
      for (int e = 0; e < layout.extraPlanes; ++e) host[p++] = static_cast<std::uint8_t>(x + 3 * y + 17 * e);
    }
  }
  m_out = m_in;
  m_mask.clear();
  return CStatus();
}

CStatus PictureDocument::SetMask(const CImageBuffer& grey) {
  if (grey.IsEmpty() || grey.AccessFormat() != keFormatGrey || grey.Width() != m_width ||
      grey.Height() != m_height) {
    return MakeStatus(keErrBadArgument);
  }
  m_mask.assign(static_cast<std::size_t>(m_width) * m_height, 0);
  for (int y = 0; y < m_height; ++y) {
    CRowReader row(grey, y);
    if (!row) return MakeStatus(keErrNoData);
    std::memcpy(m_mask.data() + static_cast<std::size_t>(y) * m_width, row.Row(), static_cast<std::size_t>(m_width));
  }
  return CStatus();
}

FilterRecord PictureDocument::MakeRecord() {
  FilterRecord record;
  std::memset(&record, 0, sizeof record);
  record.imageSize = Point{static_cast<int16>(m_height), static_cast<int16>(m_width)};
  record.planes = static_cast<int16>(m_planes);
  record.imageMode = m_layout.mode;
  record.depth = 8;
  record.inLayerPlanes = static_cast<int16>(m_colourPlanes);
  record.outLayerPlanes = record.inLayerPlanes;
  record.inTransparencyMask = m_layout.alpha ? 1 : 0;
  record.outTransparencyMask = record.inTransparencyMask;
  record.inNonLayerPlanes = static_cast<int16>(m_layout.extraPlanes);
  record.outNonLayerPlanes = record.inNonLayerPlanes;
  const Rect whole{0, 0, static_cast<int16>(m_height), static_cast<int16>(m_width)};
  record.filterRect = whole;
  record.maxSpace = 1 << 30;
  record.bufferSpace = 1 << 24;
  record.inData = m_in.data();
  record.inRowBytes = m_width * m_planes;
  record.outData = m_out.data();
  record.outRowBytes = m_width * m_planes;
  if (!m_mask.empty()) {
    record.maskData = m_mask.data();
    record.maskRowBytes = m_width;
    record.haveMask = 1;
  }
  record.imageHRes = record.imageVRes = 72 << 16;
  return record;
}

CStatus PictureDocument::Output(CImageBuffer* bgr) const {
  CStatus status = bgr->CreateBGR(m_width, m_height);
  if (status.IsError()) return status;
  for (int y = 0; y < m_height; ++y) {
    CRowWriter row(*bgr, y);
    if (!row) return MakeStatus(keErrNoData);
    const std::uint8_t* host = m_out.data() + static_cast<std::size_t>(y) * m_width * m_planes;
    for (int x = 0; x < m_width; ++x, host += m_planes) {
      std::uint8_t* p = row.Row() + 3 * x;
      if (m_colourPlanes == 1) {
        p[0] = p[1] = p[2] = host[0];
      } else if (m_layout.mode == plugInModeCMYKColor) {
        p[0] = static_cast<std::uint8_t>(255 - host[2]);
        p[1] = static_cast<std::uint8_t>(255 - host[1]);
        p[2] = static_cast<std::uint8_t>(255 - host[0]);
      } else {
        p[0] = host[2], p[1] = host[1], p[2] = host[0];
      }
    }
  }
  return CStatus();
}
