#pragma once
// Drawing image buffers into a device and making buffers from bitmaps.
//
// Every 128-row band of a buffer is a complete bottom-up device-independent
// bitmap (rows padded to 128 pixels, a fixed negative stride), so drawing
// needs no pixel copy: the planner maps the source rectangle band by band
// onto device rectangles and hands out "draw these bits into this device
// rectangle" records.  DrawStretched sends them to the platform's
// StretchBits (StretchDIBits on Windows, the memory canvas elsewhere);
// tests can collect them.

#include <cstdint>

#include "image/BitmapDesc.h"
#include "image/Status.h"
#include "platform/ScreenBitmap.h"

class CImageBuffer;

// One band's part of a drawing: the device rectangle (left, top, width,
// height), the source rectangle within the band's bitmap (x from the row
// start, y counted from the band bitmap's bottom row, width, height), and
// the bits starting at that bitmap's bottom row.
struct StretchRecord {
  int dx = 0, dy = 0, dw = 0, dh = 0;
  int sx = 0, sy = 0, sw = 0, sh = 0;
  const std::uint8_t* bits = nullptr;
};

class IStretchTarget {
 public:
  virtual ~IStretchTarget() = default;
  virtual void Stretch(const platform::DibInfo& info, const StretchRecord& record, std::uint32_t rasterOperation) = 0;
};

// Maps `source` (buffer coordinates, inside the buffer) onto `destination`
// band by band and hands each band's record to `target`, top to bottom.
// 110 for a buffer without storage or of a format other than Index1,
// Index4, Index8, Grey, BGR and BGRA; 101 for an empty rectangle or a
// source rectangle outside the buffer.  A band that cannot be locked is
// raised as CJException (bands drawn before it stay drawn).
CStatus PlanStretched(CImageBuffer& buffer, const ImageRect& destination, const ImageRect& source,
                      std::uint32_t rasterOperation, IStretchTarget& target);

// Draws `source` of the buffer into `destination` of the device.
CStatus DrawStretched(CImageBuffer& buffer, platform::DeviceContext device, const ImageRect& destination,
                      const ImageRect& source, std::uint32_t rasterOperation = platform::kSrcCopy);
// The same with separate numbers; a size of 0 stands for the buffer's width
// or height.  Always SRCCOPY.
CStatus DrawStretched(CImageBuffer& buffer, platform::DeviceContext device, int dx, int dy, int dw, int dh, int sx,
                      int sy, int sw, int sh);

// Replaces `target` with the bitmap's pixels: 1-, 4- and 8-bit bitmaps keep
// their colour tables (keFormatIndex1, keFormatIndex4, keFormatIndex8 or
// keFormatGrey for a grey ramp); deeper bitmaps are read as 24-bit
// keFormatBGR.  101 without a bitmap, 102 without memory, 801 when the
// system cannot copy the bitmap; the target keeps its contents on failure.
CStatus ImageFromBitmap(CImageBuffer& target, platform::BitmapHandle bitmap,
                        platform::PaletteHandle palette = nullptr);
