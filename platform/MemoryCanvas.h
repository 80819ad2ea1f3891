#pragma once
// CMemoryCanvas: a device and a bitmap in memory.  It stretches bottom-up
// 1-, 4-, 8-, 24- and 32-bit device-independent bitmaps into its pixels
// by repeating and dropping pixels with the integer stepping StretchDIBits
// uses in the COLORONCOLOR stretch mode (as Wine's GDI does it), so drawing
// code can be checked byte for byte on any system.  The same file builds on Windows, where tests compare it
// with the real StretchDIBits.

#include <cstdint>
#include <vector>

#include "platform/ScreenBitmap.h"

namespace platform {

class CMemoryCanvas {
 public:
  // Pixels of 3 (B, G, R) or 4 bytes (B, G, R, 0), rows top-down; black.
  CMemoryCanvas(int width, int height, int bitsPerPixel = 24);

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  int BitsPerPixel() const { return m_bitsPerPixel; }
  std::uint8_t* Row(int y) { return m_pixels.data() + static_cast<std::size_t>(y) * RowBytes(); }
  const std::uint8_t* Row(int y) const { return m_pixels.data() + static_cast<std::size_t>(y) * RowBytes(); }
  std::size_t RowBytes() const { return static_cast<std::size_t>(m_width) * (m_bitsPerPixel / 8); }

  // StretchDIBits with SRCCOPY; device pixels outside the canvas and source
  // pixels outside the bitmap are left out.  Answers the rows of the
  // destination rectangle, or 0 for a bitmap it cannot read.
  int StretchDib(int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh, const void* bits,
                 const DibInfo& info);

  // The pixels as a bottom-up bitmap of `bitCount` 24 or 32 bits, rows
  // padded to 4 bytes (GetDIBits).  Answers the rows written.
  int ReadBits(int bitCount, void* bits) const;

 private:
  int m_width;
  int m_height;
  int m_bitsPerPixel;
  std::vector<std::uint8_t> m_pixels;
};

}  // namespace platform
