// Sun raster reader: 1, 8, 24 and 32 bits, plain (types 0 and 1), run-length
// encoded (type 2) or in RGB order (type 3), with an RGB colour map or none.
//
// All fields are big-endian; rows are padded to 16 bits.  24- and 32-bit
// pixels are stored blue first (red first in type 3); the first byte of a
// 32-bit pixel is padding.  Without a colour map, 1-bit pictures are black
// on white (a set bit is black) and 8-bit ones grey.

#include <cstring>
#include <vector>

#include "imagefiles/Decoders.h"
#include "imagefiles/Decoders_p.h"
#include "imagefiles/Picture.h"

using picturedecode::ByteSpan;
using picturedecode::Fail;
using picturedecode::FailShort;

namespace {

const char kName[] = "RAS";
constexpr std::uint32_t kMagic = 0x59A66A95;

}  // namespace

bool DecodeRas(const std::uint8_t* data, std::size_t size, int /*frame*/, CPicture* picture,
               PictureError* error) {
  const ByteSpan in(data, size);
  if (!in.Has(0, 4) || in.BE32(0) != kMagic) return Fail(error, kName, "not a Sun raster file");
  if (!in.Has(0, 32)) return FailShort(error, kName, "truncated header");
  const std::uint32_t width = in.BE32(4);
  const std::uint32_t height = in.BE32(8);
  const std::uint32_t depth = in.BE32(12);
  const std::uint32_t type = in.BE32(20);
  const std::uint32_t mapType = in.BE32(24);
  const std::uint32_t mapLength = in.BE32(28);
  if (width == 0 || height == 0) return Fail(error, kName, "width and height must be greater than zero");
  if (depth != 1 && depth != 8 && depth != 24 && depth != 32) {
    return Fail(error, kName, "unsupported depth " + std::to_string(depth));
  }
  if (type > 3) return Fail(error, kName, "unsupported type " + std::to_string(type));
  if (mapType > 1 || (mapType == 1 && mapLength % 3 != 0)) return Fail(error, kName, "unsupported colour map");
  if (!in.Has(32, mapLength)) return FailShort(error, kName, "truncated colour map");
  const std::size_t mapEntries = mapType == 1 ? mapLength / 3 : 0;
  if (mapEntries > (depth == 1 ? 2u : 256u)) return Fail(error, kName, "colour map larger than the depth allows");
  const std::size_t p = 32 + std::size_t(mapLength);

  const std::uint64_t rowBytes = ((std::uint64_t(width) * depth + 15) / 16) * 2;
  const std::uint64_t total = rowBytes * height;
  const std::uint64_t present = size - p;
  // A three-byte run yields at most 256 bytes.
  if ((type == 2 && total > (present / 3 + 1) * 256) || (type != 2 && total > present)) {
    return FailShort(error, kName, type == 2 ? "picture larger than its data can fill" : "truncated pixel data");
  }
  const unsigned outBpp = depth <= 8 ? depth : 24;
  if (!CPicture::CheckSize(width, height, outBpp, error)) return false;

  // The pixel bytes, run-length decoded when needed.
  std::vector<std::uint8_t> expanded;
  const std::uint8_t* pixels = data + p;
  if (type == 2) {
    expanded.resize(static_cast<std::size_t>(total));
    std::size_t out = 0;
    std::size_t q = p;
    while (out < expanded.size()) {
      if (q >= size) return FailShort(error, kName, "run-length data ends early");
      const std::uint8_t b = data[q++];
      if (b != 0x80) {
        expanded[out++] = b;
        continue;
      }
      if (q >= size) return FailShort(error, kName, "run-length data ends early");
      const unsigned count = data[q++];
      if (count == 0) {
        expanded[out++] = 0x80;
        continue;
      }
      if (q >= size) return FailShort(error, kName, "run-length data ends early");
      const std::uint8_t value = data[q++];
      if (count + 1 > expanded.size() - out) return Fail(error, kName, "run past the end of the picture");
      std::memset(expanded.data() + out, value, count + 1);
      out += count + 1;
    }
    pixels = expanded.data();
  }

  if (!picture->Create(width, height, outBpp, error)) return false;
  if (mapEntries > 0) {
    for (std::size_t i = 0; i < mapEntries; ++i) {
      picture->SetPaletteColor(static_cast<unsigned>(i), in.U8(32 + i), in.U8(32 + mapEntries + i),
                               in.U8(32 + 2 * mapEntries + i));
    }
  } else if (depth == 1) {
    picture->SetPaletteColor(0, 255, 255, 255);
    picture->SetPaletteColor(1, 0, 0, 0);
  } else if (depth == 8) {
    picture->SetGreyPalette();
  }
  const bool rgbOrder = type == 3;
  for (std::uint32_t y = 0; y < height; ++y) {
    const std::uint8_t* src = pixels + static_cast<std::size_t>(y * rowBytes);
    std::uint8_t* dst = picture->GetBits(height - 1 - y);
    if (depth <= 8) {
      std::memcpy(dst, src, static_cast<std::size_t>(picturedecode::RowBytes(width, depth)));
      continue;
    }
    const unsigned step = depth / 8;
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::uint8_t* s = src + std::size_t(x) * step + (step == 4 ? 1 : 0);
      std::uint8_t* d = dst + std::size_t(x) * 3;
      d[0] = rgbOrder ? s[2] : s[0];
      d[1] = s[1];
      d[2] = rgbOrder ? s[0] : s[2];
    }
  }
  return true;
}
