#include "host/HostExchange.h"

#include <algorithm>

namespace {

enum class Layout { kNone, kRgb, kRgba, kGrey, kGreyAlpha };

// The host layouts read into buffers; writing accepts RGB with extra planes
// only when the fourth plane is the transparency.
Layout ChooseLayout(const FilterRecord& r, bool forWriting) {
  if (r.imageMode == plugInModeRGBColor) {
    if (r.planes == 3) return Layout::kRgb;
    if (r.planes >= 4 && r.inLayerPlanes == 3) {
      if (r.inTransparencyMask == 1) return Layout::kRgba;
      if (!forWriting && r.inLayerMasks >= 1) return Layout::kRgba;
    }
    return Layout::kNone;
  }
  if (r.imageMode == plugInModeGrayScale) {
    if (r.planes == 1) return Layout::kGrey;
    if (r.planes >= 2 && r.inLayerPlanes == 1 && (r.inTransparencyMask == 1 || r.inLayerMasks >= 1)) {
      return Layout::kGreyAlpha;
    }
  }
  return Layout::kNone;
}

int BufferFormat(Layout layout) {
  switch (layout) {
    case Layout::kRgb: return keFormatBGR;
    case Layout::kRgba: return keFormatBGRA;
    case Layout::kGrey: return keFormatGrey;
    case Layout::kGreyAlpha: return keFormatGreyA;
    case Layout::kNone: break;
  }
  return keFormatNone;
}

// One row of host pixels (`planes` bytes apart) into buffer pixels.
void ReadRow(Layout layout, const std::uint8_t* host, int planes, std::uint8_t* row, int width) {
  for (int x = 0; x < width; ++x, host += planes) {
    switch (layout) {
      case Layout::kRgb:
        row[0] = host[2], row[1] = host[1], row[2] = host[0];
        row += 3;
        break;
      case Layout::kRgba:
        row[0] = host[2], row[1] = host[1], row[2] = host[0], row[3] = host[3];
        row += 4;
        break;
      case Layout::kGrey:
        *row++ = host[0];
        break;
      case Layout::kGreyAlpha:
        row[0] = host[0], row[1] = host[1];
        row += 2;
        break;
      case Layout::kNone:
        return;
    }
  }
}

// The reverse: buffer pixels back into the host bytes they came from; the
// host's further planes are not touched.
void WriteRow(Layout layout, const std::uint8_t* row, std::uint8_t* host, int planes, int width) {
  for (int x = 0; x < width; ++x, host += planes) {
    switch (layout) {
      case Layout::kRgb:
        host[0] = row[2], host[1] = row[1], host[2] = row[0];
        row += 3;
        break;
      case Layout::kRgba:
        host[0] = row[2], host[1] = row[1], host[2] = row[0], host[3] = row[3];
        row += 4;
        break;
      case Layout::kGrey:
        host[0] = *row++;
        break;
      case Layout::kGreyAlpha:
        host[0] = row[0], host[1] = row[1];
        row += 2;
        break;
      case Layout::kNone:
        return;
    }
  }
}

}  // namespace

ImageRect CHostExchange::MaskBounds(CImageBuffer& buffer) {
  if (buffer.IsEmpty()) return ImageRect();
  const int previous = buffer.AccessFormat();
  buffer.SetAccessFormat(keFormatGrey, keAccessRead).RaiseIfError();
  const int width = buffer.Width();
  const int height = buffer.Height();
  int left = width - 1, top = height - 1, right = 0, bottom = 0;
  for (int y = 0; y < height; ++y) {
    CRowReader row(buffer, y);
    if (!row) continue;
    const std::uint8_t* p = row.Row();
    for (int x = 0; x < width; ++x) {
      if (p[x] == 0) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  buffer.SetAccessFormat(previous, keAccessReadWrite).RaiseIfError();
  return ImageRect{left, top, right + 1, bottom + 1};
}

bool CHostExchange::ReadFromHost() {
  if (m_record == nullptr) return false;
  const FilterRecord& r = *m_record;
  m_source.Clear();
  m_mask.Clear();
  m_original.Clear();

  int width = r.inRect.right - r.inRect.left;
  int height = r.inRect.bottom - r.inRect.top;

  ImageRect bounds;
  m_maskInUse = 0;
  if (r.maskData != nullptr && r.haveMask && width > 0 && height > 0) {
    m_mask.CreateGrey(width, height).RaiseIfError();
    const auto* mask = static_cast<const std::uint8_t*>(r.maskData);
    for (int y = 0; y < height; ++y) {
      CRowWriter row(m_mask, y);
      if (row) std::copy_n(mask + static_cast<std::ptrdiff_t>(y) * r.maskRowBytes, width, row.Row());
    }
    m_maskInUse = 1;
    bounds = MaskBounds(m_mask);
  }
  if (r.isFloating) m_maskInUse = 0;

  if (m_maskInUse) {
    m_work = bounds;
    width = bounds.Width();
    height = bounds.Height();
    if (bounds.IsEmpty()) return true;  // nothing selected: the source stays empty
  } else {
    m_work = ImageRect{0, 0, width, height};
  }

  const Layout layout = ChooseLayout(r, false);
  if (layout == Layout::kNone || width <= 0 || height <= 0 || r.inData == nullptr) return false;
  m_source.Create(width, height, BufferFormat(layout)).RaiseIfError();
  const auto* in = static_cast<const std::uint8_t*>(r.inData);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* host = in + static_cast<std::ptrdiff_t>(m_work.top + y) * r.inRowBytes +
                               static_cast<std::ptrdiff_t>(r.planes) * m_work.left;
    CRowWriter row(m_source, y);
    if (row) ReadRow(layout, host, r.planes, row.Row(), width);
  }

  if (m_maskInUse) {
    // Mask and source line up: the mask keeps only the work rectangle.
    CImageBuffer view;
    view.View(m_mask, m_work.left, m_work.top, m_work.right, m_work.bottom).RaiseIfError();
    CImageBuffer cropped;
    cropped.CreateGrey(width, height).RaiseIfError();
    CImageBuffer::CopyPixels(cropped, view).RaiseIfError();
    view.Clear();
    m_mask = std::move(cropped);
  }
  if (r.isFloating) m_mask.Clear();  // a floating selection is filtered whole
  if (!m_source.IsEmpty()) m_original.Share(m_source).RaiseIfError();
  return true;
}

bool CHostExchange::WriteToHost() {
  if (m_record == nullptr) return false;
  const FilterRecord& r = *m_record;
  int width = r.outRect.right - r.outRect.left;
  int height = r.outRect.bottom - r.outRect.top;
  if (m_maskInUse) {
    width = m_work.Width();
    height = m_work.Height();
  }
  const Layout layout = ChooseLayout(r, true);
  if (layout == Layout::kNone || r.outData == nullptr || m_source.IsEmpty()) return false;
  if (m_source.AccessFormat() != BufferFormat(layout)) return false;
  // Never more than the buffer holds.
  width = std::min(width, m_source.Width());
  height = std::min(height, m_source.Height());
  auto* out = static_cast<std::uint8_t*>(r.outData);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* host = out + static_cast<std::ptrdiff_t>(m_work.top + y) * r.outRowBytes +
                         static_cast<std::ptrdiff_t>(r.planes) * m_work.left;
    CRowReader row(m_source, y);
    if (row) WriteRow(layout, row.Row(), host, r.planes, width);
  }
  return true;
}
