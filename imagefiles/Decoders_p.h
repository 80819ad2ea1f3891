#pragma once
// Helpers shared by the own format readers: bounded little- and big-endian
// reads, overflow-checked arithmetic and the error texts' shape.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include "image/Status.h"
#include "imagefiles/Picture.h"

namespace picturedecode {

// A read-only view of the file; every read is checked against its end.
class ByteSpan {
 public:
  ByteSpan(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

  std::size_t Size() const { return m_size; }
  const std::uint8_t* Data() const { return m_data; }
  bool Has(std::size_t offset, std::size_t count) const {
    return offset <= m_size && count <= m_size - offset;
  }
  std::uint8_t U8(std::size_t at) const { return at < m_size ? m_data[at] : 0; }
  std::uint16_t LE16(std::size_t at) const {
    return static_cast<std::uint16_t>(U8(at) | (U8(at + 1) << 8));
  }
  std::uint32_t LE32(std::size_t at) const {
    return static_cast<std::uint32_t>(U8(at)) | (static_cast<std::uint32_t>(U8(at + 1)) << 8) |
           (static_cast<std::uint32_t>(U8(at + 2)) << 16) | (static_cast<std::uint32_t>(U8(at + 3)) << 24);
  }
  std::uint16_t BE16(std::size_t at) const {
    return static_cast<std::uint16_t>((U8(at) << 8) | U8(at + 1));
  }
  std::uint32_t BE32(std::size_t at) const {
    return (static_cast<std::uint32_t>(U8(at)) << 24) | (static_cast<std::uint32_t>(U8(at + 1)) << 16) |
           (static_cast<std::uint32_t>(U8(at + 2)) << 8) | static_cast<std::uint32_t>(U8(at + 3));
  }

 private:
  const std::uint8_t* m_data;
  std::size_t m_size;
};

// a * b into *out; false on overflow.
inline bool MulOverflow(std::uint64_t a, std::uint64_t b, std::uint64_t* out) {
  if (a != 0 && b > std::numeric_limits<std::uint64_t>::max() / a) return false;
  *out = a * b;
  return true;
}

// Bytes of a row of `width` pixels of `bits` bits, rounded up to whole bytes
// (no overflow for width < 2^32 and bits <= 64).
inline std::uint64_t RowBytes(std::uint64_t width, unsigned bits) { return (width * bits + 7) / 8; }

// Whether run-length data of `dataBytes` bytes claims implausibly many
// pixels: above kRlePlausiblePixels pixels, fewer than one byte of data per
// kRlePixelsPerByte pixels.  Codes such as BMP's end-of-bitmap and delta
// cover any area with a few bytes, so a few hundred bytes could otherwise
// make the reader allocate and walk a picture of a gigabyte.
constexpr std::uint64_t kRlePlausiblePixels = std::uint64_t(16) << 20;
constexpr std::uint64_t kRlePixelsPerByte = 4096;
inline bool RleBomb(std::uint64_t pixels, std::uint64_t dataBytes) {
  return pixels > kRlePlausiblePixels && pixels / kRlePixelsPerByte > dataBytes;
}

// Sets `*error` to code 110 and "<format>: <text>" and answers false: the
// data is not a picture this reader can decode.
inline bool Fail(PictureError* error, const char* format, const std::string& text) {
  *error = {keErrNoData, std::string(format) + ": " + text};
  return false;
}

// The same with code 202: the data ends before the picture does.
inline bool FailShort(PictureError* error, const char* format, const std::string& text) {
  *error = {keErrFileRead, std::string(format) + ": " + text};
  return false;
}

// The same with code 101: the caller asked for a frame the file does not have.
inline bool FailFrame(PictureError* error, const char* format, int frame) {
  *error = {keErrBadArgument, std::string(format) + ": frame " + std::to_string(frame) + " does not exist"};
  return false;
}

// Scales a sample of `maxValue` to 0..255, rounding.
inline std::uint8_t Scale8(std::uint32_t value, std::uint32_t maxValue) {
  if (maxValue == 0) return 0;
  if (value > maxValue) value = maxValue;
  return static_cast<std::uint8_t>((static_cast<std::uint64_t>(value) * 255 + maxValue / 2) / maxValue);
}

// A decimal number of 1 to 9 digits at *p (up to 999999999); *p moves past it.
inline bool ReadDecimal(const ByteSpan& in, std::size_t* p, std::uint32_t* value) {
  std::uint32_t v = 0;
  int digits = 0;
  while (in.Has(*p, 1) && in.U8(*p) >= '0' && in.U8(*p) <= '9') {
    if (++digits > 9) return false;
    v = v * 10 + (in.U8(*p) - '0');
    ++*p;
  }
  *value = v;
  return digits > 0;
}

}  // namespace picturedecode
