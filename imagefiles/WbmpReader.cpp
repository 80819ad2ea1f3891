// WBMP reader: the uncompressed black-and-white type 0 of the wireless
// bitmap format.  Width and height are multi-byte integers (7 bits per byte,
// high bit set on all but the last byte); rows are padded to whole bytes and
// a set bit is white.

#include <cstring>

#include "imagefiles/Decoders.h"
#include "imagefiles/Decoders_p.h"
#include "imagefiles/Picture.h"

using picturedecode::ByteSpan;
using picturedecode::Fail;
using picturedecode::FailShort;

namespace {

const char kName[] = "WBMP";

// A multi-byte integer of at most 4 bytes (28 bits) at *p; false with the
// reason in `*error` when the data ends inside it or it is longer.
bool ReadMultiByte(const ByteSpan& in, std::size_t* p, std::uint32_t* value, PictureError* error) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) {
    if (!in.Has(*p, 1)) return FailShort(error, kName, "truncated header");
    const unsigned b = in.U8((*p)++);
    v = (v << 7) | (b & 0x7F);
    if ((b & 0x80) == 0) {
      *value = v;
      return true;
    }
  }
  return Fail(error, kName, "width or height longer than 4 bytes");
}

}  // namespace

bool DecodeWbmp(const std::uint8_t* data, std::size_t size, int /*frame*/, CPicture* picture,
                PictureError* error) {
  const ByteSpan in(data, size);
  // Type 0 and a fixed header byte without extension headers.
  if (!in.Has(0, 2) || in.U8(0) != 0 || (in.U8(1) & 0x9F) != 0) return Fail(error, kName, "not a WBMP type 0 file");
  std::size_t p = 2;
  std::uint32_t width = 0, height = 0;
  if (!ReadMultiByte(in, &p, &width, error) || !ReadMultiByte(in, &p, &height, error)) return false;
  if (width == 0 || height == 0) return Fail(error, kName, "width and height must be greater than zero");
  const std::uint64_t rowBytes = (std::uint64_t(width) + 7) / 8;
  const std::uint64_t need = rowBytes * height;
  if (need > size - p) return FailShort(error, kName, "truncated pixel data");
  if (!CPicture::CheckSize(width, height, 1, error)) return false;
  if (!picture->Create(width, height, 1, error)) return false;
  picture->SetPaletteColor(0, 0, 0, 0);
  picture->SetPaletteColor(1, 255, 255, 255);
  for (std::uint32_t y = 0; y < height; ++y) {
    std::memcpy(picture->GetBits(height - 1 - y), data + p + y * rowBytes, static_cast<std::size_t>(rowBytes));
  }
  return true;
}
