// Hostile and broken files: each is named after its fault and must answer
// false with the error code and text of that fault - no crash, no hang, no
// absurd allocation (this table also runs under AddressSanitizer).  The
// exact error shows which check refused the file: a bomb refused by the size
// limit instead of its own guard would pass a looser test unnoticed.  A sweep over every prefix of
// good files covers truncation at each structure boundary.

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "imagefiles/FileType.h"
#include "imagefiles/Picture.h"
#include "tests/imagefiles/PictureTestSupport.h"

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
using picturetest::MakeBmp;

// ---- builders for the broken files ------------------------------------------------

// A GIF89a with a 2-colour global table and one frame of `width` x `height`
// whose LZW data (minimum code size 2) is `lzw` in one sub-block.
Bytes Gif(unsigned screenW, unsigned screenH, unsigned width, unsigned height, const Bytes& lzw) {
  Bytes b;
  Append(&b, "GIF89a");
  Le16(&b, screenW);                      // logical screen width
  Le16(&b, screenH);                      // logical screen height
  b.push_back(0x80);                      // global table of 2 entries
  b.push_back(0);                         // background index
  b.push_back(0);                         // aspect
  Append(&b, Bytes{0, 0, 0, 255, 255, 255});  // black, white
  b.push_back(0x2C);                      // image descriptor
  Le16(&b, 0);                            // left
  Le16(&b, 0);                            // top
  Le16(&b, width);
  Le16(&b, height);
  b.push_back(0);                         // no local table, not interlaced
  b.push_back(2);                         // LZW minimum code size
  b.push_back(static_cast<std::uint8_t>(lzw.size()));  // one sub-block
  Append(&b, lzw);
  b.push_back(0);                         // block terminator
  b.push_back(0x3B);                      // trailer
  return b;
}

// An 18-byte TGA header of an uncompressed or RLE 24-bit picture.
Bytes TgaHeader(unsigned imageType, unsigned width, unsigned height) {
  Bytes b = {0, 0, static_cast<std::uint8_t>(imageType),  // id length, no colour map, type
             0, 0, 0, 0, 0,                               // colour map fields
             0, 0, 0, 0};                                 // x and y origin
  Le16(&b, width);
  Le16(&b, height);
  b.push_back(24);    // depth
  b.push_back(0x20);  // top-down
  return b;
}

// A 128-byte PCX header: 8 bits in one plane, RLE.
Bytes PcxHeader(unsigned xMax, unsigned yMax, unsigned bytesPerLine, unsigned xMin = 0) {
  Bytes b = {0x0A, 5, 1, 8};  // manufacturer, version, RLE, bits per plane
  Le16(&b, xMin);
  Le16(&b, 0);                // yMin
  Le16(&b, xMax);
  Le16(&b, yMax);
  b.resize(65, 0);            // resolution, EGA palette, reserved
  b.push_back(1);             // planes
  Le16(&b, bytesPerLine);
  b.resize(128, 0);
  return b;
}

// A Sun raster header (8 bits, no colour map).
Bytes RasHeader(std::uint32_t width, std::uint32_t height, std::uint32_t type) {
  Bytes b;
  Be32(&b, 0x59A66A95);  // magic
  Be32(&b, width);
  Be32(&b, height);
  Be32(&b, 8);           // depth
  Be32(&b, 0);           // length
  Be32(&b, type);
  Be32(&b, 0);           // no colour map
  Be32(&b, 0);           // map length
  return b;
}

Bytes Text(const char* text) {
  Bytes b;
  Append(&b, text);
  return b;
}

Bytes Cat(Bytes a, const Bytes& b) {
  Append(&a, b);
  return a;
}

// ---- the table ------------------------------------------------------------------------


const Bytes kGoodBmp = MakeBmp(3, 2, 24, {}, Bytes(24, 0x55));

std::vector<HostileFile> HostileFiles() {
  std::vector<HostileFile> t;
  // BMP
  t.push_back({"bmp_truncated_in_file_header", keFileTypeBMP, Truncated(kGoodBmp, 10),
               keErrFileRead, "BMP: truncated file header"});
  t.push_back({"bmp_truncated_in_info_header", keFileTypeBMP, Truncated(kGoodBmp, 14 + 20),
               keErrFileRead, "BMP: truncated header"});
  t.push_back({"bmp_truncated_in_colour_table", keFileTypeBMP,
               Truncated(MakeBmp(2, 2, 8, std::vector<std::uint32_t>(200, 0x123456), Bytes(8, 0)), 14 + 40 + 100),
               keErrFileRead, "BMP: truncated colour table"});
  t.push_back({"bmp_truncated_in_pixels", keFileTypeBMP, Truncated(kGoodBmp, kGoodBmp.size() - 8),
               keErrFileRead, "BMP: truncated pixel data"});
  t.push_back({"bmp_zero_width", keFileTypeBMP, MakeBmp(0, 2, 24, {}, Bytes(8, 0)),
               keErrNoData, "BMP: width and height must be greater than zero"});
  // Found by fuzzing: a huge RLE8 picture whose few bytes only skip rows took
  // seconds to decode and gigabytes to hold.  8000 x 8000 is within the size
  // limits: only the run-length plausibility test refuses it.
  t.push_back({"bmp_rle8_bomb", keFileTypeBMP, MakeBmp(8000, 8000, 8, {0, 0xFFFFFF}, {0, 2, 100, 100, 0, 1}, 1),
               keErrFileRead, "BMP: picture larger than its RLE data can plausibly fill"});
  t.push_back({"bmp_width_2_pow_31", keFileTypeBMP, MakeBmp(INT32_MIN, 1, 24, {}, Bytes(8, 0)),
               keErrNoData, "BMP: width and height must be greater than zero"});
  t.push_back({"bmp_height_2_pow_31", keFileTypeBMP, MakeBmp(1, INT32_MIN, 24, {}, Bytes(8, 0)),
               keErrOutOfMemory, "PICTURE_MAX_MEMORY exceeded"});
  t.push_back({"bmp_dimensions_past_the_memory_limit", keFileTypeBMP, MakeBmp(1000000, 1000000, 24, {}, Bytes(8, 0)),
               keErrOutOfMemory, "PICTURE_MAX_MEMORY exceeded"});
  t.push_back({"bmp_colour_table_larger_than_bit_count", keFileTypeBMP,
               MakeBmp(2, 2, 1, std::vector<std::uint32_t>(3, 0), Bytes(8, 0)),
               keErrNoData, "BMP: colour table larger than the bit count allows"});
  t.push_back({"bmp_unknown_compression", keFileTypeBMP, MakeBmp(2, 2, 24, {}, Bytes(16, 0), 9),
               keErrNoData, "BMP: unsupported compression 9"});
  t.push_back({"bmp_rle_data_past_the_last_row", keFileTypeBMP,
               MakeBmp(2, 1, 8, {0, 0xFFFFFF}, {2, 1, 0, 0, 2, 1, 0, 1}, 1),
               keErrNoData, "BMP: RLE data past the last row"});
  t.push_back({"bmp_rle_delta_past_the_picture", keFileTypeBMP,
               MakeBmp(2, 2, 8, {0, 0xFFFFFF}, {0, 2, 5, 0, 0, 1}, 1), keErrNoData, "BMP: RLE delta past the picture"});
  t.push_back({"bmp_rle_without_end_of_bitmap", keFileTypeBMP, MakeBmp(2, 2, 8, {0, 0xFFFFFF}, {2, 1, 0, 0}, 1),
               keErrFileRead, "BMP: RLE data ends before the end-of-bitmap code"});
  t.push_back({"bmp_rle_literal_run_past_the_data", keFileTypeBMP,
               MakeBmp(200, 1, 8, {0, 0xFFFFFF}, {0, 200, 1, 1, 1}, 1),
               keErrFileRead, "BMP: RLE data ends inside a literal run"});
  // GIF, minimum code size 2: 3-bit codes, 4 is clear, 5 end, the first free
  // entry 6.  Codes are packed from the low bit: 0x44 0x01 is clear, 0, end.
  t.push_back({"gif_truncated_in_header", keFileTypeGIF, Truncated(Gif(1, 1, 1, 1, {0x44, 0x01}), 9),
               keErrFileRead, "GIF: truncated header"});
  t.push_back({"gif_truncated_in_global_table", keFileTypeGIF, Truncated(Gif(1, 1, 1, 1, {0x44, 0x01}), 16),
               keErrFileRead, "GIF: truncated global colour table"});
  t.push_back({"gif_truncated_in_image_descriptor", keFileTypeGIF, Truncated(Gif(1, 1, 1, 1, {0x44, 0x01}), 24),
               keErrFileRead, "GIF: truncated before the first frame"});
  t.push_back({"gif_truncated_in_image_data", keFileTypeGIF, Truncated(Gif(4, 4, 4, 4, {0x84, 0x00}), 32),
               keErrFileRead, "GIF: truncated image data"});
  t.push_back({"gif_zero_width_frame", keFileTypeGIF, Gif(1, 1, 0, 1, {0x44, 0x01}),
               keErrNoData, "GIF: width and height must be greater than zero"});
  // Clear, 1, then 7 while 6 is the next free entry.
  t.push_back({"gif_lzw_code_past_the_table", keFileTypeGIF, Gif(2, 2, 2, 2, {0xCC, 0x01}),
               keErrNoData, "GIF: LZW code past the table"});
  t.push_back({"gif_lzw_end_before_the_last_pixel", keFileTypeGIF, Gif(2, 2, 2, 2, {0x44, 0x0A}),
               keErrFileRead, "GIF: image data ends early"});
  t.push_back({"gif_frame_bomb", keFileTypeGIF, Gif(65535, 65535, 65535, 65535, {0x44, 0x01}),
               keErrFileRead, "GIF: frame larger than its data can fill"});
  t.push_back({"gif_logical_screen_bomb", keFileTypeGIF, Gif(65535, 65535, 1, 1, {0x44, 0x01}),
               keErrFileRead, "GIF: logical screen larger than the file can fill"});
  t.push_back({"gif_frame_that_does_not_exist", keFileTypeGIF, Gif(1, 1, 1, 1, {0x44, 0x01}),
               keErrBadArgument, "GIF: frame 3 does not exist", 3});
  // ICO
  t.push_back({"ico_no_entries", keFileTypeICO, {0, 0, 1, 0, 0, 0}, keErrNoData, "ICO: no pictures in the directory"});
  t.push_back({"ico_truncated_directory", keFileTypeICO, {0, 0, 1, 0, 2, 0, 16, 16, 0, 0, 1, 0, 32, 0},
               keErrFileRead, "ICO: truncated directory"});
  {
    Bytes ico = {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0};
    Le32(&ico, 1000);        // bytes in the entry
    Le32(&ico, 0x7FFFFFF0);  // offset far past the file
    t.push_back({"ico_entry_outside_the_file", keFileTypeICO, ico,
                 keErrFileRead, "ICO: picture data outside the file"});
  }
  // TGA
  t.push_back({"tga_truncated_in_header", keFileTypeTGA, Truncated(TgaHeader(2, 2, 2), 12),
               keErrFileRead, "TGA: truncated header"});
  t.push_back({"tga_truncated_in_pixels", keFileTypeTGA, Cat(TgaHeader(2, 2, 2), Bytes(11, 0)),
               keErrFileRead, "TGA: truncated pixel data"});
  t.push_back({"tga_zero_height", keFileTypeTGA, Cat(TgaHeader(2, 2, 0), Bytes(12, 0)),
               keErrNoData, "TGA: not a TGA file: width and height must be greater than zero"});
  t.push_back({"tga_rle_packet_past_the_picture", keFileTypeTGA, Cat(TgaHeader(10, 2, 2), {0x84, 1, 2, 3}),
               keErrNoData, "TGA: run-length packet past the end of the picture"});
  t.push_back({"tga_rle_data_ends_early", keFileTypeTGA, Cat(TgaHeader(10, 2, 2), {0x81, 1, 2, 3}),
               keErrFileRead, "TGA: run-length data ends early"});
  // 8000 x 8000 (192 MB, within the size limits) from one packet of 128 pixels.
  t.push_back({"tga_rle_bomb", keFileTypeTGA, Cat(TgaHeader(10, 8000, 8000), {0xFF, 1, 2, 3}),
               keErrFileRead, "TGA: picture larger than its data can fill"});
  {
    Bytes mapped = {0, 1, 1, 0, 0, 0, 1, 24, 0, 0, 0, 0, 2, 0, 2, 0, 8, 0x20};  // 256-entry map declared
    Append(&mapped, Bytes(30, 0));
    t.push_back({"tga_truncated_in_colour_map", keFileTypeTGA, mapped, keErrFileRead, "TGA: truncated colour map"});
  }
  // PCX
  t.push_back({"pcx_truncated_in_header", keFileTypePCX, Truncated(PcxHeader(1, 1, 2), 100),
               keErrFileRead, "PCX: truncated header"});
  t.push_back({"pcx_max_below_min", keFileTypePCX, Cat(PcxHeader(2, 0, 2, 5), Bytes(4, 0)),
               keErrNoData, "PCX: width and height must be greater than zero"});
  t.push_back({"pcx_bytes_per_line_shorter_than_width", keFileTypePCX, Cat(PcxHeader(9, 0, 4), Bytes(10, 0)),
               keErrNoData, "PCX: scan line shorter than the width"});
  t.push_back({"pcx_pixel_data_ends_early", keFileTypePCX, Cat(PcxHeader(3, 3, 4), {0xC4, 7, 0xC4}),
               keErrFileRead, "PCX: pixel data ends inside a run"});
  // 16000 x 16000 (256 MB, within the size limits) from one run of 63 bytes.
  t.push_back({"pcx_rle_bomb", keFileTypePCX, Cat(PcxHeader(15999, 15999, 16000), {0xFF, 1}),
               keErrFileRead, "PCX: picture larger than its data can fill"});
  // WBMP
  t.push_back({"wbmp_truncated_in_header", keFileTypeWBMP, {0, 0, 0x81}, keErrFileRead, "WBMP: truncated header"});
  t.push_back({"wbmp_zero_width", keFileTypeWBMP, {0, 0, 0, 1, 0},
               keErrNoData, "WBMP: width and height must be greater than zero"});
  t.push_back({"wbmp_width_overflows_the_field", keFileTypeWBMP, {0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 1, 0},
               keErrNoData, "WBMP: width or height longer than 4 bytes"});
  t.push_back({"wbmp_truncated_in_pixels", keFileTypeWBMP, {0, 0, 16, 2, 0xFF, 0xFF, 0xFF},
               keErrFileRead, "WBMP: truncated pixel data"});
  t.push_back({"wbmp_dimensions_past_the_data", keFileTypeWBMP, {0, 0, 0x8F, 0xFF, 0x7F, 0x8F, 0xFF, 0x7F, 0},
               keErrFileRead, "WBMP: truncated pixel data"});
  // PNM
  t.push_back({"pnm_truncated_in_header", keFileTypePNM, Text("P6\n3 "), keErrFileRead, "PNM: truncated header"});
  t.push_back({"pnm_truncated_in_pixels", keFileTypePNM, Text("P6\n2 2\n255\nabcdefghij"),
               keErrFileRead, "PNM: truncated pixel data"});
  t.push_back({"pnm_zero_width", keFileTypePNM, Text("P5\n0 2\n255\nab"),
               keErrNoData, "PNM: width and height must be greater than zero"});
  t.push_back({"pnm_maximum_zero", keFileTypePNM, Text("P5\n1 1\n0\na"),
               keErrNoData, "PNM: sample maximum must be 1 to 65535"});
  t.push_back({"pnm_maximum_past_65535", keFileTypePNM, Text("P5\n1 1\n65536\naa"),
               keErrNoData, "PNM: sample maximum must be 1 to 65535"});
  t.push_back({"pnm_number_with_too_many_digits", keFileTypePNM, Text("P5\n99999999999 1\n255\na"),
               keErrNoData, "PNM: bad header"});
  t.push_back({"pnm_dimensions_past_the_data", keFileTypePNM, Text("P6\n60000 60000\n255\nabc"),
               keErrFileRead, "PNM: truncated pixel data"});
  t.push_back({"pnm_text_sample_missing", keFileTypePNM, Text("P2\n2 1\n255\n7 "),
               keErrNoData, "PNM: bad or missing sample"});
  t.push_back({"pnm_bitmap_sample_not_a_bit", keFileTypePNM, Text("P1\n2 1\n0 7\n"),
               keErrNoData, "PNM: bad or missing sample"});
  // PGX
  t.push_back({"pgx_truncated_in_header", keFileTypePGX, Text("PG ML + 8 2"), keErrFileRead, "PGX: truncated header"});
  t.push_back({"pgx_truncated_in_pixels", keFileTypePGX, Text("PG ML + 8 2 2\nabc"),
               keErrFileRead, "PGX: truncated pixel data"});
  t.push_back({"pgx_depth_zero", keFileTypePGX, Text("PG ML + 0 1 1\na"),
               keErrNoData, "PGX: bit depth must be 1 to 32"});
  t.push_back({"pgx_bad_byte_order", keFileTypePGX, Text("PG XY + 8 1 1\na"), keErrNoData, "PGX: bad byte order"});
  // Sun raster
  t.push_back({"ras_truncated_in_header", keFileTypeRAS, Truncated(RasHeader(1, 1, 1), 20),
               keErrFileRead, "RAS: truncated header"});
  t.push_back({"ras_truncated_in_pixels", keFileTypeRAS, Cat(RasHeader(4, 4, 1), Bytes(10, 0)),
               keErrFileRead, "RAS: truncated pixel data"});
  t.push_back({"ras_zero_width", keFileTypeRAS, Cat(RasHeader(0, 4, 1), Bytes(10, 0)),
               keErrNoData, "RAS: width and height must be greater than zero"});
  t.push_back({"ras_width_2_pow_31", keFileTypeRAS, Cat(RasHeader(0x80000000u, 1, 1), Bytes(10, 0)),
               keErrFileRead, "RAS: truncated pixel data"});
  t.push_back({"ras_rle_run_past_the_picture", keFileTypeRAS, Cat(RasHeader(2, 2, 2), {0x80, 10, 7}),
               keErrNoData, "RAS: run past the end of the picture"});
  t.push_back({"ras_rle_data_ends_early", keFileTypeRAS, Cat(RasHeader(2, 2, 2), {0x80, 1}),
               keErrFileRead, "RAS: run-length data ends early"});
  // 8000 x 8000 (64 MB, within the size limits) from one run of 256 bytes.
  t.push_back({"ras_rle_bomb", keFileTypeRAS, Cat(RasHeader(8000, 8000, 2), {0x80, 255, 1}),
               keErrFileRead, "RAS: picture larger than its data can fill"});
  {
    Bytes b = RasHeader(1, 1, 1);
    b[27] = 1;                      // RGB colour map ...
    b[30] = 0x02;                   // ... of 255 entries: 765 bytes
    b[31] = 0xFD;
    Append(&b, Bytes(100, 0));      // ... but 100 bytes present
    t.push_back({"ras_truncated_in_colour_map", keFileTypeRAS, b, keErrFileRead, "RAS: truncated colour map"});
  }
  return t;
}

// Inputs the fuzz targets (fuzz/) found, kept byte for byte as they were
// found and named after their fault.
std::vector<HostileFile> FuzzFindings() {
  std::vector<HostileFile> t;
  // FuzzBmp: an RLE4 DIB of 2 x 100,663,808 pixels in 227 bytes; the reader
  // allocated a 400 MB picture before reading its run-length data (13 s
  // per input under the fuzzer).
  t.push_back({"fuzz_bmp_rle4_height_100m_bomb", keFileTypeBMP, Bytes{
      0x42, 0x4D, 0x4C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3E, 0x00, 0x00, 0x00, 0x28, 0x00,
      0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x06, 0x01, 0x00, 0x04, 0x00, 0x02, 0x00,
      0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x3A, 0x6F, 0x31, 0x39, 0x67, 0xCA, 0xBE, 0x5E, 0x48, 0x42, 0x4D,
      0x9A, 0x04, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80,
      0x00, 0x00, 0xED, 0x00, 0x00, 0x00, 0x00, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80,
      0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80,
      0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80,
      0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80,
      0x80, 0x80, 0x80, 0x80, 0x80, 0x9A, 0x04, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80,
      0x80, 0x80, 0x80, 0x80, 0x80, 0x00, 0x00, 0xED, 0x00, 0x00, 0x00, 0x00, 0x80, 0x80, 0x80, 0x80,
      0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80,
      0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80,
      0x00, 0x0C, 0x00, 0x00, 0x00, 0x18, 0x00, 0x10, 0x00, 0x01, 0x00, 0x18, 0x00, 0x54, 0x66, 0x3A,
      0x30, 0x2B, 0x3A}, keErrFileRead, "BMP: picture larger than its RLE data can plausibly fill"});
  return t;
}

TEST_P(HostileFileTest, AnswersFalseWithItsError) {
  const HostileFile& h = GetParam();
  ASSERT_NE(nullptr, h.error);
  CPicture picture(h.frame);
  EXPECT_FALSE(picture.Decode(h.bytes.data(), h.bytes.size(), h.type));
  EXPECT_EQ(h.code, picture.GetLastErrorCode());
  EXPECT_EQ(h.error, picture.GetLastError());
  EXPECT_EQ(0u, picture.GetWidth());
  EXPECT_EQ(nullptr, picture.GetDIB());
  if (picture.Decode(h.bytes.data(), h.bytes.size(), keFileTypeUnknown)) {
    EXPECT_GT(picture.GetWidth(), 0u);
    EXPECT_NE(nullptr, picture.GetBits(picture.GetHeight() - 1));
  } else {
    EXPECT_EQ("Decode: Unknown or wrong format", picture.GetLastError());
  }
}

INSTANTIATE_TEST_SUITE_P(OwnReaders, HostileFileTest, ::testing::ValuesIn(HostileFiles()), HostileFileName);
INSTANTIATE_TEST_SUITE_P(FuzzFindings, HostileFileTest, ::testing::ValuesIn(FuzzFindings()), HostileFileName);

// Every prefix of small good files: a decoder must either refuse it with a
// text or give a whole picture - never read past the bytes it was given.
TEST(PictureTruncationSweepTest, EveryPrefixIsRefusedOrWhole) {
  struct Good {
    const char* name;
    int type;
    Bytes bytes;
  };
  Bytes pnm;
  Append(&pnm, "P6\n2 2\n255\n");
  Append(&pnm, Bytes(12, 0x33));
  const Good goods[] = {
      {"bmp", keFileTypeBMP, kGoodBmp},
      {"bmp_rle8", keFileTypeBMP, MakeBmp(2, 2, 8, {0, 0xFFFFFF}, {2, 1, 0, 0, 0, 2, 1, 0, 0, 1}, 1)},
      {"gif", keFileTypeGIF, Gif(2, 2, 2, 1, {0x44, 0x0A})},
      {"tga_rle", keFileTypeTGA, Cat(TgaHeader(10, 2, 2), {0x83, 1, 2, 3})},
      {"pcx", keFileTypePCX, Cat(PcxHeader(1, 1, 2), {0xC4, 7})},
      {"pnm", keFileTypePNM, pnm},
      {"ras_rle", keFileTypeRAS, Cat(RasHeader(2, 2, 2), {0x80, 3, 7})},
  };
  for (const Good& g : goods) {
    SCOPED_TRACE(g.name);
    picturetest::ExpectEveryPrefixDecodesOrFails(g.bytes, g.type);
  }
}

}  // namespace
