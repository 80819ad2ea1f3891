// ICO (and CUR) reader: the largest picture of the file.
//
// An icon file is a directory of pictures of different sizes and depths.
// The largest one (then the deepest) is decoded: a BMP entry through the DIB
// reader with its AND mask as the alpha plane (unless its 32-bit pixels carry
// alpha of their own), a PNG entry through the PNG decoder of the table.

#include <cstring>

#include "imagefiles/Decoders.h"
#include "imagefiles/Decoders_p.h"
#include "imagefiles/FileType.h"
#include "imagefiles/Picture.h"

using picturedecode::ByteSpan;
using picturedecode::Fail;
using picturedecode::FailShort;

namespace {
const char kName[] = "ICO";
}  // namespace

bool DecodeIco(const std::uint8_t* data, std::size_t size, int frame, CPicture* picture, PictureError* error) {
  const ByteSpan in(data, size);
  if (!in.Has(0, 6) || in.LE16(0) != 0 || (in.LE16(2) != 1 && in.LE16(2) != 2)) {
    return Fail(error, kName, "not an icon file");
  }
  const unsigned count = in.LE16(4);
  if (count == 0) return Fail(error, kName, "no pictures in the directory");
  if (!in.Has(6, std::size_t(count) * 16)) return FailShort(error, kName, "truncated directory");

  int best = -1;
  std::uint64_t bestArea = 0;
  unsigned bestBits = 0;
  for (unsigned i = 0; i < count; ++i) {
    const std::size_t e = 6 + std::size_t(i) * 16;
    const unsigned w = in.U8(e) == 0 ? 256 : in.U8(e);
    const unsigned h = in.U8(e + 1) == 0 ? 256 : in.U8(e + 1);
    const unsigned bits = in.LE16(e + 6);
    const std::uint64_t area = std::uint64_t(w) * h;
    if (best < 0 || area > bestArea || (area == bestArea && bits > bestBits)) {
      best = static_cast<int>(i);
      bestArea = area;
      bestBits = bits;
    }
  }
  const std::size_t e = 6 + std::size_t(best) * 16;
  const std::uint32_t bytes = in.LE32(e + 8);
  const std::uint32_t offset = in.LE32(e + 12);
  if (bytes == 0 || !in.Has(offset, bytes)) return FailShort(error, kName, "picture data outside the file");
  const std::uint8_t* entry = data + offset;
  static const std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (bytes >= 8 && std::memcmp(entry, kPngSignature, 8) == 0) {
    const PictureDecoderEntry* png = FindDecoder(keFileTypePNG);
    PictureError pngError;
    if (png->decode(entry, bytes, frame, picture, &pngError)) return true;
    *error = {pngError.code, std::string(kName) + ": PNG entry: " + pngError.text};
    return false;
  }
  return DecodeDib(entry, bytes, true, picture, error);
}
