// Hostile and broken files for the library-backed decoders, each named after
// its fault: they must answer false with an error text - no crash, no hang,
// nothing printed, no absurd allocation (this also runs under
// AddressSanitizer).  Every prefix of small good files is refused or decodes
// whole.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "imagefiles/FileType.h"
#include "imagefiles/Picture.h"
#include "tests/imagefiles/LibraryTestSupport.h"
#include "tests/support/ImageMagick.h"
#include "tests/support/TempDir.h"

namespace {

using picturetest::Append;
using picturetest::Be32;
using picturetest::Bytes;
using picturetest::HostileFile;
using picturetest::HostileFileName;
using picturetest::HostileFileTest;
using picturetest::Le16;
using picturetest::Le32;
using picturetest::Truncated;
using picturetest::MakePng;

void Be16(Bytes* b, unsigned v) {
  b->push_back(static_cast<std::uint8_t>(v >> 8));
  b->push_back(static_cast<std::uint8_t>(v));
}

// ---- JPEG pieces ---------------------------------------------------------------------------

// SOI, then a frame header (SOF0, or `sofMarker`) of one 8-bit component.
Bytes JpegFrame(unsigned width, unsigned height, unsigned sofMarker = 0xC0) {
  Bytes b = {0xFF, 0xD8};                                        // SOI
  Append(&b, Bytes{0xFF, static_cast<std::uint8_t>(sofMarker)});  // SOFn
  Be16(&b, 11);                                                  // length
  b.push_back(8);                                                // precision
  Be16(&b, height);
  Be16(&b, width);
  Append(&b, Bytes{1, 1, 0x11, 0});                              // one component: id 1, 1x1, table 0
  return b;
}

// A quantisation table 0 of all ones.
Bytes JpegDqt() {
  Bytes b = {0xFF, 0xDB};
  Be16(&b, 67);
  b.push_back(0);  // 8-bit table 0
  b.insert(b.end(), 64, 1);
  return b;
}

// SOS for the one component; DC only (Ss 0, Se 0) when `dcOnly`.
Bytes JpegSos(bool dcOnly = false) {
  return {0xFF, 0xDA, 0x00, 0x08, 1, 1, 0x00, 0, static_cast<std::uint8_t>(dcOnly ? 0 : 63), 0};
}

// An arithmetic-coded progressive file (no Huffman tables needed) with
// `scans` DC scans one after the other.
Bytes JpegManyScans(int scans) {
  Bytes file = JpegFrame(8, 8, 0xCA);  // SOF10: progressive, arithmetic
  Append(&file, JpegDqt());
  for (int i = 0; i < scans; ++i) {
    Append(&file, JpegSos(true));
    Append(&file, Bytes{0, 0});  // entropy-coded bytes
  }
  Append(&file, Bytes{0xFF, 0xD9});
  return file;
}

// ---- TIFF pieces -----------------------------------------------------------------------------

// A little-endian TIFF of one grey strip: header, IFD0 at 8 whose next
// pointer is `next`, then the pixels.
Bytes GreyTiff(std::uint32_t width, std::uint32_t height, std::uint32_t next = 0, std::uint32_t stripOffset = 0) {
  const unsigned entries = 9;
  const std::uint32_t pixelsAt = 8 + 2 + 12 * entries + 4;
  Bytes b = {'I', 'I', 42, 0};
  Le32(&b, 8);  // IFD0
  Le16(&b, entries);
  auto entry = [&](unsigned tag, unsigned type, std::uint32_t value) {
    Le16(&b, tag);
    Le16(&b, type);
    Le32(&b, 1);  // count
    if (type == 3) {
      Le16(&b, value);
      Le16(&b, 0);
    } else {
      Le32(&b, value);
    }
  };
  entry(256, 4, width);                                      // ImageWidth
  entry(257, 4, height);                                     // ImageLength
  entry(258, 3, 8);                                          // BitsPerSample
  entry(259, 3, 1);                                          // Compression: none
  entry(262, 3, 1);                                          // Photometric: black is zero
  entry(273, 4, stripOffset != 0 ? stripOffset : pixelsAt);  // StripOffsets
  entry(277, 3, 1);                                          // SamplesPerPixel
  entry(278, 4, height);                                     // RowsPerStrip
  entry(279, 4, width * height);                             // StripByteCounts
  Le32(&b, next);                                            // next IFD
  for (std::uint32_t i = 0; i < 16 && i < width * height; ++i) b.push_back(static_cast<std::uint8_t>(i * 16));
  return b;
}

// ---- JPEG-2000 pieces ----------------------------------------------------------------------

// A J2K main header for one 8-bit grey component of `width` x `height` in one
// tile, up to the first tile-part header.
Bytes J2kHeader(std::uint32_t width, std::uint32_t height) {
  Bytes b = {0xFF, 0x4F, 0xFF, 0x51};  // SOC, SIZ
  Be16(&b, 41);                        // Lsiz
  Be16(&b, 0);                         // Rsiz
  Be32(&b, width);                     // Xsiz
  Be32(&b, height);                    // Ysiz
  Be32(&b, 0);                         // XOsiz
  Be32(&b, 0);                         // YOsiz
  Be32(&b, width);                     // XTsiz
  Be32(&b, height);                    // YTsiz
  Be32(&b, 0);                         // XTOsiz
  Be32(&b, 0);                         // YTOsiz
  Be16(&b, 1);                         // Csiz
  Append(&b, Bytes{7, 1, 1});          // 8 bits unsigned, no subsampling
  Append(&b, Bytes{0xFF, 0x52, 0, 12,  // COD
                   0, 0, 0, 1, 0,      // Scod, progression, layers 1, no MCT
                   5, 4, 4, 0, 1});    // 5 levels, 64x64 code blocks, style, 5/3 wavelet
  Append(&b, Bytes{0xFF, 0x5C, 0, 19, 0x40});  // QCD: no quantisation, 2 guard bits
  b.insert(b.end(), 16, 0x40);                  // exponents of the 16 subbands
  Append(&b, Bytes{0xFF, 0x90, 0, 10, 0, 0, 0, 0, 0, 0, 0, 1});  // SOT: tile 0, Psot 0 (to the end)
  return b;
}

const Bytes kJp2Signature = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};

// ---- the table ------------------------------------------------------------------------------


std::vector<HostileFile> HostileFiles() {
  const Bytes goodPng = MakePng(2, 2, 8, 0, {0, 1, 2, 0, 3, 4});
  std::vector<HostileFile> t;
  // PNG
  t.push_back({"png_truncated_in_signature", keFileTypePNG, Truncated(goodPng, 5), keErrNoData, "PNG: not a PNG file"});
  t.push_back({"png_truncated_in_ihdr", keFileTypePNG, Truncated(goodPng, 20),
               keErrFileRead, "PNG: the file ends early"});
  t.push_back({"png_truncated_before_idat", keFileTypePNG, Truncated(goodPng, 33),
               keErrFileRead, "PNG: the file ends early"});
  {
    Bytes bad = goodPng;
    bad[29] ^= 0xFF;  // IHDR CRC
    t.push_back({"png_ihdr_crc_wrong", keFileTypePNG, bad, keErrNoData, "PNG: IHDR: CRC error"});
  }
  t.push_back({"png_zero_width", keFileTypePNG, MakePng(0, 2, 8, 0, {0, 0}), keErrNoData, "PNG: Invalid IHDR data"});
  t.push_back({"png_bit_depth_3", keFileTypePNG, MakePng(2, 1, 3, 0, {0, 0}), keErrNoData, "PNG: Invalid IHDR data"});
  t.push_back({"png_palette_missing", keFileTypePNG, MakePng(2, 1, 8, 3, {0, 0, 0}),
               keErrNoData, "PNG: IDAT: Missing PLTE before IDAT"});
  t.push_back({"png_width_2_pow_31", keFileTypePNG, MakePng(0x80000000u, 1, 8, 0, {0, 0}),
               keErrNoData, "PNG: PNG unsigned integer out of range"});
  t.push_back({"png_decompression_bomb_60000_square", keFileTypePNG, MakePng(60000, 60000, 8, 2, Bytes(4096, 0)),
               keErrOutOfMemory, "PICTURE_MAX_MEMORY exceeded"});
  // Declares 12000 x 12000 grey (144 MB) but holds one row.
  t.push_back({"png_declared_size_far_beyond_the_data", keFileTypePNG, MakePng(12000, 12000, 8, 0, Bytes(12001, 0)),
               keErrFileRead, "PNG: Not enough image data"});
  // JPEG
  t.push_back({"jpeg_soi_only", keFileTypeJPEG, {0xFF, 0xD8},
               keErrFileRead, "JPEG: the file ends after its start marker"});
  t.push_back({"jpeg_truncated_in_quantisation_table", keFileTypeJPEG,
               Truncated(Bytes{0xFF, 0xD8, 0xFF, 0xDB, 0, 67, 0, 1, 1}, 9), keErrFileRead,
               "JPEG: JPEG datastream contains no image"});
  t.push_back({"jpeg_no_frame_header", keFileTypeJPEG, [] {
                 Bytes b = {0xFF, 0xD8};
                 Append(&b, JpegDqt());
                 Append(&b, JpegSos());
                 return b;
               }(), keErrNoData, "JPEG: Invalid JPEG file structure: SOS before SOF"});
  t.push_back({"jpeg_zero_height", keFileTypeJPEG, [] {
                 Bytes b = JpegFrame(8, 0);
                 Append(&b, JpegDqt());
                 Append(&b, JpegSos());
                 return b;
               }(), keErrNoData, "JPEG: Empty JPEG image (DNL not supported)"});
  t.push_back({"jpeg_quantisation_table_missing", keFileTypeJPEG, [] {
                 Bytes b = JpegFrame(8, 8, 0xC9);  // arithmetic: no Huffman tables needed
                 Append(&b, JpegSos());
                 Append(&b, Bytes(8, 0));
                 return b;
               }(), keErrNoData, "JPEG: Quantization table 0x00 was not defined"});
  t.push_back({"jpeg_frame_65500_square", keFileTypeJPEG, [] {
                 Bytes b = JpegFrame(65500, 65500);
                 Append(&b, JpegDqt());
                 Append(&b, JpegSos());
                 return b;
               }(), keErrFileRead, "JPEG: the declared size is out of all proportion to the file"});
  t.push_back({"jpeg_sparse_bomb_8192_square", keFileTypeJPEG, [] {
                 Bytes b = JpegFrame(8192, 8192, 0xC9);
                 Append(&b, JpegDqt());
                 Append(&b, JpegSos());
                 return b;
               }(), keErrFileRead, "JPEG: the declared size is out of all proportion to the file"});
  t.push_back({"jpeg_600_scans", keFileTypeJPEG, JpegManyScans(600), keErrNoData, "JPEG: more than 500 scans"});
  // TIFF
  t.push_back({"tiff_truncated_in_header", keFileTypeTIFF, Truncated(GreyTiff(4, 4), 6),
               keErrFileRead, "TIFF: memory: Cannot read TIFF header"});
  t.push_back({"tiff_truncated_in_ifd", keFileTypeTIFF, Truncated(GreyTiff(4, 4), 40),
               keErrFileRead, "TIFF: TIFFFetchDirectory: memory: Can not read TIFF directory"});
  {
    Bytes b = GreyTiff(4, 4);
    b[4] = 0xF0;  // IFD0 offset far past the end
    b[7] = 0x7F;
    t.push_back({"tiff_ifd0_past_the_end", keFileTypeTIFF, b,
                 keErrFileRead, "TIFF: TIFFFetchDirectory: memory: Can not read TIFF directory count"});
  }
  t.push_back({"tiff_zero_width", keFileTypeTIFF, GreyTiff(0, 4),
               keErrNoData, "TIFF: TIFFScanlineSize64: Computed scanline size is zero"});
  t.push_back({"tiff_100000_square", keFileTypeTIFF, GreyTiff(100000, 100000),
               keErrOutOfMemory, "PICTURE_MAX_MEMORY exceeded"});
  t.push_back({"tiff_strip_past_the_end", keFileTypeTIFF, GreyTiff(4, 4, 0, 0x7FFFFFF0),
               keErrFileRead, "TIFF: TIFFFillStrip: Read error at scanline 4294967295; got 0 bytes, expected 16"});
  t.push_back({"tiff_ifd_loop_second_frame", keFileTypeTIFF, GreyTiff(4, 4, 8),
               keErrBadArgument, "TIFF: frame 1 does not exist", 1});
  t.push_back({"tiff_frame_that_does_not_exist", keFileTypeTIFF, GreyTiff(4, 4),
               keErrBadArgument, "TIFF: frame 5 does not exist", 5});
  // JPEG-2000
  t.push_back({"jp2_signature_only", keFileTypeJP2, kJp2Signature, keErrFileRead, "JP2: JP2H box missing. Required."});
  // OpenJPEG sees the box reach past the file before reading it, and calls
  // the box invalid rather than the file short.
  t.push_back({"jp2_truncated_in_file_type_box", keFileTypeJP2, [] {
                 Bytes b = kJp2Signature;
                 Append(&b, Bytes{0, 0, 0, 20, 'f', 't', 'y', 'p', 'j', 'p'});
                 return b;
               }(), keErrNoData, "JP2: Invalid box size 20 for box 'ftyp'. Need 12 bytes, 2 bytes remaining"});
  t.push_back({"j2k_truncated_in_siz", keFileTypeJPC, Truncated(J2kHeader(8, 8), 20),
               keErrFileRead, "JPC: Stream too short"});
  t.push_back({"j2k_zero_width", keFileTypeJPC, J2kHeader(0, 8),
               keErrNoData, "JPC: Error with SIZ marker: negative or zero image size (0 x 8)"});
  t.push_back({"j2k_60000_square", keFileTypeJPC, J2kHeader(60000, 60000),
               keErrOutOfMemory, "PICTURE_MAX_MEMORY exceeded"});
  return t;
}

// The test itself is in PictureHostileInputTest.cpp.
INSTANTIATE_TEST_SUITE_P(LibraryReaders, HostileFileTest, ::testing::ValuesIn(HostileFiles()), HostileFileName);

// A loop in the IFD chain does not stop the first directory from decoding,
// and counting the frames ends.
TEST(LibraryIfdLoopTest, TiffStillDecodesTheFirstFrame) {
  const Bytes loop = GreyTiff(4, 4, 8);
  CPicture picture;
  ASSERT_TRUE(picture.Decode(loop.data(), loop.size(), keFileTypeTIFF)) << picture.GetLastError();
  EXPECT_EQ(4u, picture.GetWidth());
  EXPECT_EQ(1, picture.GetNumFrames());
  EXPECT_EQ(0x101010u, picturetest::RgbAt(picture, 1, 0));
}

// ---- every prefix --------------------------------------------------------------------------

TEST(LibraryTruncationSweepTest, EveryPrefixIsRefusedOrWhole) {
  struct Good {
    const char* name;
    int type;
    Bytes bytes;
  };
  const CImageBuffer known = SourcePicture(9, 7);
  std::vector<Good> goods = {
      {"png", keFileTypePNG, picturetest::WrittenBy(known, PictureFormat::kPng, "g.png")},
      {"png_palette_trns", keFileTypePNG,
       MakePng(2, 1, 8, 3, {0, 0, 1}, {{"PLTE", {1, 2, 3, 4, 5, 6}}, {"tRNS", {7}}})},
      {"jpeg", keFileTypeJPEG, picturetest::WrittenBy(known, PictureFormat::kJpeg, "g.jpg")},
      {"tiff", keFileTypeTIFF, picturetest::WrittenBy(known, PictureFormat::kTiff, "g.tif")},
      {"tiff_grey", keFileTypeTIFF, GreyTiff(4, 4)},
  };
  if (imagemagick::Available()) {
    TempDir dir;
    for (const char* format : {"JP2", "J2K"}) {
      const std::string out = dir.File(std::string("g.") + format);
      const std::string command = "convert -size 9x7 gradient:red-blue " + std::string(format) + ":'" + out + "'";
      if (std::system(command.c_str()) == 0) {
        goods.push_back({format, format[1] == 'P' ? keFileTypeJP2 : keFileTypeJPC, picturetest::ReadFile(out)});
      }
    }
  }
  for (const Good& g : goods) {
    SCOPED_TRACE(g.name);
    picturetest::ExpectEveryPrefixDecodesOrFails(g.bytes, g.type);
  }
}

}  // namespace
