#include "image/PixelFormat.h"

#include <gtest/gtest.h>

#include <cstring>

#include "image/ColorRef.h"
#include "image/Palette.h"

namespace {

TEST(PixelFormat, PropertiesOfEveryCode) {
  struct Row {
    int format;
    int bpp;
    bool indexed, eight, sixteen, grey, alpha;
    int withAlpha, to8, premultiplied, channels;
  };
  const Row rows[] = {
      {-1, 0, false, false, false, false, false, -1, 0, -1, 0},
      {0, 0, false, false, false, false, false, 0, 0, 0, 0},
      {1, 1, true, false, false, false, false, 4, 3, 1, 3},
      {2, 4, true, false, false, false, false, 4, 3, 2, 3},
      {3, 8, true, true, false, false, false, 4, 3, 3, 3},
      {4, 16, true, true, false, false, true, 4, 4, 4, 4},
      {5, 8, false, true, false, true, false, 6, 5, 5, 1},
      {6, 16, false, true, false, true, true, 6, 6, 6, 2},
      {7, 24, false, true, false, false, false, 8, 7, 7, 3},
      {8, 32, false, true, false, false, true, 8, 8, 9, 4},
      {9, 32, false, true, false, false, true, 9, 9, 9, 4},
      {10, 16, false, false, true, true, false, 11, 5, 10, 1},
      {11, 32, false, false, true, true, true, 11, 6, 11, 2},
      {12, 48, false, false, true, false, false, 13, 7, 12, 3},
      {13, 64, false, false, true, false, true, 13, 8, 14, 4},
      {14, 64, false, false, true, false, true, 14, 9, 14, 4},
      {15, 32, false, false, false, true, false, 16, 5, 15, 1},
      {16, 64, false, false, false, true, true, 16, 6, 16, 2},
      {17, 96, false, false, false, false, false, 18, 7, 17, 3},
      {18, 128, false, false, false, false, true, 18, 8, 19, 4},
      {19, 128, false, false, false, false, true, 19, 9, 19, 4},
      {20, 0, false, false, false, false, false, 20, 0, 20, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.format);
    int channels[4];
    EXPECT_EQ(FormatBitsPerPixel(r.format), r.bpp);
    EXPECT_EQ(IsIndexedFormat(r.format), r.indexed);
    EXPECT_EQ(Is8BitFormat(r.format), r.eight);
    EXPECT_EQ(Is16BitFormat(r.format), r.sixteen);
    EXPECT_EQ(IsGreyFormat(r.format), r.grey);
    EXPECT_EQ(FormatHasAlpha(r.format), r.alpha);
    EXPECT_EQ(WithAlphaFormat(r.format), r.withAlpha);
    EXPECT_EQ(To8BitFormat(r.format), r.to8);
    EXPECT_EQ(PremultipliedFormat(r.format), r.premultiplied);
    EXPECT_EQ(FormatChannels(r.format, channels), r.channels);
  }
  int channels[4];
  ASSERT_EQ(FormatChannels(keFormatGreyA_u16, channels), 2);
  EXPECT_EQ(channels[0], keChannelGrey);
  EXPECT_EQ(channels[1], keChannelAlpha);
  EXPECT_STREQ(FormatName(keFormatBGR), "keFormatBGR");
  EXPECT_STREQ(FormatName(-1), "keFormatCustom");
  EXPECT_STREQ(FormatName(19), "keFormatBGRxA_f32");
  EXPECT_STREQ(FormatName(20), "<unknown");
}

TEST(Palette, DefaultTables) {
  const std::uint8_t* sixteen = DefaultPalette(16);
  // Entry 1 is dark red (0x800000 as R, G, B), stored B, G, R, 0.
  EXPECT_EQ(0, std::memcmp(sixteen + 4, "\x00\x00\x80\x00", 4));
  EXPECT_EQ(0, std::memcmp(sixteen + 9 * 4, "\x00\x00\xFF\x00", 4));
  EXPECT_EQ(0, std::memcmp(sixteen + 12 * 4, "\xFF\x00\x00\x00", 4));
  const std::uint8_t* cube = DefaultPalette(256);
  // r = 1, g = 2, b = 3 -> entry 36 + 12 + 3.
  EXPECT_EQ(0, std::memcmp(cube + 51 * 4, "\x99\x66\x33\x00", 4));
  EXPECT_EQ(0, std::memcmp(cube + 215 * 4, "\xFF\xFF\xFF\x00", 4));
  EXPECT_EQ(0, std::memcmp(cube + 216 * 4, "\x00\x00\x00\x00", 4));
  EXPECT_EQ(0, std::memcmp(DefaultPalette(2) + 4, "\xFF\xFF\xFF\x00", 4));
  EXPECT_EQ(DefaultPalette(4), nullptr);
  EXPECT_TRUE(IsGreyRamp(GreyRampPalette()));
}

TEST(ColorRef, DeliversInEveryFamily) {
  const CColorRef c(200, 100, 50, 128);
  std::uint8_t p[16] = {};
  ASSERT_FALSE(c.Deliver(keFormatBGRA, nullptr, 0, p).IsError());
  EXPECT_EQ(0, std::memcmp(p, "\x32\x64\xC8\x80", 4));
  ASSERT_FALSE(c.Deliver(keFormatGreyA, nullptr, 0, p).IsError());
  EXPECT_EQ(p[0], (77 * 200 + 151 * 100 + 28 * 50) / 256);
  EXPECT_EQ(p[1], 128);
  ASSERT_FALSE(c.Deliver(keFormatBGR_u16, nullptr, 0, p).IsError());
  std::uint16_t w[3];
  std::memcpy(w, p, 6);
  EXPECT_EQ(w[0], 50 * 257);
  EXPECT_EQ(w[2], 200 * 257);
  // Indexed without a palette or index of its own.
  EXPECT_EQ(c.Deliver(keFormatIndex8, nullptr, 0, p).Code(), keErrBadArgument);
}

TEST(ColorRef, NearestPaletteEntry) {
  const std::uint8_t* palette = DefaultPalette(16);
  // Pure red is entry 9; dark red (128, 0, 0) entry 1.
  EXPECT_EQ(CColorRef(250, 10, 10).NearestIndex(palette, 16), 9);
  EXPECT_EQ(CColorRef(120, 0, 0).NearestIndex(palette, 16), 1);
  // Its own index when that entry still holds its colour, else the nearest.
  EXPECT_EQ(CColorRef::FromIndex(9, 255, 0, 0).NearestIndex(palette, 16), 9);
  EXPECT_EQ(CColorRef::FromIndex(3, 255, 0, 0).NearestIndex(palette, 16), 9);
  // Ties go to the lower index: two equal entries.
  const std::uint8_t twins[] = {0, 0, 0, 0, 9, 9, 9, 0, 9, 9, 9, 0};
  EXPECT_EQ(CColorRef(8, 8, 8).NearestIndex(twins, 3), 1);
}

}  // namespace
