#include "host/HostExchange.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

enum class Layout { kNone, kRgb, kRgba, kRgbLayerMask, kGrey, kGreyAlpha };

// How a layout lies in the host's planes and in the buffer.  An RGB
// document whose fourth plane is a layer mask rather than the transparency
// arrives as BGRA like one with transparency, but only its colour planes go
// back: the layer mask is the editor's, not the filter's.
struct LayoutInfo {
  Layout layout = Layout::kNone;
  int format = keFormatNone;
  int readPlanes = 0;   // host planes per pixel read, from plane 0
  int writePlanes = 0;  // host planes per pixel written back, from plane 0
};

LayoutInfo ChooseLayout(const FilterRecord& r) {
  if (r.imageMode == plugInModeRGBColor) {
    if (r.planes == 3) return {Layout::kRgb, keFormatBGR, 3, 3};
    if (r.planes >= 4 && r.inLayerPlanes == 3) {
      if (r.inTransparencyMask == 1) return {Layout::kRgba, keFormatBGRA, 4, 4};
      if (r.inLayerMasks >= 1) return {Layout::kRgbLayerMask, keFormatBGRA, 4, 3};
    }
    return {};
  }
  if (r.imageMode == plugInModeGrayScale) {
    if (r.planes == 1) return {Layout::kGrey, keFormatGrey, 1, 1};
    if (r.planes >= 2 && r.inLayerPlanes == 1 && (r.inTransparencyMask == 1 || r.inLayerMasks >= 1)) {
      return {Layout::kGreyAlpha, keFormatGreyA, 2, 2};
    }
  }
  return {};
}

// ---------------------------------------------------------------------------
// The record's geometry, checked before a byte is read or written
// ---------------------------------------------------------------------------

bool SameRect(const Rect& a, const Rect& b) {
  return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

// The host delivers planes lo..hi interleaved; the exchange needs planes
// 0..needed-1 of the document's `planes`.  Answers the bytes per host pixel.
int PixelBytes(int lo, int hi, int planes, int needed) {
  if (lo != 0 || hi < needed - 1 || hi >= planes) return 0;
  return hi + 1;
}

// `height` rows of `width` pixels, `rowBytes` apart: each row must hold its
// pixels, and the last byte must be addressable from the first.
bool RowsFit(std::int64_t rowBytes, int width, int height, int pixelBytes) {
  const std::int64_t rowLength = static_cast<std::int64_t>(width) * pixelBytes;
  if (pixelBytes <= 0 || rowBytes < rowLength) return false;
  const std::int64_t extent = (height - 1) * rowBytes + rowLength;
  return extent <= static_cast<std::int64_t>(PTRDIFF_MAX);
}

// Where the host's pixels are and how they lie, once the record adds up.
struct HostGeometry {
  int width = 0;
  int height = 0;
  int inPixelBytes = 0;
  int outPixelBytes = 0;
};

// The record's rectangles, planes, row bytes and buffers against each
// other: the output rectangle is the input rectangle, so is the mask's when
// the mask is used; the plane ranges start at plane 0, stay inside the
// document and cover the planes the layout reads and writes; every row holds
// its pixels.  False for a record that does not add up.
bool CheckRecord(const FilterRecord& r, const LayoutInfo& info, bool useMask, HostGeometry* g) {
  g->width = r.inRect.right - r.inRect.left;
  g->height = r.inRect.bottom - r.inRect.top;
  if (g->width <= 0 || g->height <= 0 || !SameRect(r.inRect, r.outRect)) return false;
  if (r.inData == nullptr || r.outData == nullptr) return false;
  g->inPixelBytes = PixelBytes(r.inLoPlane, r.inHiPlane, r.planes, info.readPlanes);
  g->outPixelBytes = PixelBytes(r.outLoPlane, r.outHiPlane, r.planes, info.writePlanes);
  if (!RowsFit(r.inRowBytes, g->width, g->height, g->inPixelBytes)) return false;
  if (!RowsFit(r.outRowBytes, g->width, g->height, g->outPixelBytes)) return false;
  if (useMask && (!SameRect(r.maskRect, r.inRect) || !RowsFit(r.maskRowBytes, g->width, g->height, 1))) {
    return false;
  }
  return true;
}

bool UsesMask(const FilterRecord& r) { return r.maskData != nullptr && r.haveMask && !r.isFloating; }

// Where host pixel (x, y) starts, from the start of the host's buffer.
std::ptrdiff_t HostOffset(std::int32_t rowBytes, int pixelBytes, int x, int y) {
  return static_cast<std::ptrdiff_t>(y) * rowBytes + static_cast<std::ptrdiff_t>(pixelBytes) * x;
}

// One row of host pixels (`pixelBytes` apart) into buffer pixels.
void ReadRow(Layout layout, const std::uint8_t* host, int pixelBytes, std::uint8_t* row, int width) {
  for (int x = 0; x < width; ++x, host += pixelBytes) {
    switch (layout) {
      case Layout::kRgb:
        row[0] = host[2], row[1] = host[1], row[2] = host[0];
        row += 3;
        break;
      case Layout::kRgba:
      case Layout::kRgbLayerMask:
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
// host's further planes (and a layer mask) are not touched.
void WriteRow(Layout layout, const std::uint8_t* row, std::uint8_t* host, int pixelBytes, int width) {
  for (int x = 0; x < width; ++x, host += pixelBytes) {
    switch (layout) {
      case Layout::kRgb:
        host[0] = row[2], host[1] = row[1], host[2] = row[0];
        row += 3;
        break;
      case Layout::kRgbLayerMask:
        host[0] = row[2], host[1] = row[1], host[2] = row[0];
        row += 4;
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
  m_maskInUse = 0;
  m_work = ImageRect();

  // Nothing is read from a record that does not add up.
  const LayoutInfo info = ChooseLayout(r);
  HostGeometry g;
  if (info.layout == Layout::kNone || !CheckRecord(r, info, UsesMask(r), &g)) return false;
  int width = g.width;
  int height = g.height;

  // A floating selection is filtered whole: its mask is not read.
  ImageRect bounds;
  if (UsesMask(r)) {
    m_mask.CreateGrey(width, height).RaiseIfError();
    const auto* mask = static_cast<const std::uint8_t*>(r.maskData);
    for (int y = 0; y < height; ++y) {
      CRowWriter row(m_mask, y);
      if (row) std::copy_n(mask + HostOffset(r.maskRowBytes, 1, 0, y), width, row.Row());
    }
    m_maskInUse = 1;
    bounds = MaskBounds(m_mask);
  }

  if (m_maskInUse) {
    m_work = bounds;
    width = bounds.Width();
    height = bounds.Height();
    if (bounds.IsEmpty()) return true;  // nothing selected: the source stays empty
  } else {
    m_work = ImageRect{0, 0, width, height};
  }

  m_source.Create(width, height, info.format).RaiseIfError();
  const auto* in = static_cast<const std::uint8_t*>(r.inData);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* host = in + HostOffset(r.inRowBytes, g.inPixelBytes, m_work.left, m_work.top + y);
    CRowWriter row(m_source, y);
    if (row) ReadRow(info.layout, host, g.inPixelBytes, row.Row(), width);
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
  if (!m_source.IsEmpty()) m_original.Share(m_source).RaiseIfError();
  return true;
}

bool CHostExchange::WriteToHost() {
  if (m_record == nullptr || m_source.IsEmpty()) return false;
  const FilterRecord& r = *m_record;
  // Everything is checked before the first byte is written, so a refusal
  // leaves the host's output as it was.
  const LayoutInfo info = ChooseLayout(r);
  HostGeometry g;
  if (info.layout == Layout::kNone || !CheckRecord(r, info, false, &g)) return false;
  const ImageRect whole{0, 0, g.width, g.height};
  if (m_maskInUse ? (m_work.IsEmpty() || m_work.left < 0 || m_work.top < 0 || m_work.right > g.width ||
                     m_work.bottom > g.height)
                  : m_work != whole) {
    return false;
  }
  // The buffer must be what was read: the same format, stored as it is
  // accessed (rows handed out without conversion), the work rectangle's size.
  if (m_source.AccessFormat() != info.format || m_source.StorageFormat() != info.format ||
      m_source.Width() != m_work.Width() || m_source.Height() != m_work.Height()) {
    return false;
  }
  auto* out = static_cast<std::uint8_t*>(r.outData);
  for (int y = 0; y < m_work.Height(); ++y) {
    std::uint8_t* host = out + HostOffset(r.outRowBytes, g.outPixelBytes, m_work.left, m_work.top + y);
    CRowReader row(m_source, y);
    if (row) WriteRow(info.layout, row.Row(), host, g.outPixelBytes, m_work.Width());
  }
  return true;
}
