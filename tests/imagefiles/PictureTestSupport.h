#pragma once
// Helpers for the picture decoder tests: files from byte arrays, and reading
// a decoded picture back as top-down RGB(A) values.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "imagefiles/FileType.h"
#include "imagefiles/Picture.h"

namespace picturetest {

using Bytes = std::vector<std::uint8_t>;

inline void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Little- and big-endian fields for building files.
inline void Le16(Bytes* b, unsigned v) {
  b->push_back(static_cast<std::uint8_t>(v));
  b->push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Le32(Bytes* b, std::uint32_t v) {
  Le16(b, v & 0xFFFF);
  Le16(b, v >> 16);
}
inline void Be32(Bytes* b, std::uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) b->push_back(static_cast<std::uint8_t>(v >> s));
}
inline void Append(Bytes* b, const Bytes& more) { b->insert(b->end(), more.begin(), more.end()); }
inline void Append(Bytes* b, const char* text) {
  for (; *text != 0; ++text) b->push_back(static_cast<std::uint8_t>(*text));
}

// 0xRRGGBB of pixel (x, y) counted from the TOP row, palette resolved.
inline std::uint32_t RgbAt(const CPicture& picture, unsigned x, unsigned yFromTop) {
  const PictureRgbQuad q = picture.GetPixelColor(static_cast<long>(x),
                                                 static_cast<long>(picture.GetHeight() - 1 - yFromTop), false);
  return (std::uint32_t(q.rgbRed) << 16) | (std::uint32_t(q.rgbGreen) << 8) | q.rgbBlue;
}

inline unsigned AlphaAt(const CPicture& picture, unsigned x, unsigned yFromTop) {
  return picture.GetPixelColor(static_cast<long>(x), static_cast<long>(picture.GetHeight() - 1 - yFromTop), true)
      .rgbReserved;
}

inline Bytes Truncated(Bytes b, std::size_t size) {
  b.resize(size);
  return b;
}

// A file every decoder must refuse, named after its fault: decoding it as
// `type` fails with the error code `code` (PictureError) and the text
// `error`, and leaves no picture, and detection runs every decoder over it,
// each either refusing it or giving a whole picture.  The test
// (HostileFileTest) is in PictureHostileInputTest.cpp; each table
// instantiates it.
struct HostileFile {
  const char* name;
  int type;
  Bytes bytes;
  std::uint32_t code;
  const char* error;
  int frame = 0;
};

inline void PrintTo(const HostileFile& h, std::ostream* os) { *os << h.name; }

class HostileFileTest : public ::testing::TestWithParam<HostileFile> {};

inline std::string HostileFileName(const ::testing::TestParamInfo<HostileFile>& info) { return info.param.name; }

// All pixels, top row first, as 0xRRGGBB.
inline std::vector<std::uint32_t> AllRgb(const CPicture& picture) {
  std::vector<std::uint32_t> out;
  for (unsigned y = 0; y < picture.GetHeight(); ++y) {
    for (unsigned x = 0; x < picture.GetWidth(); ++x) out.push_back(RgbAt(picture, x, y));
  }
  return out;
}

}  // namespace picturetest

namespace picturetest {

// A BMP file: the 14-byte file header and a 40-byte BITMAPINFOHEADER, then
// `palette` (0xRRGGBB entries, stored B, G, R, 0) and `pixels` as given
// (rows in file order, already padded).  `height` negative: top-down.
inline Bytes MakeBmp(std::int32_t width, std::int32_t height, unsigned bpp, const std::vector<std::uint32_t>& palette,
                     const Bytes& pixels, std::uint32_t compression = 0) {
  const std::uint32_t offBits = 14 + 40 + 4 * static_cast<std::uint32_t>(palette.size());
  Bytes b;
  Append(&b, "BM");                                                    // signature
  Le32(&b, offBits + static_cast<std::uint32_t>(pixels.size()));       // file size
  Le32(&b, 0);                                                         // reserved
  Le32(&b, offBits);                                                   // offset of the pixels
  Le32(&b, 40);                                                        // biSize
  Le32(&b, static_cast<std::uint32_t>(width));                         // biWidth
  Le32(&b, static_cast<std::uint32_t>(height));                        // biHeight
  Le16(&b, 1);                                                         // biPlanes
  Le16(&b, bpp);                                                       // biBitCount
  Le32(&b, compression);                                               // biCompression
  Le32(&b, static_cast<std::uint32_t>(pixels.size()));                 // biSizeImage
  Le32(&b, 2835);                                                      // biXPelsPerMeter
  Le32(&b, 2835);                                                      // biYPelsPerMeter
  Le32(&b, static_cast<std::uint32_t>(palette.size()));                // biClrUsed
  Le32(&b, 0);                                                         // biClrImportant
  for (std::uint32_t c : palette) Le32(&b, c & 0xFFFFFF);               // B, G, R, 0
  Append(&b, pixels);
  return b;
}

// Decodes every prefix of a good file (each a copy of exactly that many
// bytes, so AddressSanitizer sees any read past it): each either decodes to
// the whole picture's size or fails with an error text.
inline void ExpectEveryPrefixDecodesOrFails(const Bytes& bytes, int type) {
  CPicture whole;
  ASSERT_TRUE(whole.Decode(bytes.data(), bytes.size(), type)) << whole.GetLastError();
  for (std::size_t size = 0; size < bytes.size(); ++size) {
    SCOPED_TRACE(size);
    const Bytes prefix(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
    CPicture picture;
    if (picture.Decode(prefix.data(), prefix.size(), type)) {
      EXPECT_EQ(whole.GetWidth(), picture.GetWidth());
      EXPECT_EQ(whole.GetHeight(), picture.GetHeight());
    } else {
      EXPECT_FALSE(picture.GetLastError().empty());
    }
  }
}

}  // namespace picturetest
