// TGA reader: colour-mapped (types 1 and 9), true-colour (2 and 10) and grey
// (3 and 11) pictures, uncompressed or run-length encoded, at 8, 15, 16, 24
// and 32 bits, stored from any corner.  What counts as a TGA header is
// decided in one place (imagefiles/TgaHeader.h), shared with the content
// probe.
//
// Colour-mapped and grey pictures become 8-bit indexed pictures; true colour
// becomes 24 bits, and the fourth byte of 32-bit pixels an alpha plane
// (unless it is zero everywhere, as older writers leave it).  Run-length
// packets may continue on the next row, as many writers produce them, but
// never past the last pixel.

#include <algorithm>
#include <vector>

#include "imagefiles/Decoders.h"
#include "imagefiles/Decoders_p.h"
#include "imagefiles/Picture.h"
#include "imagefiles/TgaHeader.h"

using picturedecode::ByteSpan;
using picturedecode::Fail;
using picturedecode::FailShort;

namespace {

const char kName[] = "TGA";

// A 15- or 16-bit colour: x RRRRR GGGGG BBBBB, little-endian.
void Unpack555(unsigned v, std::uint8_t* b, std::uint8_t* g, std::uint8_t* r) {
  *b = picturedecode::Scale8(v & 31, 31);
  *g = picturedecode::Scale8((v >> 5) & 31, 31);
  *r = picturedecode::Scale8((v >> 10) & 31, 31);
}

}  // namespace

bool DecodeTga(const std::uint8_t* data, std::size_t size, int /*frame*/, CPicture* picture,
               PictureError* error) {
  const ByteSpan in(data, size);
  TgaHeader header;
  if (!ReadTgaHeader(data, size, &header)) return FailShort(error, kName, "truncated header");
  if (const char* fault = TgaHeaderFault(header)) return Fail(error, kName, std::string("not a TGA file: ") + fault);
  const unsigned mapType = header.mapType;
  const unsigned imageType = header.imageType;
  const unsigned mapFirst = header.mapFirst;
  const unsigned mapLength = header.mapLength;
  const unsigned mapEntryBits = header.mapEntryBits;
  const unsigned width = header.width;
  const unsigned height = header.height;
  const unsigned depth = header.depth;
  const unsigned descriptor = header.descriptor;
  const bool rle = imageType >= 9;
  const unsigned kind = rle ? imageType - 8 : imageType;  // 1 mapped, 2 true colour, 3 grey

  if (kind == 1 && (mapType != 1 || depth != 8)) return Fail(error, kName, "colour-mapped pictures need 8 bits and a map");
  if (kind == 2 && depth != 15 && depth != 16 && depth != 24 && depth != 32) {
    return Fail(error, kName, "unsupported true-colour depth " + std::to_string(depth));
  }
  if (kind == 3 && depth != 8) return Fail(error, kName, "unsupported grey depth " + std::to_string(depth));
  if (descriptor & 0xC0) return Fail(error, kName, "interleaved rows are not supported");

  std::size_t p = kTgaHeaderSize + header.idLength;
  std::size_t mapAt = 0;
  unsigned mapEntryBytes = 0;
  if (mapType == 1) {
    if (mapEntryBits != 15 && mapEntryBits != 16 && mapEntryBits != 24 && mapEntryBits != 32) {
      return Fail(error, kName, "unsupported colour map entry size");
    }
    mapEntryBytes = (mapEntryBits + 7) / 8;
    if (!in.Has(p, std::size_t(mapLength) * mapEntryBytes)) return FailShort(error, kName, "truncated colour map");
    mapAt = p;
    p += std::size_t(mapLength) * mapEntryBytes;
  }
  if (kind == 1 && mapLength == 0) return Fail(error, kName, "empty colour map");

  const unsigned pixelBytes = (depth + 7) / 8;
  const std::uint64_t pixels = std::uint64_t(width) * height;
  if (!rle) {
    if (!in.Has(p, static_cast<std::size_t>(pixels * pixelBytes))) return FailShort(error, kName, "truncated pixel data");
  } else {
    // A packet of 1 + pixelBytes bytes yields at most 128 pixels.
    const std::uint64_t remaining = size > p ? size - p : 0;
    if (pixels > (remaining / (1 + pixelBytes) + 1) * 128) {
      return FailShort(error, kName, "picture larger than its data can fill");
    }
  }
  const unsigned outBpp = kind == 2 ? 24 : 8;
  if (!CPicture::CheckSize(width, height, outBpp, error)) return false;
  if (!picture->Create(width, height, outBpp, error)) return false;

  if (kind == 3) picture->SetGreyPalette();
  if (kind == 1) {
    // Index i shows colour-map entry i - mapFirst; indices outside the map
    // stay black.
    for (unsigned i = mapFirst; i < 256 && i - mapFirst < mapLength; ++i) {
      const std::size_t e = mapAt + std::size_t(i - mapFirst) * mapEntryBytes;
      std::uint8_t r, g, b;
      if (mapEntryBytes == 2) {
        Unpack555(in.LE16(e), &b, &g, &r);
      } else {
        b = in.U8(e);
        g = in.U8(e + 1);
        r = in.U8(e + 2);
      }
      picture->SetPaletteColor(i, r, g, b);
    }
  }
  std::vector<std::uint8_t> alpha;
  if (depth == 32) alpha.resize(static_cast<std::size_t>(pixels));
  bool anyAlpha = false;

  const bool topDown = (descriptor & 0x20) != 0;
  const bool rightToLeft = (descriptor & 0x10) != 0;
  // Writes the pixel stored at byte `at` as number `n` of the file order.
  auto put = [&](std::uint64_t n, std::size_t at) {
    const unsigned fileRow = static_cast<unsigned>(n / width);
    unsigned x = static_cast<unsigned>(n % width);
    if (rightToLeft) x = width - 1 - x;
    const unsigned row = topDown ? height - 1 - fileRow : fileRow;
    std::uint8_t* dst = picture->GetBits(row);
    if (outBpp == 8) {
      dst[x] = in.U8(at);
      return;
    }
    std::uint8_t* d = dst + std::size_t(x) * 3;
    if (pixelBytes == 2) {
      Unpack555(in.LE16(at), &d[0], &d[1], &d[2]);
    } else {
      d[0] = in.U8(at);
      d[1] = in.U8(at + 1);
      d[2] = in.U8(at + 2);
      if (pixelBytes == 4) {
        const std::uint8_t a = in.U8(at + 3);
        alpha[std::size_t(row) * width + x] = a;
        anyAlpha = anyAlpha || a != 0;
      }
    }
  };

  if (!rle) {
    for (std::uint64_t n = 0; n < pixels; ++n) put(n, p + static_cast<std::size_t>(n) * pixelBytes);
  } else {
    std::uint64_t n = 0;
    while (n < pixels) {
      if (!in.Has(p, 1)) return FailShort(error, kName, "run-length data ends early");
      const unsigned packet = in.U8(p++);
      const unsigned count = (packet & 0x7F) + 1;
      if (count > pixels - n) return Fail(error, kName, "run-length packet past the end of the picture");
      if (packet & 0x80) {
        if (!in.Has(p, pixelBytes)) return FailShort(error, kName, "run-length data ends early");
        for (unsigned i = 0; i < count; ++i) put(n++, p);
        p += pixelBytes;
      } else {
        if (!in.Has(p, std::size_t(count) * pixelBytes)) return FailShort(error, kName, "run-length data ends early");
        for (unsigned i = 0; i < count; ++i, p += pixelBytes) put(n++, p);
      }
    }
  }
  if (anyAlpha) {
    if (!picture->AlphaCreate(error)) return false;
    std::copy(alpha.begin(), alpha.end(), picture->AlphaGetPointer());
  }
  return true;
}
