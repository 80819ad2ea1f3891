// PGX reader: the one-component test format of JPEG 2000.  A text header
// "PG", the byte order ("ML" most significant byte first, "LM" least), an
// optional sign, the bit depth, width and height, one line end, then the
// samples, each in as many whole bytes as the depth needs.  The samples
// become an 8-bit grey picture; signed samples are shifted to start at 0.

#include "imagefiles/Decoders.h"
#include "imagefiles/Decoders_p.h"
#include "imagefiles/Picture.h"

using picturedecode::ByteSpan;
using picturedecode::Fail;
using picturedecode::FailShort;

namespace {

const char kName[] = "PGX";

void SkipBlanks(const ByteSpan& in, std::size_t* p) {
  while (in.Has(*p, 1) && (in.U8(*p) == ' ' || in.U8(*p) == '\t')) ++*p;
}

bool ReadNumber(const ByteSpan& in, std::size_t* p, std::uint32_t* value) {
  SkipBlanks(in, p);
  return picturedecode::ReadDecimal(in, p, value);
}

}  // namespace

bool DecodePgx(const std::uint8_t* data, std::size_t size, int /*frame*/, CPicture* picture,
               PictureError* error) {
  const ByteSpan in(data, size);
  if (!in.Has(0, 2) || in.U8(0) != 'P' || in.U8(1) != 'G') return Fail(error, kName, "not a PGX file");
  std::size_t p = 2;
  SkipBlanks(in, &p);
  bool bigEndian = false;
  if (in.Has(p, 2) && in.U8(p) == 'M' && in.U8(p + 1) == 'L') {
    bigEndian = true;
  } else if (!(in.Has(p, 2) && in.U8(p) == 'L' && in.U8(p + 1) == 'M')) {
    return Fail(error, kName, "bad byte order");
  }
  p += 2;
  SkipBlanks(in, &p);
  bool isSigned = false;
  if (in.U8(p) == '+' || in.U8(p) == '-') isSigned = in.U8(p++) == '-';
  std::uint32_t depth = 0, width = 0, height = 0;
  if (!ReadNumber(in, &p, &depth) || !ReadNumber(in, &p, &width) || !ReadNumber(in, &p, &height)) {
    return in.Has(p, 1) ? Fail(error, kName, "bad header") : FailShort(error, kName, "truncated header");
  }
  SkipBlanks(in, &p);
  if (in.U8(p) == '\r') ++p;
  if (!in.Has(p, 1)) return FailShort(error, kName, "truncated header");
  if (in.U8(p) != '\n') return Fail(error, kName, "bad header");
  ++p;
  if (depth == 0 || depth > 32) return Fail(error, kName, "bit depth must be 1 to 32");
  if (width == 0 || height == 0) return Fail(error, kName, "width and height must be greater than zero");
  const unsigned sampleBytes = (depth + 7) / 8;
  const std::uint64_t need = std::uint64_t(width) * height * sampleBytes;
  if (need > size - p) return FailShort(error, kName, "truncated pixel data");
  if (!CPicture::CheckSize(width, height, 8, error)) return false;
  if (!picture->Create(width, height, 8, error)) return false;
  picture->SetGreyPalette();
  const std::uint64_t maxValue = (std::uint64_t(1) << depth) - 1;
  const std::uint64_t offset = isSigned ? std::uint64_t(1) << (depth - 1) : 0;
  for (std::uint32_t y = 0; y < height; ++y) {
    std::uint8_t* dst = picture->GetBits(height - 1 - y);
    for (std::uint32_t x = 0; x < width; ++x, p += sampleBytes) {
      std::uint64_t v = 0;
      for (unsigned k = 0; k < sampleBytes; ++k) {
        const unsigned b = in.U8(bigEndian ? p + k : p + sampleBytes - 1 - k);
        v = (v << 8) | b;
      }
      v &= maxValue;
      if (isSigned) v = (v + offset) & maxValue;  // two's complement to offset binary
      dst[x] = static_cast<std::uint8_t>((v * 255 + maxValue / 2) / maxValue);
    }
  }
  return true;
}
