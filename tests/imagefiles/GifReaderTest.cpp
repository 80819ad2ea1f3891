// The GIF reader on hand-made files: frames of an animation, transparency,
// local colour tables and frames smaller than the screen.

#include <gtest/gtest.h>

#include <vector>

#include "imagefiles/FileType.h"
#include "imagefiles/Picture.h"
#include "tests/imagefiles/PictureTestSupport.h"

namespace {

using picturetest::AllRgb;
using picturetest::Append;
using picturetest::Bytes;
using picturetest::Le16;

// LZW data (minimum code size 2) of four pixels with indices a, b, c, d:
// clear, the four literals, end - each code 3 bits, packed from the low bit.
// With literals only and 2-bit indices the table never grows past 8 codes
// before the end, so 3 bits stay enough: clear(4) a b (entry 6) c (entry 7)
// d - entry 8 would make codes 4 bits wide, so end is written in 4 bits.
Bytes FourPixels(unsigned a, unsigned b, unsigned c, unsigned d) {
  const unsigned codes[6] = {4, a, b, c, d, 5};
  const unsigned widths[6] = {3, 3, 3, 3, 4, 4};
  Bytes out;
  unsigned long bits = 0;
  int count = 0;
  for (int i = 0; i < 6; ++i) {
    bits |= static_cast<unsigned long>(codes[i]) << count;
    count += static_cast<int>(widths[i]);
  }
  for (; count > 0; count -= 8, bits >>= 8) out.push_back(static_cast<std::uint8_t>(bits & 0xFF));
  return out;
}

// A frame: optional graphic control extension with a transparent index,
// image descriptor at (left, top) of 2 x 2, optional local table.
void AddFrame(Bytes* gif, unsigned left, unsigned top, int transparent, const Bytes& localTable,
              const Bytes& lzw) {
  if (transparent >= 0) {
    Append(gif, Bytes{0x21, 0xF9, 4, 0x01, 0, 0, static_cast<std::uint8_t>(transparent), 0});
  }
  gif->push_back(0x2C);  // image descriptor
  Le16(gif, left);
  Le16(gif, top);
  Le16(gif, 2);          // width
  Le16(gif, 2);          // height
  gif->push_back(localTable.empty() ? 0 : 0x81);  // local table of 4 entries
  Append(gif, localTable);
  gif->push_back(2);  // minimum code size
  gif->push_back(static_cast<std::uint8_t>(lzw.size()));
  Append(gif, lzw);
  gif->push_back(0);
}

Bytes Header(const char* signature, unsigned width, unsigned height, unsigned background) {
  Bytes b;
  Append(&b, signature);
  Le16(&b, width);
  Le16(&b, height);
  b.push_back(0x81);  // global table of 4 entries
  b.push_back(static_cast<std::uint8_t>(background));
  b.push_back(0);
  Append(&b, Bytes{0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255});  // black, red, green, blue
  return b;
}

TEST(GifReaderTest, FrameZeroOfAnAnimationAndOthersBySetFrame) {
  Bytes gif = Header("GIF89a", 2, 2, 0);
  Append(&gif, Bytes{0x21, 0xFF, 11});  // an application extension is skipped
  Append(&gif, "NETSCAPE2.0");
  Append(&gif, Bytes{3, 1, 0, 0, 0});
  AddFrame(&gif, 0, 0, -1, {}, FourPixels(1, 2, 3, 0));
  AddFrame(&gif, 0, 0, -1, {}, FourPixels(3, 3, 2, 2));
  gif.push_back(0x3B);

  CPicture first;
  ASSERT_TRUE(first.Decode(gif.data(), gif.size(), keFileTypeGIF)) << first.GetLastError();
  EXPECT_EQ(2, first.GetNumFrames());
  EXPECT_EQ((std::vector<std::uint32_t>{0xFF0000, 0x00FF00, 0x0000FF, 0x000000}), AllRgb(first));
  CPicture second(1);
  ASSERT_TRUE(second.Decode(gif.data(), gif.size(), keFileTypeGIF)) << second.GetLastError();
  EXPECT_EQ((std::vector<std::uint32_t>{0x0000FF, 0x0000FF, 0x00FF00, 0x00FF00}), AllRgb(second));
  EXPECT_FALSE(first.AlphaIsValid());
}

TEST(GifReaderTest, TransparencyLocalTableAndAFrameSmallerThanTheScreen) {
  // GIF87a signature, 3 x 3 screen, background index 2 (green); the frame
  // of 2 x 2 at (1, 1) with a local table and index 0 transparent.
  Bytes gif = Header("GIF87a", 3, 3, 2);
  AddFrame(&gif, 1, 1, 0, Bytes{9, 9, 9, 10, 20, 30, 40, 50, 60, 70, 80, 90}, FourPixels(0, 1, 2, 3));
  gif.push_back(0x3B);
  CPicture p;
  ASSERT_TRUE(p.Decode(gif.data(), gif.size(), keFileTypeUnknown)) << p.GetLastError();
  ASSERT_EQ(3u, p.GetWidth());
  ASSERT_TRUE(p.AlphaIsValid());
  // Outside the frame: the transparent index, alpha 0.
  EXPECT_EQ(0x090909u, picturetest::RgbAt(p, 0, 0));
  EXPECT_EQ(0u, picturetest::AlphaAt(p, 0, 0));
  // The frame, through the local table.
  EXPECT_EQ(0u, picturetest::AlphaAt(p, 1, 1));  // index 0: transparent
  EXPECT_EQ(0x0A141Eu, picturetest::RgbAt(p, 2, 1));
  EXPECT_EQ(255u, picturetest::AlphaAt(p, 2, 1));
  EXPECT_EQ(0x28323Cu, picturetest::RgbAt(p, 1, 2));
  EXPECT_EQ(0x46505Au, picturetest::RgbAt(p, 2, 2));
}

}  // namespace
