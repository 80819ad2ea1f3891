#pragma once
// Helpers for the tests of the library-backed decoders: PNG files built
// chunk by chunk (so every field is the test's choice), and JPEG, PNG and
// TIFF files written in-process by the product's own writer, so these tests
// need no external tool and run in the Windows builds too.

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "image/ImageBuffer.h"
#include "imagefiles/PictureWriter.h"
#include "tests/imagefiles/PictureTestSupport.h"
#include "tests/support/PictureFixtures.h"
#include "tests/support/TempDir.h"

namespace picturetest {

// One PNG chunk: length, type, data, CRC over type and data.
inline void PngChunk(Bytes* png, const char* type, const Bytes& data) {
  Be32(png, static_cast<std::uint32_t>(data.size()));
  Bytes typed;
  Append(&typed, type);
  Append(&typed, data);
  Append(png, typed);
  Be32(png, static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}

inline Bytes Deflate(const Bytes& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  Bytes out(size);
  compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 9);
  out.resize(size);
  return out;
}

// A PNG file: signature, IHDR, the `before` chunks (PLTE, tRNS ...), one
// IDAT holding `raw` (rows, each with its filter byte) deflated, IEND.
struct PngChunkSpec {
  const char* type;
  Bytes data;
};
inline Bytes MakePng(std::uint32_t width, std::uint32_t height, unsigned bitDepth, unsigned colourType,
                     const Bytes& raw, const std::vector<PngChunkSpec>& before = {}, unsigned interlace = 0) {
  Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  Bytes ihdr;
  Be32(&ihdr, width);                                      // width
  Be32(&ihdr, height);                                     // height
  ihdr.push_back(static_cast<std::uint8_t>(bitDepth));     // bit depth
  ihdr.push_back(static_cast<std::uint8_t>(colourType));   // colour type
  ihdr.push_back(0);                                       // compression: deflate
  ihdr.push_back(0);                                       // filter method
  ihdr.push_back(static_cast<std::uint8_t>(interlace));    // interlace
  PngChunk(&png, "IHDR", ihdr);
  for (const PngChunkSpec& c : before) PngChunk(&png, c.type, c.data);
  PngChunk(&png, "IDAT", Deflate(raw));
  PngChunk(&png, "IEND", {});
  return png;
}

// The bytes of `picture` written by the product's writer as `format`.
inline Bytes WrittenBy(const CImageBuffer& picture, PictureFormat format, const char* name, int quality = 95) {
  TempDir dir;
  const std::string path = dir.File(name);
  std::string error;
  if (!WritePicture(picture, path, format, quality, &error)) return {};
  return ReadFile(path);
}

// A buffer of one colour {b, g, r}.
inline CImageBuffer SolidPicture(int width, int height, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  return MakePicture(width, height, [=](int, int, std::uint8_t* p) {
    p[0] = b;
    p[1] = g;
    p[2] = r;
  });
}

}  // namespace picturetest
