#include "image/ScreenBitmap.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "host/MemoryManager.h"
#include "host/MemoryMapping.h"
#include "image/ImageBuffer.h"
#include "image/Palette.h"

namespace {

bool Drawable(int format) {
  switch (format) {
    case keFormatIndex1:
    case keFormatIndex4:
    case keFormatIndex8:
    case keFormatGrey:
    case keFormatBGR:
    case keFormatBGRA:
      return true;
    default:
      return false;
  }
}

class DeviceTarget : public IStretchTarget {
 public:
  explicit DeviceTarget(platform::DeviceContext device) : m_device(device) {}
  void Stretch(const platform::DibInfo& info, const StretchRecord& r, std::uint32_t rop) override {
    platform::StretchBits(m_device, r.dx, r.dy, r.dw, r.dh, r.sx, r.sy, r.sw, r.sh, r.bits, info, rop);
  }

 private:
  platform::DeviceContext m_device;
};

// Holds one band lock.
class BandLock {
 public:
  BandLock(CImageBuffer& buffer, int row) : m_buffer(buffer), m_row(row) {
    m_buffer.LockBand(0, row, &desc).RaiseIfError();
  }
  ~BandLock() { (void)m_buffer.UnlockBand(0, m_row).Code(); }
  BandLock(const BandLock&) = delete;
  BandLock& operator=(const BandLock&) = delete;
  BitmapDesc desc;

 private:
  CImageBuffer& m_buffer;
  int m_row;
};

}  // namespace

CStatus PlanStretched(CImageBuffer& buffer, const ImageRect& destination, const ImageRect& source,
                      std::uint32_t rasterOperation, IStretchTarget& target) {
  if (buffer.IsEmpty()) return MakeStatus(keErrNoData);
  if (destination.IsEmpty() || source.IsEmpty()) return MakeStatus(keErrBadArgument);
  const int format = buffer.StorageFormat();
  if (!Drawable(format)) return MakeStatus(keErrNoData);
  // A source rectangle outside the buffer is refused here rather than
  // raised from inside a paint handler.
  if (source.left < 0 || source.top < 0 || source.right > buffer.Width() || source.bottom > buffer.Height()) {
    return MakeStatus(keErrBadArgument);
  }
  std::unique_ptr<platform::DibInfo> info(new (std::nothrow) platform::DibInfo);
  if (info == nullptr) return MakeStatus(keErrOutOfMemory);
  const int bitCount = buffer.BitsPerPixel();
  info->bitCount = bitCount;
  info->pixelsPerMetre = 3600;
  if (format == keFormatGrey || IsIndexedFormat(format)) {
    const int count = buffer.PaletteSize() > 256 ? 256 : buffer.PaletteSize();
    info->colorsUsed = count;
    if (buffer.Palette() != nullptr) std::memcpy(info->colours, buffer.Palette(), static_cast<std::size_t>(count) * 4);
  }
  // Buffer to device: translate, scale, translate.
  const double scaleX = static_cast<double>(destination.Width()) / source.Width();
  const double scaleY = static_cast<double>(destination.Height()) / source.Height();
  auto mapX = [&](double x) { return (x - source.left) * scaleX + destination.left; };
  auto mapY = [&](double y) { return (y - source.top) * scaleY + destination.top; };

  int firstColumn = 0, endColumn = 0, firstRow = 0, endRow = 0;
  buffer.BandRange(source, &firstColumn, &endColumn, &firstRow, &endRow).RaiseIfError();
  const int originBits = buffer.OriginX() * bitCount;
  for (int row = firstRow; row < endRow; ++row) {
    ImageRect band;
    buffer.BandRect(0, row, &band).RaiseIfError();
    const ImageRect part{source.left, band.top > source.top ? band.top : source.top, source.right,
                         band.bottom < source.bottom ? band.bottom : source.bottom};
    if (part.IsEmpty()) continue;
    StretchRecord r;
    // The drawing as a whole is rounded outward to whole device pixels;
    // edges between two bands are rounded to the nearest pixel, the same
    // way for the band above and the band below, so bands meet without a
    // gap or an overlap at any scale.
    auto roundEdge = [](double v, bool outer, bool start) {
      if (!outer) return static_cast<int>(std::floor(v + 0.5));
      return start ? static_cast<int>(std::floor(v + 1e-8)) : static_cast<int>(std::ceil(v - 1e-8));
    };
    const int left = roundEdge(mapX(part.left), true, true);
    const int right = roundEdge(mapX(part.right), true, false);
    const int top = roundEdge(mapY(part.top), part.top == source.top, true);
    const int bottom = roundEdge(mapY(part.bottom), part.bottom == source.bottom, false);
    r.dx = left;
    r.dy = top;
    r.dw = right - left;
    r.dh = bottom - top;
    BandLock lock(buffer, row);
    const int rows = lock.desc.height;
    info->width = (lock.desc.stride < 0 ? -lock.desc.stride : lock.desc.stride) * 8 / bitCount;
    info->height = rows;
    // The bits start at the start of the band's lowest row: the view's own
    // x origin goes into the source x, not into the pointer, so the bitmap
    // declared by the header stays inside the band.
    const std::uint8_t* lowest = lock.desc.bits + static_cast<std::ptrdiff_t>(lock.desc.stride) * (rows - 1);
    r.bits = lowest - originBits / 8;
    r.sx = buffer.OriginX() + part.left;
    r.sy = rows - (part.bottom - band.top);
    r.sw = part.Width();
    r.sh = part.Height();
    if (r.dw > 0 && r.dh > 0) target.Stretch(*info, r, rasterOperation);
  }
  return CStatus();
}

CStatus DrawStretched(CImageBuffer& buffer, platform::DeviceContext device, const ImageRect& destination,
                      const ImageRect& source, std::uint32_t rasterOperation) {
  DeviceTarget target(device);
  return PlanStretched(buffer, destination, source, rasterOperation, target);
}

CStatus DrawStretched(CImageBuffer& buffer, platform::DeviceContext device, int dx, int dy, int dw, int dh, int sx,
                      int sy, int sw, int sh) {
  if (dw == 0) dw = buffer.Width();
  if (dh == 0) dh = buffer.Height();
  if (sw == 0) sw = buffer.Width();
  if (sh == 0) sh = buffer.Height();
  return DrawStretched(buffer, device, ImageRect{dx, dy, dx + dw, dy + dh}, ImageRect{sx, sy, sx + sw, sy + sh},
                       platform::kSrcCopy);
}

// ===========================================================================
// ImageFromBitmap
// ===========================================================================

namespace {

void Put32(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }
void Put16(std::uint8_t* p, std::uint16_t v) { std::memcpy(p, &v, 2); }

// The 40-byte header of the packed bitmap.
void WriteHeader(std::uint8_t* h, int width, int height, int bitCount, std::uint32_t imageSize, int colours) {
  std::memset(h, 0, 40);
  Put32(h, 40);
  Put32(h + 4, static_cast<std::uint32_t>(width));
  Put32(h + 8, static_cast<std::uint32_t>(height));
  Put16(h + 12, 1);
  Put16(h + 14, static_cast<std::uint16_t>(bitCount));
  Put32(h + 20, imageSize);
  Put32(h + 32, static_cast<std::uint32_t>(colours));
  Put32(h + 36, static_cast<std::uint32_t>(colours));
}

}  // namespace

CStatus ImageFromBitmap(CImageBuffer& target, platform::BitmapHandle bitmap, platform::PaletteHandle palette) {
  if (bitmap == nullptr) return MakeStatus(keErrBadArgument);
  int width = 0, height = 0, bits = 0;
  if (!platform::DescribeBitmap(bitmap, &width, &height, &bits) || width <= 0 || height <= 0) {
    return MakeStatus(keErrBadArgument);
  }
  // Colour tables for 1, 4 and 8 bits; anything deeper is asked for as
  // 24-bit pixels with no table.
  const int bitCount = bits <= 1 ? 1 : bits <= 4 ? 4 : bits <= 8 ? 8 : 24;
  const int colours = bitCount <= 8 ? 1 << bitCount : 0;
  const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4;
  const std::uint64_t imageSize = rowBytes * static_cast<std::uint64_t>(height);
  const std::uint64_t total = 40 + static_cast<std::uint64_t>(colours) * 4 + imageSize;
  if (total > 0x7FFFFFFF) return MakeStatus(keErrOutOfMemory);
  IMemoryBlock* block = AllocateMemoryBlockWithFlags(66, static_cast<std::uint32_t>(total), "Getdib", __LINE__);
  if (block == nullptr) return MakeStatus(keErrOutOfMemory);
  int rows = 0;
  {
    CMemoryMapping mapping;
    auto* base = static_cast<std::uint8_t*>(mapping.Map(block, 0, 0, "Getdib", __LINE__));
    if (base == nullptr) {
      ReleaseMemoryBlock(block);
      return MakeStatus(keErrOutOfMemory);
    }
    WriteHeader(base, width, height, bitCount, static_cast<std::uint32_t>(imageSize), colours);
    rows = platform::ReadBitmapBits(bitmap, palette, base, base + 40 + colours * 4);
    // The system may have changed the header: write it again.
    if (rows > 0) WriteHeader(base, width, height, bitCount, static_cast<std::uint32_t>(imageSize), colours);
  }
  if (rows <= 0) {
    ReleaseMemoryBlock(block);
    return MakeStatus(rows < 0 ? keErrOutOfMemory : keErrDibCopy);
  }
  CImageBuffer made;
  CStatus status = made.CreateFromDibBlock(block, 0);
  if (status.IsError()) return status;
  target = made;
  return CStatus();
}
