// StretchDIBits and GetDIBits, and an off-screen DIB section.
#include "platform/ScreenBitmap.h"

#include <windows.h>

#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace platform {

namespace {

struct BitmapInfo256 {
  BITMAPINFOHEADER header;
  RGBQUAD colours[256];
};

}  // namespace

int StretchBits(DeviceContext device, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh,
                const void* bits, const DibInfo& info, std::uint32_t rasterOperation) {
  if (device == nullptr) return 0;
  BitmapInfo256 bi;
  std::memset(&bi, 0, sizeof(bi));
  bi.header.biSize = sizeof(BITMAPINFOHEADER);
  bi.header.biWidth = info.width;
  bi.header.biHeight = info.height;
  bi.header.biPlanes = 1;
  bi.header.biBitCount = static_cast<WORD>(info.bitCount);
  bi.header.biCompression = BI_RGB;
  bi.header.biXPelsPerMeter = bi.header.biYPelsPerMeter = info.pixelsPerMetre;
  bi.header.biClrUsed = bi.header.biClrImportant = static_cast<DWORD>(info.colorsUsed);
  std::memcpy(bi.colours, info.colours, sizeof(bi.colours));
  return StretchDIBits(static_cast<HDC>(device), dx, dy, dw, dh, sx, sy, sw, sh, bits,
                       reinterpret_cast<const BITMAPINFO*>(&bi), DIB_RGB_COLORS, rasterOperation);
}

bool DescribeBitmap(BitmapHandle bitmap, int* width, int* height, int* bitsPerPixel) {
  BITMAP bm;
  if (bitmap == nullptr || GetObjectA(static_cast<HBITMAP>(bitmap), sizeof(bm), &bm) == 0) return false;
  *width = bm.bmWidth;
  *height = bm.bmHeight;
  *bitsPerPixel = bm.bmPlanes * bm.bmBitsPixel;
  return true;
}

int ReadBitmapBits(BitmapHandle bitmap, PaletteHandle palette, void* header, void* bits) {
  if (bitmap == nullptr) return 0;
  HDC screen = GetDC(nullptr);
  HPALETTE use = static_cast<HPALETTE>(palette);
  HPALETTE created = nullptr;
  if (use == nullptr) {
    if (GetDeviceCaps(screen, SIZEPALETTE) == 256) {
      // A palette screen: the system palette as it stands.
      const std::size_t bytes = sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY);
      std::unique_ptr<std::uint8_t[]> memory(new (std::nothrow) std::uint8_t[bytes]);
      if (memory == nullptr) {
        ReleaseDC(nullptr, screen);
        return -1;
      }
      LOGPALETTE* logical = reinterpret_cast<LOGPALETTE*>(memory.get());
      logical->palVersion = 0x300;
      logical->palNumEntries = 256;
      GetSystemPaletteEntries(screen, 0, 256, logical->palPalEntry);
      created = CreatePalette(logical);
      use = created;
    }
    if (use == nullptr) use = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
  }
  HPALETTE old = SelectPalette(screen, use, FALSE);
  RealizePalette(screen);
  const LONG height = reinterpret_cast<const BITMAPINFOHEADER*>(header)->biHeight;
  const int rows = GetDIBits(screen, static_cast<HBITMAP>(bitmap), 0, static_cast<UINT>(height), bits,
                             static_cast<BITMAPINFO*>(header), DIB_RGB_COLORS);
  SelectPalette(screen, old, FALSE);
  ReleaseDC(nullptr, screen);
  if (created != nullptr) DeleteObject(created);
  return rows;
}

CDrawSurface::CDrawSurface(int width, int height, int bitsPerPixel)
    : m_width(width), m_height(height), m_bitsPerPixel(bitsPerPixel == 32 ? 32 : 24) {
  if (width <= 0 || height <= 0) return;
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) return;
  BITMAPINFO bi;
  std::memset(&bi, 0, sizeof(bi));
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = static_cast<WORD>(m_bitsPerPixel);
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr) {
    DeleteDC(dc);
    return;
  }
  m_oldBitmap = SelectObject(dc, bitmap);
  // Nearest neighbour when shrinking too, instead of combining pixels.
  SetStretchBltMode(dc, COLORONCOLOR);
  m_device = dc;
  m_bitmap = bitmap;
  m_bits = static_cast<std::uint8_t*>(bits);
  m_stride = ((static_cast<long>(width) * m_bitsPerPixel + 31) / 32) * 4;
}

CDrawSurface::~CDrawSurface() {
  if (m_device == nullptr) return;
  SelectObject(static_cast<HDC>(m_device), static_cast<HGDIOBJ>(m_oldBitmap));
  DeleteObject(static_cast<HBITMAP>(m_bitmap));
  DeleteDC(static_cast<HDC>(m_device));
}

std::uint8_t* CDrawSurface::Row(int y) {
  GdiFlush();
  return m_bits + y * m_stride;
}

void CDrawSurface::SelectBitmap(bool selected) {
  if (m_device == nullptr) return;
  HDC dc = static_cast<HDC>(m_device);
  if (selected) SelectObject(dc, static_cast<HBITMAP>(m_bitmap));
  else SelectObject(dc, static_cast<HGDIOBJ>(m_oldBitmap));
}

}  // namespace platform
