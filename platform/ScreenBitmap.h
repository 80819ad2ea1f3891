#pragma once
// Drawing device-independent bitmaps into a device and reading bitmaps
// back: StretchDIBits and GetDIBits on Windows; on other systems a memory
// canvas (platform/MemoryCanvas.h) plays the device and the bitmap, so the
// drawing code above it runs and is tested everywhere.

#include <cstdint>

namespace platform {

// What StretchDIBits needs to read the bits: the fields of the 40-byte
// bitmap header that vary, and the colour table (4-byte entries B, G, R, 0).
struct DibInfo {
  std::int32_t width = 0;   // pixels per row
  std::int32_t height = 0;  // rows; positive: bottom-up, the bits start at the bottom row
  std::int32_t bitCount = 0;
  std::int32_t colorsUsed = 0;
  std::int32_t pixelsPerMetre = 0;
  std::uint8_t colours[256 * 4] = {};
};

// A device to draw into: an HDC on Windows, a CMemoryCanvas* elsewhere.
using DeviceContext = void*;
// A device-dependent bitmap: an HBITMAP on Windows, a CMemoryCanvas*
// elsewhere.
using BitmapHandle = void*;
// A logical palette: an HPALETTE on Windows; unused elsewhere.
using PaletteHandle = void*;

constexpr std::uint32_t kSrcCopy = 0x00CC0020;

// Draws the source rectangle of `bits` into the device rectangle, scaled.
// For bottom-up bits `sy` counts rows from the bottom, as StretchDIBits
// does.  Answers the rows drawn as the system reports them; 0 on failure.
int StretchBits(DeviceContext device, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh,
                const void* bits, const DibInfo& info, std::uint32_t rasterOperation);

// Width, height and bits per pixel (planes x bits) of a bitmap; false when
// it cannot be described.
bool DescribeBitmap(BitmapHandle bitmap, int* width, int* height, int* bitsPerPixel);

// Reads every row of `bitmap` into `bits` as a bottom-up bitmap of
// `header`'s format (a 40-byte BITMAPINFOHEADER followed by room for its
// colour table, which the call fills).  With no palette the screen's
// palette is used: its system palette when it has a 256-entry hardware
// palette, else the default palette.  Answers the rows read; 0 when the
// system could not copy the bitmap; -1 when memory for a palette could not
// be had.
int ReadBitmapBits(BitmapHandle bitmap, PaletteHandle palette, void* header, void* bits);

// An off-screen surface of 24-bit (or 32-bit) pixels that can be drawn into
// and read back, and used as a bitmap: a DIB section selected into a
// memory device context on Windows, a memory canvas elsewhere.
class CDrawSurface {
 public:
  CDrawSurface(int width, int height, int bitsPerPixel = 24);
  ~CDrawSurface();
  CDrawSurface(const CDrawSurface&) = delete;
  CDrawSurface& operator=(const CDrawSurface&) = delete;

  bool IsValid() const { return m_device != nullptr; }
  DeviceContext Device() const { return m_device; }
  BitmapHandle Bitmap() const { return m_bitmap; }
  int Width() const { return m_width; }
  int Height() const { return m_height; }
  int BitsPerPixel() const { return m_bitsPerPixel; }
  // Row y counted from the top: width pixels of B, G, R (and a fourth byte
  // for 32 bits).
  std::uint8_t* Row(int y);
  // A bitmap is read (ReadBitmapBits) while no device holds it: take it
  // out of the surface's device first, and put it back to draw again.
  void SelectBitmap(bool selected);

 private:
  DeviceContext m_device = nullptr;
  BitmapHandle m_bitmap = nullptr;
  void* m_oldBitmap = nullptr;
  std::uint8_t* m_bits = nullptr;  // the top row
  long m_stride = 0;               // bytes from a row to the row below
  int m_width = 0;
  int m_height = 0;
  int m_bitsPerPixel = 24;
};

}  // namespace platform
