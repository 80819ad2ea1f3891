// PNM reader: PBM, PGM and PPM in their text (P1, P2, P3) and binary (P4,
// P5, P6) forms, with sample maxima up to 65535 (binary samples above 255
// take two bytes, most significant first).
//
// Bitmaps become 1-bit pictures (a set bit is black), grey maps 8-bit grey
// pictures and pixel maps 24-bit pictures; samples are scaled to 0..255.
// Only the first picture of a file holding several is read.

#include <algorithm>
#include <cstring>

#include "imagefiles/Decoders.h"
#include "imagefiles/Decoders_p.h"
#include "imagefiles/Picture.h"

using picturedecode::ByteSpan;
using picturedecode::Fail;
using picturedecode::FailShort;

namespace {

const char kName[] = "PNM";

bool IsSpace(unsigned c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Skips white space and comments (from "#" to the end of the line).
void SkipSpace(const ByteSpan& in, std::size_t* p) {
  while (in.Has(*p, 1)) {
    const unsigned c = in.U8(*p);
    if (c == '#') {
      while (in.Has(*p, 1) && in.U8(*p) != '\n' && in.U8(*p) != '\r') ++*p;
    } else if (IsSpace(c)) {
      ++*p;
    } else {
      break;
    }
  }
}

// A decimal number of at most 9 digits (up to 999999999).
bool ReadNumber(const ByteSpan& in, std::size_t* p, std::uint32_t* value) {
  SkipSpace(in, p);
  return picturedecode::ReadDecimal(in, p, value);
}

}  // namespace

bool DecodePnm(const std::uint8_t* data, std::size_t size, int /*frame*/, CPicture* picture,
               PictureError* error) {
  const ByteSpan in(data, size);
  if (!in.Has(0, 2) || in.U8(0) != 'P' || in.U8(1) < '1' || in.U8(1) > '6') return Fail(error, kName, "not a PNM file");
  const unsigned kind = in.U8(1) - '0';
  const bool binary = kind >= 4;
  const unsigned family = binary ? kind - 3 : kind;  // 1 bitmap, 2 grey, 3 colour
  std::size_t p = 2;
  std::uint32_t width = 0, height = 0, maxValue = 1;
  if (!ReadNumber(in, &p, &width) || !ReadNumber(in, &p, &height) ||
      (family != 1 && !ReadNumber(in, &p, &maxValue))) {
    return in.Has(p, 1) ? Fail(error, kName, "bad header") : FailShort(error, kName, "truncated header");
  }
  if (width == 0 || height == 0) return Fail(error, kName, "width and height must be greater than zero");
  if (maxValue == 0 || maxValue > 65535) return Fail(error, kName, "sample maximum must be 1 to 65535");
  if (binary) {
    // Exactly one white-space byte separates the header from the samples.
    if (!in.Has(p, 1)) return FailShort(error, kName, "truncated header");
    if (!IsSpace(in.U8(p))) return Fail(error, kName, "bad header");
    ++p;
  }
  const unsigned channels = family == 3 ? 3 : 1;
  const unsigned sampleBytes = maxValue > 255 ? 2 : 1;
  const std::uint64_t samples = std::uint64_t(width) * height * channels;
  const std::uint64_t left = size - std::min<std::size_t>(p, size);
  if (binary) {
    const std::uint64_t need = family == 1 ? ((std::uint64_t(width) + 7) / 8) * height : samples * sampleBytes;
    if (need > left) return FailShort(error, kName, "truncated pixel data");
  } else if (samples > left / (family == 1 ? 1 : 2) + 1) {
    // Text samples take a digit each, and a separator too except in bitmaps.
    return FailShort(error, kName, "truncated pixel data");
  }
  const unsigned outBpp = family == 1 ? 1 : family == 2 ? 8 : 24;
  if (!CPicture::CheckSize(width, height, outBpp, error)) return false;
  if (!picture->Create(width, height, outBpp, error)) return false;
  if (family == 1) {
    picture->SetPaletteColor(0, 255, 255, 255);
    picture->SetPaletteColor(1, 0, 0, 0);
  } else if (family == 2) {
    picture->SetGreyPalette();
  }

  for (std::uint32_t y = 0; y < height; ++y) {
    std::uint8_t* dst = picture->GetBits(height - 1 - y);
    if (family == 1 && binary) {
      const std::size_t rowBytes = (std::size_t(width) + 7) / 8;
      std::memcpy(dst, data + p, rowBytes);
      p += rowBytes;
      continue;
    }
    if (family == 1) {
      for (std::uint32_t x = 0; x < width; ++x) {
        SkipSpace(in, &p);
        if (!in.Has(p, 1) || (in.U8(p) != '0' && in.U8(p) != '1')) return Fail(error, kName, "bad or missing sample");
        if (in.U8(p++) == '1') dst[x / 8] = static_cast<std::uint8_t>(dst[x / 8] | (0x80u >> (x % 8)));
      }
      continue;
    }
    for (std::uint32_t x = 0; x < width; ++x) {
      for (unsigned c = 0; c < channels; ++c) {
        std::uint32_t v = 0;
        if (binary) {
          v = sampleBytes == 2 ? in.BE16(p) : in.U8(p);
          p += sampleBytes;
        } else if (!ReadNumber(in, &p, &v)) {
          return Fail(error, kName, "bad or missing sample");
        }
        const std::uint8_t s = picturedecode::Scale8(v, maxValue);
        if (channels == 1) {
          dst[x] = s;
        } else {
          dst[3 * x + 2 - c] = s;  // R, G, B in the file; B, G, R in the picture
        }
      }
    }
  }
  return true;
}
