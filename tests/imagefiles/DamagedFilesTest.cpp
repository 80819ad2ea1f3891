// Files cut short, as a broken download leaves them: the JPEG, PNG and TIFF
// decoders keep what came before the cut, fill in the rest, answer a picture
// of the full size and mark it damaged with the reason.  The same files
// whole are not marked.  Every file is made and cut by the test.

#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "imagefiles/FileType.h"
#include "imagefiles/Picture.h"
#include "imagefiles/TemplateLoader.h"
#include "tests/imagefiles/LibraryTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

using picturetest::Append;
using picturetest::Be32;
using picturetest::Bytes;
using picturetest::Le16;
using picturetest::Le32;
using picturetest::PngChunk;
using picturetest::RgbAt;

constexpr unsigned kWidth = 6;
constexpr unsigned kHeight = 8;

// Grey value of pixel (x, y) of the test pictures, never 0 (0 is what the
// decoders fill missing rows with).
std::uint8_t Grey(unsigned x, unsigned y) { return static_cast<std::uint8_t>(20 + 25 * y + 3 * x); }

// A grey PNG whose compressed pixels are one stored (uncompressed) deflate
// block spread over IDAT chunks: the zlib and block headers, then one chunk
// per row (filter byte and samples), then the Adler-32 checksum.  Cutting
// the file inside the chunk of row k leaves exactly rows 0 .. k-1.
struct RowChunkedPng {
  Bytes bytes;
  std::vector<std::size_t> rowChunkAt;  // offset of each row's chunk
};

RowChunkedPng GreyPngOneRowPerChunk() {
  Bytes raw;
  for (unsigned y = 0; y < kHeight; ++y) {
    raw.push_back(0);  // filter: none
    for (unsigned x = 0; x < kWidth; ++x) raw.push_back(Grey(x, y));
  }
  RowChunkedPng png;
  png.bytes = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  Bytes ihdr;
  Be32(&ihdr, kWidth);
  Be32(&ihdr, kHeight);
  Append(&ihdr, Bytes{8, 0, 0, 0, 0});  // 8 bits, grey, deflate, filter 0, not interlaced
  PngChunk(&png.bytes, "IHDR", ihdr);
  Bytes start = {0x78, 0x01};  // zlib header: deflate, 32K window, no dictionary
  start.push_back(1);          // the final block, stored
  Le16(&start, static_cast<unsigned>(raw.size()));
  Le16(&start, static_cast<unsigned>(~raw.size() & 0xFFFF));
  PngChunk(&png.bytes, "IDAT", start);
  const std::size_t rowBytes = 1 + kWidth;
  for (unsigned y = 0; y < kHeight; ++y) {
    png.rowChunkAt.push_back(png.bytes.size());
    PngChunk(&png.bytes, "IDAT", Bytes(raw.begin() + y * rowBytes, raw.begin() + (y + 1) * rowBytes));
  }
  Bytes adler;
  Be32(&adler, static_cast<std::uint32_t>(adler32(adler32(0, nullptr, 0), raw.data(), static_cast<uInt>(raw.size()))));
  PngChunk(&png.bytes, "IDAT", adler);
  PngChunk(&png.bytes, "IEND", {});
  return png;
}

// A little-endian grey TIFF with its directory first and the pixels after it
// in strips of two rows: cutting the file inside strip k leaves rows
// 0 .. 2k-1.
struct StripTiff {
  Bytes bytes;
  std::vector<std::size_t> stripAt;
};

StripTiff GreyTiffInStrips() {
  constexpr unsigned kRowsPerStrip = 2;
  constexpr unsigned kStrips = kHeight / kRowsPerStrip;
  constexpr unsigned kEntries = 9;
  const std::uint32_t offsetsAt = 8 + 2 + 12 * kEntries + 4;
  const std::uint32_t countsAt = offsetsAt + 4 * kStrips;
  const std::uint32_t pixelsAt = countsAt + 4 * kStrips;
  StripTiff tiff;
  Bytes& b = tiff.bytes;
  b = {'I', 'I', 42, 0};
  Le32(&b, 8);  // the directory
  Le16(&b, kEntries);
  auto entry = [&](unsigned tag, unsigned type, std::uint32_t count, std::uint32_t value) {
    Le16(&b, tag);
    Le16(&b, type);
    Le32(&b, count);
    if (type == 3 && count == 1) {
      Le16(&b, value);
      Le16(&b, 0);
    } else {
      Le32(&b, value);
    }
  };
  entry(256, 4, 1, kWidth);               // ImageWidth
  entry(257, 4, 1, kHeight);              // ImageLength
  entry(258, 3, 1, 8);                    // BitsPerSample
  entry(259, 3, 1, 1);                    // Compression: none
  entry(262, 3, 1, 1);                    // Photometric: black is zero
  entry(273, 4, kStrips, offsetsAt);      // StripOffsets, at offsetsAt
  entry(277, 3, 1, 1);                    // SamplesPerPixel
  entry(278, 4, 1, kRowsPerStrip);        // RowsPerStrip
  entry(279, 4, kStrips, countsAt);       // StripByteCounts, at countsAt
  Le32(&b, 0);                            // no next directory
  for (unsigned s = 0; s < kStrips; ++s) Le32(&b, pixelsAt + s * kRowsPerStrip * kWidth);
  for (unsigned s = 0; s < kStrips; ++s) Le32(&b, kRowsPerStrip * kWidth);
  for (unsigned y = 0; y < kHeight; ++y) {
    if (y % kRowsPerStrip == 0) tiff.stripAt.push_back(b.size());
    for (unsigned x = 0; x < kWidth; ++x) b.push_back(Grey(x, y));
  }
  return tiff;
}

std::uint32_t GreyRgb(std::uint8_t v) { return (std::uint32_t(v) << 16) | (std::uint32_t(v) << 8) | v; }

struct CutGrey {
  const char* name;
  int type;
  Bytes bytes;        // the cut (or whole) file
  unsigned rowsKept;  // rows before the cut, the rest black
  const char* damage; // "" when the picture is whole
};

void PrintTo(const CutGrey& c, std::ostream* os) { *os << c.name; }

std::vector<CutGrey> CutGreyFiles() {
  const RowChunkedPng png = GreyPngOneRowPerChunk();
  const StripTiff tiff = GreyTiffInStrips();
  auto cut = [](const Bytes& b, std::size_t size) {
    return Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(size));
  };
  return {
      // Inside the chunk of row 3: its length and type are there, its data not.
      {"png_cut_in_row_3", keFileTypePNG, cut(png.bytes, png.rowChunkAt[3] + 10), 3,
       "PNG: the file ends early; 5 of 8 rows are missing"},
      // Right after the last row's chunk: only the checksum chunk is missing,
      // every pixel is there.
      {"png_cut_before_the_checksum", keFileTypePNG, cut(png.bytes, png.rowChunkAt[7] + 12 + 1 + kWidth), 8, ""},
      {"png_whole", keFileTypePNG, png.bytes, 8, ""},
      {"tiff_cut_in_strip_1", keFileTypeTIFF, cut(tiff.bytes, tiff.stripAt[1] + 3), 2,
       "TIFF: the file ends early; 6 of 8 rows are missing"},
      {"tiff_cut_in_the_last_strip", keFileTypeTIFF, cut(tiff.bytes, tiff.bytes.size() - 1), 6,
       "TIFF: the file ends early; 2 of 8 rows are missing"},
      {"tiff_whole", keFileTypeTIFF, tiff.bytes, 8, ""},
  };
}

class CutGreyTest : public ::testing::TestWithParam<CutGrey> {};

TEST_P(CutGreyTest, KeepsTheRowsBeforeTheCutAndSaysSo) {
  const CutGrey& c = GetParam();
  CPicture picture;
  ASSERT_TRUE(picture.Decode(c.bytes.data(), c.bytes.size(), c.type)) << picture.GetLastError();
  ASSERT_EQ(kWidth, picture.GetWidth());
  ASSERT_EQ(kHeight, picture.GetHeight());
  EXPECT_EQ(c.damage[0] != '\0', picture.IsDamaged());
  EXPECT_EQ(c.damage, picture.GetDamage());
  for (unsigned y = 0; y < kHeight; ++y) {
    for (unsigned x = 0; x < kWidth; ++x) {
      const std::uint32_t want = y < c.rowsKept ? GreyRgb(Grey(x, y)) : 0u;
      ASSERT_EQ(want, RgbAt(picture, x, y)) << "pixel " << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Library, CutGreyTest, ::testing::ValuesIn(CutGreyFiles()),
                         [](const ::testing::TestParamInfo<CutGrey>& info) { return std::string(info.param.name); });

// A cut before the first row gives nothing to keep: refused as data that
// ends early.
TEST(CutFileTest, NoRowBeforeTheCutIsRefused) {
  const RowChunkedPng png = GreyPngOneRowPerChunk();
  const StripTiff tiff = GreyTiffInStrips();
  const Bytes pngCut(png.bytes.begin(), png.bytes.begin() + static_cast<std::ptrdiff_t>(png.rowChunkAt[0] + 9));
  const Bytes tiffCut(tiff.bytes.begin(), tiff.bytes.begin() + static_cast<std::ptrdiff_t>(tiff.stripAt[0] + 1));
  CPicture picture;
  EXPECT_FALSE(picture.Decode(pngCut.data(), pngCut.size(), keFileTypePNG));
  EXPECT_EQ(keErrFileRead, picture.GetLastErrorCode());
  EXPECT_EQ("PNG: the file ends early", picture.GetLastError());
  EXPECT_FALSE(picture.Decode(tiffCut.data(), tiffCut.size(), keFileTypeTIFF));
  EXPECT_EQ(keErrFileRead, picture.GetLastErrorCode());
  EXPECT_EQ("TIFF: TIFFFillStrip: Read error at scanline 4294967295; got 1 bytes, expected 12", picture.GetLastError());
  EXPECT_FALSE(picture.IsDamaged());
}

// ---- JPEG ----------------------------------------------------------------------------------

// A JPEG of noise written by the product's writer: its headers (about 600
// bytes) are a small part of it, so a cut lands in the pixel data.
Bytes JpegOfSomeKilobytes(int width, int height) {
  const CImageBuffer noise = MakePicture(width, height, [](int x, int y, std::uint8_t* p) {
    const std::uint32_t v = ((std::uint32_t(x) * 73856093u) ^ (std::uint32_t(y) * 19349663u)) * 2654435761u;
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
  });
  const Bytes jpeg = picturetest::WrittenBy(noise, PictureFormat::kJpeg, "noise.jpg", 90);
  EXPECT_GT(jpeg.size(), 3000u);
  return jpeg;
}

// Cut to two fifths: libjpeg decodes the rows before the cut as in the whole
// file and fills the rest with mid grey.
TEST(CutJpegTest, DecodesWhatIsThereTheRestGreyAndSaysSo) {
  const Bytes whole = JpegOfSomeKilobytes(64, 64);
  const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() * 2 / 5));

  CPicture full;
  ASSERT_TRUE(full.Decode(whole.data(), whole.size(), keFileTypeJPEG)) << full.GetLastError();
  EXPECT_FALSE(full.IsDamaged());
  EXPECT_EQ("", full.GetDamage());

  CPicture picture;
  ASSERT_TRUE(picture.Decode(cut.data(), cut.size(), keFileTypeJPEG)) << picture.GetLastError();
  ASSERT_EQ(64u, picture.GetWidth());
  ASSERT_EQ(64u, picture.GetHeight());
  EXPECT_TRUE(picture.IsDamaged());
  EXPECT_EQ("JPEG: Premature end of JPEG file", picture.GetDamage());
  for (unsigned y = 0; y < 8; ++y) {
    for (unsigned x = 0; x < 64; ++x) ASSERT_EQ(RgbAt(full, x, y), RgbAt(picture, x, y)) << x << "," << y;
  }
  for (unsigned x = 0; x < 64; ++x) EXPECT_EQ(0x808080u, RgbAt(picture, x, 63)) << x;
}

// The template loader hands the reason on with the buffer; the plug-in's
// two-argument call gets the same buffer.
TEST(CutJpegTest, TemplateLoaderReportsTheDamageWithTheBuffer) {
  TempDir dir;
  const Bytes whole = JpegOfSomeKilobytes(64, 48);
  const std::string wholePath = dir.File("whole.jpg");
  const std::string cutPath = dir.File("cut.jpg");
  picturetest::WriteFile(wholePath, whole);
  picturetest::WriteFile(cutPath, Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2)));

  std::string error, damage = "left over";
  const CImageBuffer fromWhole = LoadTemplateBuffer(wholePath, &error, &damage);
  ASSERT_FALSE(fromWhole.IsEmpty()) << error;
  EXPECT_EQ("", damage);

  const CImageBuffer fromCut = LoadTemplateBuffer(cutPath, &error, &damage);
  ASSERT_FALSE(fromCut.IsEmpty()) << error;
  EXPECT_EQ(64, fromCut.Width());
  EXPECT_EQ(48, fromCut.Height());
  EXPECT_EQ("JPEG: Premature end of JPEG file", damage);
  EXPECT_TRUE(SamePixels(fromCut, LoadTemplateBuffer(cutPath, &error)));
}

}  // namespace
