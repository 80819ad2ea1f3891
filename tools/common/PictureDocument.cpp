#include "tools/common/PictureDocument.h"

#include <algorithm>
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
  m_planes = m_colourPlanes + (layout.alpha ? 1 : 0) + (layout.layerMask ? 1 : 0) + layout.extraPlanes;
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
      if (layout.layerMask) host[p++] = static_cast<std::uint8_t>(x < m_width / 2 ? 255 : 128);
      for (int e = 0; e < layout.extraPlanes; ++e) host[p++] = static_cast<std::uint8_t>(x + 3 * y + 17 * e);
    }
  }
  m_out = m_in;
  m_mask.clear();
  m_sentPlanes = 0;
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
  record.inLayerMasks = m_layout.layerMask ? 1 : 0;
  record.outLayerMasks = record.inLayerMasks;
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

namespace {

// Planes 0 to `count` - 1 of every pixel, `from` pixels being `planes` bytes.
std::vector<std::uint8_t> FirstPlanes(const std::vector<std::uint8_t>& from, int planes, int count) {
  const std::size_t pixels = from.size() / static_cast<std::size_t>(planes);
  std::vector<std::uint8_t> to(pixels * static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < pixels; ++i) std::memcpy(&to[i * count], &from[i * planes], static_cast<std::size_t>(count));
  return to;
}

}  // namespace

void PictureDocument::Deliver(FilterRecord* record, const HostDeviations& deviations) {
  m_sentPlanes = deviations.planes > 0 && deviations.planes < m_planes ? deviations.planes : 0;
  const int sent = m_sentPlanes != 0 ? m_sentPlanes : m_planes;
  if (m_sentPlanes != 0) {
    m_inSent = FirstPlanes(m_in, m_planes, sent);
    m_outSent = FirstPlanes(m_out, m_planes, sent);
    record->inData = m_inSent.data();
    record->outData = m_outSent.data();
    record->inLoPlane = record->outLoPlane = 0;
    record->inHiPlane = record->outHiPlane = static_cast<int16>(sent - 1);
  } else {
    record->inData = m_in.data();
    record->outData = m_out.data();
  }
  record->inRowBytes = record->outRowBytes = m_width * sent;

  if (m_mask.empty() || !deviations.clipMask) return;
  int left = m_width, top = m_height, right = 0, bottom = 0;
  for (int y = 0; y < m_height; ++y) {
    for (int x = 0; x < m_width; ++x) {
      if (m_mask[static_cast<std::size_t>(y) * m_width + x] == 0) continue;
      left = std::min(left, x), right = std::max(right, x + 1);
      top = std::min(top, y), bottom = std::max(bottom, y + 1);
    }
  }
  if (right <= left) return;  // nothing selected: nothing to clip to
  m_maskSent.clear();
  for (int y = top; y < bottom; ++y) {
    const auto row = m_mask.begin() + static_cast<std::ptrdiff_t>(y) * m_width;
    m_maskSent.insert(m_maskSent.end(), row + left, row + right);
  }
  record->maskRect = Rect{static_cast<int16>(top), static_cast<int16>(left), static_cast<int16>(bottom),
                          static_cast<int16>(right)};
  record->maskData = m_maskSent.data();
  record->maskRowBytes = right - left;
}

void PictureDocument::TakeBack() {
  if (m_sentPlanes == 0) return;
  const std::size_t pixels = static_cast<std::size_t>(m_width) * m_height;
  for (std::size_t i = 0; i < pixels; ++i) {
    std::memcpy(&m_out[i * m_planes], &m_outSent[i * m_sentPlanes], static_cast<std::size_t>(m_sentPlanes));
  }
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
