// PCX reader: 1 bit in 1 to 4 planes, 4 and 8 bits in one plane (8 bits with
// the 256-colour palette at the end of the file), and 24 bits as three planes
// of 8 bits (a fourth plane becomes alpha); run-length encoded or plain.
//
// Each scan line holds the planes one after another, bytesPerLine bytes
// each.  Some writers let a run continue on the next scan line; such a run
// carries on there, and data that would go past the last line is an error.

#include <algorithm>
#include <cstring>
#include <vector>

#include "imagefiles/Decoders.h"
#include "imagefiles/Decoders_p.h"
#include "imagefiles/Picture.h"

using picturedecode::ByteSpan;
using picturedecode::Fail;
using picturedecode::FailShort;

namespace {
const char kName[] = "PCX";
}  // namespace

bool DecodePcx(const std::uint8_t* data, std::size_t size, int /*frame*/, CPicture* picture,
               PictureError* error) {
  const ByteSpan in(data, size);
  if (!in.Has(0, 3) || in.U8(0) != 0x0A || in.U8(1) > 5 || in.U8(2) > 1) {
    return Fail(error, kName, "not a PCX file");
  }
  if (!in.Has(0, 128)) return FailShort(error, kName, "truncated header");
  const bool encoded = in.U8(2) == 1;
  const unsigned bits = in.U8(3);
  const unsigned xMin = in.LE16(4), yMin = in.LE16(6), xMax = in.LE16(8), yMax = in.LE16(10);
  const unsigned planes = in.U8(65);
  const unsigned bytesPerLine = in.LE16(66);
  if (xMax < xMin || yMax < yMin) return Fail(error, kName, "width and height must be greater than zero");
  const unsigned width = xMax - xMin + 1;
  const unsigned height = yMax - yMin + 1;

  unsigned outBpp = 0;
  if (bits == 1 && planes >= 1 && planes <= 4) {
    outBpp = planes == 1 ? 1 : 4;
  } else if (bits == 4 && planes == 1) {
    outBpp = 4;
  } else if (bits == 8 && planes == 1) {
    outBpp = 8;
  } else if (bits == 8 && (planes == 3 || planes == 4)) {
    outBpp = 24;
  } else {
    return Fail(error, kName,
                "unsupported layout: " + std::to_string(bits) + " bits in " + std::to_string(planes) + " planes");
  }
  if (bytesPerLine < picturedecode::RowBytes(width, bits)) return Fail(error, kName, "scan line shorter than the width");

  // The 256-colour palette: 0x0C and 768 bytes at the end of the file.
  std::size_t dataEnd = size;
  const bool tailPalette = outBpp == 8 && size >= 128 + 769 && in.U8(size - 769) == 0x0C;
  if (tailPalette) dataEnd = size - 769;

  const std::size_t lineBytes = std::size_t(planes) * bytesPerLine;
  const std::uint64_t totalBytes = std::uint64_t(lineBytes) * height;
  const std::uint64_t present = dataEnd - 128;
  // A two-byte run yields at most 63 bytes.
  if ((encoded && totalBytes > (present / 2 + 1) * 63) || (!encoded && totalBytes > present)) {
    return FailShort(error, kName, "picture larger than its data can fill");
  }
  if (!CPicture::CheckSize(width, height, outBpp, error)) return false;
  if (!picture->Create(width, height, outBpp, error)) return false;
  if (outBpp == 24 && planes == 4 && !picture->AlphaCreate(error)) return false;

  // Palette.
  if (outBpp == 8) {
    if (tailPalette) {
      for (unsigned i = 0; i < 256; ++i) {
        const std::size_t e = size - 768 + 3 * i;
        picture->SetPaletteColor(i, in.U8(e), in.U8(e + 1), in.U8(e + 2));
      }
    } else {
      picture->SetGreyPalette();
    }
  } else if (outBpp == 1 || outBpp == 4) {
    const unsigned n = outBpp == 1 ? 2 : 16;
    bool headerPalette = false;
    for (unsigned i = 0; i < 48; ++i) headerPalette = headerPalette || in.U8(16 + i) != 0;
    if (outBpp == 1 && (in.U8(16) == in.U8(19) && in.U8(17) == in.U8(20) && in.U8(18) == in.U8(21))) {
      headerPalette = false;  // both entries alike: a plain black and white picture
    }
    if (headerPalette) {
      for (unsigned i = 0; i < n; ++i) {
        picture->SetPaletteColor(i, in.U8(16 + 3 * i), in.U8(17 + 3 * i), in.U8(18 + 3 * i));
      }
    } else if (outBpp == 1) {
      picture->SetGreyPalette();
    } else {
      // The standard 16 EGA colours.
      static const std::uint8_t kEga[16][3] = {
          {0, 0, 0},       {0, 0, 170},    {0, 170, 0},    {0, 170, 170},  {170, 0, 0},     {170, 0, 170},
          {170, 85, 0},    {170, 170, 170}, {85, 85, 85},  {85, 85, 255},  {85, 255, 85},   {85, 255, 255},
          {255, 85, 85},   {255, 85, 255}, {255, 255, 85}, {255, 255, 255}};
      for (unsigned i = 0; i < 16; ++i) picture->SetPaletteColor(i, kEga[i][0], kEga[i][1], kEga[i][2]);
    }
  }

  std::vector<std::uint8_t> line(lineBytes);
  std::size_t p = 128;
  unsigned pendingCount = 0;  // a run that continues on the next line
  std::uint8_t pendingValue = 0;
  for (unsigned y = 0; y < height; ++y) {
    std::size_t filled = 0;
    while (filled < lineBytes) {
      if (pendingCount > 0) {
        const std::size_t n = std::min<std::size_t>(pendingCount, lineBytes - filled);
        std::memset(line.data() + filled, pendingValue, n);
        filled += n;
        pendingCount -= static_cast<unsigned>(n);
        continue;
      }
      if (p >= dataEnd) return FailShort(error, kName, "pixel data ends early");
      const std::uint8_t b = data[p++];
      if (encoded && b >= 0xC0) {
        if (p >= dataEnd) return FailShort(error, kName, "pixel data ends inside a run");
        pendingCount = b & 0x3Fu;
        pendingValue = data[p++];
      } else {
        line[filled++] = b;
      }
    }
    std::uint8_t* dst = picture->GetBits(height - 1 - y);
    if (outBpp == 24) {
      const std::uint8_t* r = line.data();
      const std::uint8_t* g = r + bytesPerLine;
      const std::uint8_t* bl = g + bytesPerLine;
      for (unsigned x = 0; x < width; ++x) {
        dst[3 * x] = bl[x];
        dst[3 * x + 1] = g[x];
        dst[3 * x + 2] = r[x];
      }
      if (planes == 4) {
        std::memcpy(picture->AlphaGetPointer(0, static_cast<long>(height - 1 - y)), bl + bytesPerLine, width);
      }
    } else if (bits == 1 && planes > 1) {
      // Bit planes: plane k gives bit k of each pixel's index.
      for (unsigned x = 0; x < width; ++x) {
        unsigned index = 0;
        for (unsigned k = 0; k < planes; ++k) {
          index |= ((line[k * bytesPerLine + x / 8] >> (7 - x % 8)) & 1u) << k;
        }
        dst[x / 2] = static_cast<std::uint8_t>((x & 1) ? (dst[x / 2] & 0xF0) | index : (dst[x / 2] & 0x0F) | (index << 4));
      }
    } else {
      std::memcpy(dst, line.data(), static_cast<std::size_t>(picturedecode::RowBytes(width, bits)));
    }
  }
  return true;
}
