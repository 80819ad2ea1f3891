#pragma once
// A description of a block of pixels: what a band lends to drawing code and
// what CreateFromBits reads.

#include <cstdint>

struct BitmapDesc {
  std::int32_t format = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint8_t* bits = nullptr;  // the top row
  // Bytes from one row to the row below it; negative for bottom-up rows.
  std::int32_t stride = 0;
  std::int32_t paletteCount = 0;
  const std::uint8_t* palette = nullptr;  // 4-byte entries B, G, R, 0
};

// A rectangle in buffer coordinates: left and top inside, right and bottom
// outside.
struct ImageRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool operator==(const ImageRect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  bool operator!=(const ImageRect& o) const { return !(*this == o); }
};
