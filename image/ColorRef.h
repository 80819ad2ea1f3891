#pragma once
// A colour to fill buffers with: 16-bit red, green, blue and alpha (an 8-bit
// value v is kept as v * 257), optionally standing for a palette index.
// It delivers itself as the bytes of one pixel in any buffer format.

#include <cstdint>

#include "image/Status.h"

class CColorRef {
 public:
  CColorRef() = default;  // not valid
  // From 8-bit values.
  CColorRef(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t alpha = 255);
  static CColorRef FromRgb16(std::uint16_t red, std::uint16_t green, std::uint16_t blue,
                             std::uint16_t alpha = 65535);
  // A palette index that also remembers the colour it stood for.
  static CColorRef FromIndex(int index, std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                             std::uint8_t alpha = 255);

  bool IsValid() const { return m_valid; }
  bool HasIndex() const { return m_hasIndex; }
  int Index() const { return m_index; }
  std::uint16_t Red16() const { return m_red; }
  std::uint16_t Green16() const { return m_green; }
  std::uint16_t Blue16() const { return m_blue; }
  std::uint16_t Alpha16() const { return m_alpha; }

  // (77 R + 151 G + 28 B) / 256 on the high bytes.
  std::uint8_t Grey8() const;
  // The same on the 16-bit values.
  std::uint16_t Grey16() const;

  // The palette index to use: its own when the entry there still holds its
  // colour, else the nearest entry (smallest squared distance, ties to the
  // lower index).  -1 without palette entries.
  int NearestIndex(const std::uint8_t* palette, int count) const;

  // Writes one pixel of `format` (bits per pixel / 8 bytes, at least 1; the
  // sub-byte formats get the index in the first byte).  101 for an indexed
  // format with neither a palette nor an index of its own, or for a format
  // without pixels.
  CStatus Deliver(int format, const std::uint8_t* palette, int paletteCount,
                  std::uint8_t* pixel) const;

 private:
  std::uint16_t m_red = 0;
  std::uint16_t m_green = 0;
  std::uint16_t m_blue = 0;
  std::uint16_t m_alpha = 0;
  bool m_valid = false;
  bool m_hasIndex = false;
  int m_index = 0;
};
