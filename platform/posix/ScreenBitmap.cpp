// Without a graphics device the memory canvas is the device and the
// bitmap.
#include "platform/ScreenBitmap.h"

#include <cstring>

#include "platform/MemoryCanvas.h"

namespace platform {

int StretchBits(DeviceContext device, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh,
                const void* bits, const DibInfo& info, std::uint32_t rasterOperation) {
  if (device == nullptr || rasterOperation != kSrcCopy) return 0;
  return static_cast<CMemoryCanvas*>(device)->StretchDib(dx, dy, dw, dh, sx, sy, sw, sh, bits, info);
}

bool DescribeBitmap(BitmapHandle bitmap, int* width, int* height, int* bitsPerPixel) {
  if (bitmap == nullptr) return false;
  const CMemoryCanvas* canvas = static_cast<const CMemoryCanvas*>(bitmap);
  *width = canvas->Width();
  *height = canvas->Height();
  *bitsPerPixel = canvas->BitsPerPixel();
  return true;
}

int ReadBitmapBits(BitmapHandle bitmap, PaletteHandle, void* header, void* bits) {
  if (bitmap == nullptr) return 0;
  std::int16_t bitCount = 0;
  std::memcpy(&bitCount, static_cast<const std::uint8_t*>(header) + 14, 2);
  return static_cast<const CMemoryCanvas*>(bitmap)->ReadBits(bitCount, bits);
}

CDrawSurface::CDrawSurface(int width, int height, int bitsPerPixel)
    : m_width(width), m_height(height), m_bitsPerPixel(bitsPerPixel == 32 ? 32 : 24) {
  if (width <= 0 || height <= 0) return;
  CMemoryCanvas* canvas = new CMemoryCanvas(width, height, m_bitsPerPixel);
  m_device = canvas;
  m_bitmap = canvas;
  m_bits = canvas->Row(0);
  m_stride = static_cast<long>(canvas->RowBytes());
}

CDrawSurface::~CDrawSurface() { delete static_cast<CMemoryCanvas*>(m_device); }

std::uint8_t* CDrawSurface::Row(int y) { return m_bits + y * m_stride; }

void CDrawSurface::SelectBitmap(bool) {}

}  // namespace platform
