// BMP and packed DIB reader.
//
// Reads the Windows headers (BITMAPINFOHEADER and its V2 to V5 extensions),
// the OS/2 1.x core header and the OS/2 2.x header; 1, 4 and 8 bits through
// the colour table, RLE4 and RLE8, 16 and 32 bits with or without bit-field
// masks, 24 bits; bottom-up and top-down rows.  Indexed pictures stay
// indexed; 16- and 32-bit pictures become 24-bit ones, with an alpha plane
// when the file has an alpha mask whose values are not all zero.

#include <cstring>
#include <vector>

#include "imagefiles/Decoders.h"
#include "imagefiles/Decoders_p.h"
#include "imagefiles/Picture.h"

using picturedecode::ByteSpan;
using picturedecode::Fail;
using picturedecode::FailShort;

namespace {

const char kName[] = "BMP";

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitFields = 3;
constexpr std::uint32_t kBiAlphaBitFields = 6;

struct DibInfo {
  std::uint32_t headerSize = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;  // negative: top-down
  unsigned bitCount = 0;
  std::uint32_t compression = 0;
  std::uint32_t colorsUsed = 0;
  std::uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  bool core = false;  // OS/2 1.x: 3-byte colour table entries
};

// One channel of a bit-field pixel: where the mask starts and how wide it is.
struct MaskChannel {
  unsigned shift = 0;
  unsigned bits = 0;
  std::uint32_t mask = 0;

  explicit MaskChannel(std::uint32_t m) : mask(m) {
    if (m == 0) return;
    while (((m >> shift) & 1u) == 0) ++shift;
    while (shift + bits < 32 && ((m >> (shift + bits)) & 1u) != 0) ++bits;
  }
  std::uint8_t Extract(std::uint32_t pixel) const {
    if (bits == 0) return 0;
    const std::uint32_t v = (pixel & mask) >> shift;
    if (bits >= 8) return static_cast<std::uint8_t>(v >> (bits - 8));
    return picturedecode::Scale8(v, (1u << bits) - 1);
  }
};

bool ReadHeader(const ByteSpan& in, std::size_t at, DibInfo* info, PictureError* error) {
  if (!in.Has(at, 4)) return FailShort(error, kName, "truncated header");
  info->headerSize = in.LE32(at);
  const std::uint32_t hs = info->headerSize;
  const bool known = hs == 12 || hs == 16 || hs == 40 || hs == 52 || hs == 56 || hs == 64 || hs == 108 ||
                     hs == 124 || (hs > 16 && hs < 64);
  if (!known) return Fail(error, kName, "unknown header size " + std::to_string(hs));
  if (!in.Has(at, hs)) return FailShort(error, kName, "truncated header");
  if (hs == 12) {
    info->core = true;
    info->width = in.LE16(at + 4);
    info->height = static_cast<std::int16_t>(in.LE16(at + 6));
    if (in.LE16(at + 8) != 1) return Fail(error, kName, "planes must be 1");
    info->bitCount = in.LE16(at + 10);
    return true;
  }
  info->width = static_cast<std::int32_t>(in.LE32(at + 4));
  info->height = static_cast<std::int32_t>(in.LE32(at + 8));
  if (in.LE16(at + 12) != 1) return Fail(error, kName, "planes must be 1");
  info->bitCount = in.LE16(at + 14);
  // OS/2 2.x headers may stop after any field; missing fields are zero.
  info->compression = hs >= 20 ? in.LE32(at + 16) : 0;
  info->colorsUsed = hs >= 36 ? in.LE32(at + 32) : 0;
  if (hs == 64 && info->compression > kBiRle4) {
    // OS/2 2.x compressions 3 (Huffman 1D) and 4 (RLE24) are not Windows bit fields.
    return Fail(error, kName, "OS/2 compression " + std::to_string(info->compression) + " not supported");
  }
  if (hs >= 52 && hs != 64) {
    for (int i = 0; i < 3; ++i) info->masks[i] = in.LE32(at + 40 + 4 * i);
    if (hs >= 56) info->masks[3] = in.LE32(at + 52);
  }
  return true;
}

// Decodes the RLE4 or RLE8 data `rle` into the picture's rows.
bool DecodeRle(const ByteSpan& rle, std::size_t at, const DibInfo& info, bool topDown, CPicture* picture,
               PictureError* error) {
  const unsigned width = picture->GetWidth();
  const unsigned height = picture->GetHeight();
  const bool four = info.compression == kBiRle4;
  unsigned x = 0;
  unsigned y = 0;  // counted in file order (bottom-up unless topDown)
  auto put = [&](unsigned index) {
    std::uint8_t* row = picture->GetBits(topDown ? height - 1 - y : y);
    if (four) {
      std::uint8_t& b = row[x >> 1];
      b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | (index & 0x0F))
                  : static_cast<std::uint8_t>((b & 0x0F) | ((index & 0x0F) << 4));
    } else {
      row[x] = static_cast<std::uint8_t>(index);
    }
    ++x;
  };
  std::size_t p = at;
  while (true) {
    if (!rle.Has(p, 2)) return FailShort(error, kName, "RLE data ends before the end-of-bitmap code");
    const unsigned count = rle.U8(p);
    const unsigned value = rle.U8(p + 1);
    p += 2;
    if (count > 0) {
      if (y >= height) return Fail(error, kName, "RLE data past the last row");
      // Pixels past the end of the row are dropped: some writers encode the
      // row's padding as well.
      const unsigned n = count < width - x ? count : width - x;
      for (unsigned i = 0; i < n; ++i) put(four ? ((i & 1) ? value & 0x0F : value >> 4) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
      continue;
    }
    if (value == 1) return true;  // end of bitmap
    if (value == 2) {             // delta
      if (!rle.Has(p, 2)) return FailShort(error, kName, "RLE data ends inside a delta");
      const unsigned dx = rle.U8(p);
      const unsigned dy = rle.U8(p + 1);
      p += 2;
      if (dx > width - x || dy > height - y || (dy == height - y && dx > 0)) {
        return Fail(error, kName, "RLE delta past the picture");
      }
      x += dx;
      y += dy;
      continue;
    }
    // Absolute mode: `value` literal pixels, padded to a 16-bit boundary.
    const std::size_t bytes = four ? (value + 1) / 2 : value;
    if (!rle.Has(p, bytes)) return FailShort(error, kName, "RLE data ends inside a literal run");
    if (y >= height) return Fail(error, kName, "RLE data past the last row");
    const unsigned n = value < width - x ? value : width - x;
    for (unsigned i = 0; i < n; ++i) {
      const unsigned b = rle.U8(p + (four ? i / 2 : i));
      put(four ? ((i & 1) ? b & 0x0F : b >> 4) : b);
    }
    p += (bytes + 1) & ~std::size_t(1);
  }
}

// The DIB whose header starts at `at`.  `bitsAt` is where the file header
// says the pixels start (0: right after the colour table).
bool DecodeDibAt(const ByteSpan& in, std::size_t at, std::size_t bitsAt, bool andMask, CPicture* picture,
                 PictureError* error) {
  DibInfo info;
  if (!ReadHeader(in, at, &info, error)) return false;
  std::int64_t height = info.height;
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (andMask) height /= 2;  // icon: colour bitmap above the AND mask
  if (info.width <= 0 || height <= 0) return Fail(error, kName, "width and height must be greater than zero");
  const unsigned bc = info.bitCount;
  if (bc != 1 && bc != 4 && bc != 8 && bc != 16 && bc != 24 && bc != 32) {
    return Fail(error, kName, "unsupported bit count " + std::to_string(bc));
  }
  const std::uint32_t comp = info.compression;
  const bool rle = comp == kBiRle8 || comp == kBiRle4;
  if (comp == kBiRle8 && bc != 8) return Fail(error, kName, "RLE8 needs 8 bits per pixel");
  if (comp == kBiRle4 && bc != 4) return Fail(error, kName, "RLE4 needs 4 bits per pixel");
  if (rle && andMask) return Fail(error, kName, "compressed icon bitmaps are not supported");
  if (comp != kBiRgb && !rle && comp != kBiBitFields && comp != kBiAlphaBitFields) {
    return Fail(error, kName, "unsupported compression " + std::to_string(comp));
  }
  if ((comp == kBiBitFields || comp == kBiAlphaBitFields) && bc != 16 && bc != 32) {
    return Fail(error, kName, "bit fields need 16 or 32 bits per pixel");
  }

  std::size_t tableAt = at + info.headerSize;
  if ((comp == kBiBitFields || comp == kBiAlphaBitFields) && info.headerSize == 40) {
    const int n = comp == kBiAlphaBitFields ? 4 : 3;
    if (!in.Has(tableAt, 4u * n)) return FailShort(error, kName, "truncated bit-field masks");
    for (int i = 0; i < n; ++i) info.masks[i] = in.LE32(tableAt + 4u * i);
    tableAt += 4u * n;
  }

  // Colour table.
  unsigned colours = 0;
  if (bc <= 8) {
    const unsigned maxColours = 1u << bc;
    if (info.colorsUsed > maxColours) return Fail(error, kName, "colour table larger than the bit count allows");
    colours = info.colorsUsed != 0 ? info.colorsUsed : maxColours;
  }
  const std::size_t entry = info.core ? 3 : 4;
  // When the file header places the pixels before the end of a full table,
  // the table is as long as the room left for it.
  if (bitsAt > tableAt && (bitsAt - tableAt) / entry < colours) {
    colours = static_cast<unsigned>((bitsAt - tableAt) / entry);
  }
  if (!in.Has(tableAt, colours * entry)) return FailShort(error, kName, "truncated colour table");
  std::size_t pixelsAt = tableAt + colours * entry;
  // 16 to 32 bits may carry an optional table (for display on palette
  // devices); without a file header the pixels follow it.
  if (bc > 8 && info.colorsUsed <= 256) pixelsAt += info.colorsUsed * entry;
  if (bitsAt != 0) {
    if (bitsAt >= in.Size()) return FailShort(error, kName, "pixel offset past the end of the file");
    pixelsAt = bitsAt;
  }

  const std::uint64_t width = static_cast<std::uint64_t>(info.width);
  const std::uint64_t h = static_cast<std::uint64_t>(height);
  const unsigned outBpp = bc <= 8 ? bc : 24;
  if (!CPicture::CheckSize(width, h, outBpp, error)) return false;

  // Bytes the pixels need, checked against what the file holds.
  const std::uint64_t stride = ((width * bc + 31) / 32) * 4;
  if (rle && picturedecode::RleBomb(width * h, in.Size() - pixelsAt)) {
    return FailShort(error, kName, "picture larger than its RLE data can plausibly fill");
  }
  if (!rle) {
    std::uint64_t need = 0;
    if (!picturedecode::MulOverflow(stride, h - 1, &need)) return Fail(error, kName, "size overflow");
    need += picturedecode::RowBytes(width, bc);
    if (!in.Has(pixelsAt, static_cast<std::size_t>(need))) return FailShort(error, kName, "truncated pixel data");
  }

  if (!picture->Create(width, h, outBpp, error)) return false;
  for (unsigned i = 0; i < colours; ++i) {
    const std::size_t e = tableAt + i * entry;
    picture->SetPaletteColor(i, in.U8(e + 2), in.U8(e + 1), in.U8(e));
  }

  if (rle) {
    if (!DecodeRle(in, pixelsAt, info, topDown, picture, error)) return false;
  } else if (bc <= 8 || bc == 24) {
    const std::size_t rowBytes = static_cast<std::size_t>(picturedecode::RowBytes(width, bc));
    for (std::uint64_t y = 0; y < h; ++y) {
      const std::uint8_t* src = in.Data() + pixelsAt + static_cast<std::size_t>(y * stride);
      std::memcpy(picture->GetBits(static_cast<unsigned>(topDown ? h - 1 - y : y)), src, rowBytes);
    }
  } else {
    // 16 and 32 bits: through masks (defaults: 5-5-5 and 8-8-8).
    // BI_RGB ignores the colour masks a V4/V5 header carries, but keeps its
    // alpha mask.
    if (comp == kBiRgb || (info.masks[0] | info.masks[1] | info.masks[2]) == 0) {
      if (bc == 16) {
        info.masks[0] = 0x7C00;
        info.masks[1] = 0x03E0;
        info.masks[2] = 0x001F;
      } else {
        info.masks[0] = 0x00FF0000;
        info.masks[1] = 0x0000FF00;
        info.masks[2] = 0x000000FF;
      }
      if (comp == kBiRgb && info.headerSize < 56) info.masks[3] = 0;  // the fourth byte is unused
    }
    const MaskChannel r(info.masks[0]), g(info.masks[1]), b(info.masks[2]), a(info.masks[3]);
    bool anyAlpha = false;
    std::vector<std::uint8_t> alpha;
    if (a.bits != 0) alpha.resize(static_cast<std::size_t>(width * h));
    for (std::uint64_t y = 0; y < h; ++y) {
      const std::size_t src = pixelsAt + static_cast<std::size_t>(y * stride);
      const unsigned row = static_cast<unsigned>(topDown ? h - 1 - y : y);
      std::uint8_t* dst = picture->GetBits(row);
      for (std::uint64_t x = 0; x < width; ++x) {
        const std::uint32_t px = bc == 16 ? in.LE16(src + x * 2) : in.LE32(src + x * 4);
        dst[x * 3] = b.Extract(px);
        dst[x * 3 + 1] = g.Extract(px);
        dst[x * 3 + 2] = r.Extract(px);
        if (a.bits != 0) {
          const std::uint8_t av = a.Extract(px);
          alpha[row * width + x] = av;
          anyAlpha = anyAlpha || av != 0;
        }
      }
    }
    if (anyAlpha) {
      if (!picture->AlphaCreate(error)) return false;
      std::memcpy(picture->AlphaGetPointer(), alpha.data(), alpha.size());
    }
  }

  if (andMask && !picture->AlphaIsValid()) {
    // The AND mask follows the colour bitmap: 1 bit per pixel, set where the
    // icon is transparent.  Missing mask bytes leave the icon opaque.
    const std::uint64_t maskStride = ((width + 31) / 32) * 4;
    const std::size_t maskAt = pixelsAt + static_cast<std::size_t>(stride * h);
    std::uint64_t maskBytes = 0;
    if (picturedecode::MulOverflow(maskStride, h, &maskBytes) &&
        in.Has(maskAt, static_cast<std::size_t>(maskBytes))) {
      if (!picture->AlphaCreate(error)) return false;
      for (std::uint64_t y = 0; y < h; ++y) {
        const std::size_t src = maskAt + static_cast<std::size_t>(y * maskStride);
        const unsigned row = static_cast<unsigned>(topDown ? h - 1 - y : y);
        std::uint8_t* dst = picture->AlphaGetPointer(0, row);
        for (std::uint64_t x = 0; x < width; ++x) {
          dst[x] = ((in.U8(src + x / 8) >> (7 - x % 8)) & 1) ? 0 : 255;
        }
      }
    }
  }
  return true;
}

}  // namespace

bool DecodeDib(const std::uint8_t* data, std::size_t size, bool andMask, CPicture* picture, PictureError* error) {
  return DecodeDibAt(ByteSpan(data, size), 0, 0, andMask, picture, error);
}

bool DecodeBmp(const std::uint8_t* data, std::size_t size, int /*frame*/, CPicture* picture,
               PictureError* error) {
  const ByteSpan in(data, size);
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
    if (!in.Has(0, 14 + 4)) return FailShort(error, kName, "truncated file header");
    const std::uint32_t offBits = in.LE32(10);
    // An offset inside the headers is wrong; the pixels then follow the table.
    const std::size_t bitsAt = offBits >= 14 + 12 ? offBits : 0;
    return DecodeDibAt(in, 14, bitsAt, false, picture, error);
  }
  // Without a file header: a packed DIB.
  if (!in.Has(0, 4)) return Fail(error, kName, "not a BMP file");
  return DecodeDibAt(in, 0, 0, false, picture, error);
}
