// Every converter pair against a reference that decodes each stored pixel to
// (index, B, G, R, A) and encodes it in the other format, over widths that hit
// odd lengths, sub-byte tails and band-sized rows.  Bytes after each row are
// sentinels that must survive.
#include "image/RowConverters_p.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "image/ImageBuffer.h"
#include "image/PixelFormat.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint8_t kSentinel = 0xA5;
constexpr int kSentinelBytes = 19;

struct Pixel {
  int index = 0;
  int b = 0, g = 0, r = 0, a = 255;
};

int Luma(const Pixel& p) { return (28 * p.b + 151 * p.g + 77 * p.r) / 256; }

int Premul(int v, int a) {
  if (a == 255) return v;
  if (a == 0) return 0;
  const int t = v * a;
  return ((t / 256) + t + 128) / 256;
}

int Unpremul(int v, int a) {
  if (a == 0) return 0;
  if (a == 255) return v;
  const int x = (v * 255 + a / 2) / a;
  return x > 255 ? 255 : x;
}

// Pixel i of a row in `format`, the row starting at pixel `phase` of its
// first byte.
Pixel Decode(int format, const std::uint8_t* row, int i, int phase, const std::uint8_t* palette) {
  Pixel p;
  auto fromPalette = [&](int index) {
    p.index = index;
    p.b = palette[index * 4];
    p.g = palette[index * 4 + 1];
    p.r = palette[index * 4 + 2];
  };
  switch (format) {
    case keFormatIndex1: {
      const int bit = phase + i;
      fromPalette((row[bit / 8] >> (7 - bit % 8)) & 1);
      break;
    }
    case keFormatIndex4: {
      const int n = phase + i;
      fromPalette(n % 2 ? row[n / 2] & 15 : row[n / 2] >> 4);
      break;
    }
    case keFormatIndex8: fromPalette(row[i]); break;
    case keFormatIndex8A: fromPalette(row[2 * i]); p.a = row[2 * i + 1]; break;
    case keFormatGrey: p.b = p.g = p.r = p.index = row[i]; break;
    case keFormatGreyA: p.b = p.g = p.r = p.index = row[2 * i]; p.a = row[2 * i + 1]; break;
    case keFormatBGR: p.b = row[3 * i]; p.g = row[3 * i + 1]; p.r = row[3 * i + 2]; break;
    case keFormatBGRA:
      p.b = row[4 * i]; p.g = row[4 * i + 1]; p.r = row[4 * i + 2]; p.a = row[4 * i + 3];
      break;
    case keFormatBGRxA:
      p.a = row[4 * i + 3];
      p.b = Unpremul(row[4 * i], p.a);
      p.g = Unpremul(row[4 * i + 1], p.a);
      p.r = Unpremul(row[4 * i + 2], p.a);
      break;
  }
  return p;
}

void Encode(int format, const Pixel& p, std::uint8_t* row, int i, int phase) {
  switch (format) {
    case keFormatIndex1: {
      const int bit = phase + i;
      const int mask = 0x80 >> (bit % 8);
      row[bit / 8] = static_cast<std::uint8_t>(p.index ? row[bit / 8] | mask : row[bit / 8] & ~mask);
      break;
    }
    case keFormatIndex4: {
      const int n = phase + i;
      const int v = p.index & 15;
      row[n / 2] = static_cast<std::uint8_t>(n % 2 ? (row[n / 2] & 0xF0) | v : (row[n / 2] & 0x0F) | (v << 4));
      break;
    }
    case keFormatIndex8: row[i] = static_cast<std::uint8_t>(p.index); break;
    case keFormatIndex8A:
      row[2 * i] = static_cast<std::uint8_t>(p.index);
      row[2 * i + 1] = static_cast<std::uint8_t>(p.a);
      break;
    case keFormatGrey: row[i] = static_cast<std::uint8_t>(Luma(p)); break;
    case keFormatGreyA:
      row[2 * i] = static_cast<std::uint8_t>(Luma(p));
      row[2 * i + 1] = static_cast<std::uint8_t>(p.a);
      break;
    case keFormatBGR:
      row[3 * i] = static_cast<std::uint8_t>(p.b);
      row[3 * i + 1] = static_cast<std::uint8_t>(p.g);
      row[3 * i + 2] = static_cast<std::uint8_t>(p.r);
      break;
    case keFormatBGRA:
    case keFormatBGRxA: {
      const bool pre = format == keFormatBGRxA;
      row[4 * i] = static_cast<std::uint8_t>(pre ? Premul(p.b, p.a) : p.b);
      row[4 * i + 1] = static_cast<std::uint8_t>(pre ? Premul(p.g, p.a) : p.g);
      row[4 * i + 2] = static_cast<std::uint8_t>(pre ? Premul(p.r, p.a) : p.r);
      row[4 * i + 3] = static_cast<std::uint8_t>(p.a);
      break;
    }
  }
}

std::size_t RowBytes(int format, int phase, int count) {
  const int bpp = FormatBitsPerPixel(format);
  return (static_cast<std::size_t>(phase + count) * bpp + 7) / 8;
}

struct PairCase {
  int storage;
  int access;
  bool writable;
};

const PairCase kPairs[] = {
    {keFormatIndex1, keFormatIndex8, true},   {keFormatIndex1, keFormatBGR, false},
    {keFormatIndex1, keFormatBGRA, false},    {keFormatIndex4, keFormatIndex8, true},
    {keFormatIndex4, keFormatBGR, false},     {keFormatIndex4, keFormatBGRA, false},
    {keFormatIndex8, keFormatIndex8A, true},  {keFormatIndex8, keFormatBGR, false},
    {keFormatIndex8, keFormatBGRA, false},    {keFormatIndex8A, keFormatIndex8, true},
    {keFormatIndex8A, keFormatBGRA, false},   {keFormatGrey, keFormatGreyA, true},
    {keFormatGrey, keFormatBGR, true},        {keFormatGrey, keFormatBGRA, true},
    {keFormatGreyA, keFormatBGRA, true},      {keFormatBGR, keFormatGrey, true},
    {keFormatBGR, keFormatGreyA, true},       {keFormatBGR, keFormatBGRA, true},
    {keFormatBGRA, keFormatGreyA, true},      {keFormatBGRA, keFormatBGR, true},
    {keFormatBGRA, keFormatBGRxA, true},      {keFormatBGRxA, keFormatBGRA, true},
};

const int kWidths[] = {1, 2, 3, 7, 8, 9, 15, 16, 17, 31, 127, 128, 129, 255, 256, 300};

// Random bytes; for index formats with palettes of 2^bits entries every
// byte value is a valid index, so no clamping is needed.
Bytes RandomBytes(std::size_t n, std::mt19937& rng) {
  Bytes b(n);
  for (auto& v : b) v = static_cast<std::uint8_t>(rng());
  return b;
}

class ConverterPairTest : public testing::TestWithParam<PairCase> {};

TEST_P(ConverterPairTest, MatchesReferenceAndStaysInsideTheRow) {
  const PairCase pair = GetParam();
  ConverterPair converters;
  ASSERT_TRUE(FindAccessConverters(pair.storage, pair.access, &converters));
  ASSERT_NE(converters.read, nullptr);
  EXPECT_EQ(converters.write != nullptr, pair.writable);
  std::mt19937 rng(static_cast<unsigned>(pair.storage * 100 + pair.access));
  const Bytes palette = RandomBytes(256 * 4, rng);
  const int maxPhase = FormatBitsPerPixel(pair.storage) < 8 ? 8 / FormatBitsPerPixel(pair.storage) : 1;
  for (int width : kWidths) {
    for (int phase = 0; phase < maxPhase; phase += (maxPhase > 2 ? 3 : 1)) {
      SCOPED_TRACE(testing::Message() << FormatName(pair.storage) << " -> " << FormatName(pair.access)
                                      << " width " << width << " phase " << phase);
      RowConvertContext context;
      context.palette = palette.data();
      context.pixelPhase = phase;
      const std::size_t storedBytes = RowBytes(pair.storage, phase, width);
      const std::size_t accessBytes = RowBytes(pair.access, 0, width);
      const Bytes stored = RandomBytes(storedBytes, rng);

      // Read.
      Bytes out(accessBytes + kSentinelBytes, kSentinel);
      Bytes expected(accessBytes + kSentinelBytes, kSentinel);
      converters.read(context, out.data(), stored.data(), width);
      for (int i = 0; i < width; ++i) {
        Encode(pair.access, Decode(pair.storage, stored.data(), i, phase, palette.data()), expected.data(), i, 0);
      }
      ASSERT_EQ(out, expected);
      if (!pair.writable) continue;

      // Write into a row whose other bits and trailing bytes must survive.
      const Bytes cached = RandomBytes(accessBytes, rng);
      Bytes target = stored;
      target.resize(storedBytes + kSentinelBytes, kSentinel);
      Bytes expectedTarget = target;
      converters.write(context, target.data(), cached.data(), width);
      for (int i = 0; i < width; ++i) {
        Encode(pair.storage, Decode(pair.access, cached.data(), i, 0, palette.data()),
               expectedTarget.data(), i, phase);
      }
      ASSERT_EQ(target, expectedTarget);
    }
  }
}

// Through the buffer: rows handed out converted and written back on release,
// in a view whose left edge is not on a byte boundary for sub-byte formats.
TEST_P(ConverterPairTest, BufferRoundTripThroughTheRowCache) {
  const PairCase pair = GetParam();
  std::mt19937 rng(static_cast<unsigned>(pair.storage * 31 + pair.access));
  const Bytes palette = RandomBytes(256 * 4, rng);
  CImageBuffer whole;
  ASSERT_FALSE(whole.Create(303, 131, pair.storage, nullptr, palette.data(), -1).IsError());
  for (int y = 0; y < 131; ++y) {
    const Bytes bytes = RandomBytes(RowBytes(pair.storage, 0, 303), rng);
    std::memcpy(whole.GetRow(y), bytes.data(), bytes.size());
    whole.ReleaseRow(y);
  }
  CImageBuffer view;
  ASSERT_FALSE(view.View(whole, 3, 1, 300, 131).IsError());
  const int phase = FormatBitsPerPixel(pair.storage) < 8 ? 3 % (8 / FormatBitsPerPixel(pair.storage)) : 0;
  const int width = view.Width();

  // Expected stored rows after reading and writing back unchanged.
  std::vector<Bytes> before, after;
  for (int y = 0; y < view.Height(); ++y) {
    const std::uint8_t* p = view.PixelAddress(0, y);
    before.emplace_back(p, p + RowBytes(pair.storage, phase, width));
  }
  EXPECT_EQ(view.SetAccessFormat(pair.access, keAccessReadWrite).Code(),
            pair.writable ? 0u : static_cast<std::uint32_t>(keErrBadArgument));
  ASSERT_FALSE(view.SetAccessFormat(pair.access, pair.writable ? keAccessReadWrite : keAccessRead).IsError());
  for (int y = 0; y < view.Height(); ++y) {
    std::uint8_t* row = view.GetRow(y);
    for (int i = 0; i < width; ++i) {
      Pixel expected = Decode(pair.storage, before[static_cast<std::size_t>(y)].data(), i, phase, palette.data());
      Bytes one(RowBytes(pair.access, 0, 1));
      Encode(pair.access, expected, one.data(), 0, 0);
      const std::size_t size = one.size();
      ASSERT_EQ(0, std::memcmp(row + i * size, one.data(), size)) << "row " << y << " pixel " << i;
    }
    Bytes expectedAfter = before[static_cast<std::size_t>(y)];
    if (pair.writable) {
      for (int i = 0; i < width; ++i) {
        Encode(pair.storage, Decode(pair.access, row, i, 0, palette.data()), expectedAfter.data(), i, phase);
      }
    }
    after.push_back(expectedAfter);
    view.ReleaseRow(y);
  }
  ASSERT_FALSE(view.SetAccessFormat(0, keAccessReadWrite).IsError());
  for (int y = 0; y < view.Height(); ++y) {
    const std::uint8_t* p = view.PixelAddress(0, y);
    ASSERT_EQ(Bytes(p, p + after[static_cast<std::size_t>(y)].size()), after[static_cast<std::size_t>(y)]) << "row " << y;
  }
}

std::string PairName(const testing::TestParamInfo<PairCase>& info) {
  return std::string(FormatName(info.param.storage) + 8) + "_" + (FormatName(info.param.access) + 8);
}

INSTANTIATE_TEST_SUITE_P(AllPairs, ConverterPairTest, testing::ValuesIn(kPairs), PairName);

TEST(ConverterPairs, PairsOutsideTheTableAreRefused) {
  CImageBuffer buffer;
  ASSERT_FALSE(buffer.Create(10, 10, keFormatBGR).IsError());
  for (int format : {int{keFormatIndex8}, int{keFormatBGRxA}, int{keFormatBGR_u16}, int{keFormatGrey_u16}, 20, -1}) {
    SCOPED_TRACE(format);
    EXPECT_EQ(buffer.SetAccessFormat(format, keAccessRead).Code(), keErrBadArgument);
  }
}

TEST(ConverterPairs, PremultiplyExamples) {
  EXPECT_EQ(Premultiply(200, 128), 100);
  EXPECT_EQ(Premultiply(100, 128), 50);
  EXPECT_EQ(Premultiply(50, 128), 25);
  EXPECT_EQ(Premultiply(77, 0), 0);
  EXPECT_EQ(Premultiply(77, 255), 77);
  EXPECT_EQ(Unpremultiply(100, 128), 199);
  EXPECT_EQ(Unpremultiply(200, 100), 255);  // clamped
}

// One channel as a row of its own: gathered on the way out, scattered back
// leaving the other channels as they were.
TEST(ChannelAccess, ChannelsAreGatheredAndScatteredBack) {
  struct Case {
    int storage;
    int channel;
    int access;
    int offset;
  };
  const Case cases[] = {
      {keFormatBGR, 0, keFormatGrey, 0},       {keFormatBGR, 2, keFormatGrey, 2},
      {keFormatBGRA, 1, keFormatGrey, 1},      {keFormatBGRA, 3, keFormatGrey, 3},
      {keFormatIndex8A, keChannelAlpha, keFormatGrey, 1},
      {keFormatIndex8A, keChannelIndex, keFormatIndex8, 0},
      {keFormatGreyA, keChannelAlpha, keFormatGrey, 1},
      {keFormatGreyA, keChannelGrey, keFormatGrey, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << FormatName(c.storage) << " channel " << c.channel);
    CImageBuffer buffer;
    ASSERT_FALSE(buffer.Create(130, 3, c.storage).IsError());
    const int bytes = FormatBitsPerPixel(c.storage) / 8;
    for (int y = 0; y < 3; ++y) {
      std::uint8_t* row = buffer.GetRow(y);
      for (int i = 0; i < 130 * bytes; ++i) row[i] = static_cast<std::uint8_t>(i * 3 + y);
      buffer.ReleaseRow(y);
    }
    ASSERT_FALSE(buffer.SetChannelAccess(c.channel, keAccessReadWrite).IsError());
    EXPECT_EQ(buffer.AccessFormat(), c.access);
    std::uint8_t* row = buffer.GetRow(1);
    for (int x = 0; x < 130; ++x) {
      ASSERT_EQ(row[x], static_cast<std::uint8_t>((x * bytes + c.offset) * 3 + 1)) << x;
      row[x] = static_cast<std::uint8_t>(255 - x);
    }
    buffer.ReleaseRow(1);
    ASSERT_FALSE(buffer.SetChannelAccess(keChannelPixel, keAccessReadWrite).IsError());
    const std::uint8_t* stored = buffer.PixelAddress(0, 1);
    for (int i = 0; i < 130 * bytes; ++i) {
      const int expected = i % bytes == c.offset ? 255 - i / bytes : (i * 3 + 1) % 256;
      ASSERT_EQ(stored[i], expected) << i;
    }
  }
}

TEST(ChannelAccess, ColourPartOfBgraKeepsAlpha) {
  CImageBuffer buffer;
  const CColorRef colour(10, 20, 30, 40);
  ASSERT_FALSE(buffer.Create(5, 2, keFormatBGRA, &colour).IsError());
  ASSERT_FALSE(buffer.SetChannelAccess(keChannelColour, keAccessReadWrite).IsError());
  EXPECT_EQ(buffer.AccessFormat(), keFormatBGR);
  std::uint8_t* row = buffer.GetRow(0);
  EXPECT_EQ(row[0], 30);  // blue
  row[0] = 1; row[1] = 2; row[2] = 3;
  buffer.ReleaseRow(0);
  ASSERT_FALSE(buffer.SetChannelAccess(keChannelPixel).IsError());
  const std::uint8_t* stored = buffer.PixelAddress(0, 0);
  EXPECT_EQ(Bytes(stored, stored + 8), (Bytes{1, 2, 3, 40, 30, 20, 10, 40}));
}

TEST(ChannelAccess, RefusedCombinations) {
  CImageBuffer buffer;
  ASSERT_FALSE(buffer.Create(4, 4, keFormatBGR).IsError());
  EXPECT_EQ(buffer.SetChannelAccess(3).Code(), keErrBadArgument);
  EXPECT_EQ(buffer.SetChannelAccess(keChannelIndex).Code(), keErrBadArgument);
  ASSERT_FALSE(buffer.SetAccessFormat(keFormatGrey).IsError());
  EXPECT_EQ(buffer.SetChannelAccess(1).Code(), keErrBadArgument);
  ASSERT_FALSE(buffer.SetAccessFormat(0).IsError());
  ASSERT_FALSE(buffer.SetChannelAccess(1).IsError());
  EXPECT_EQ(buffer.SetAccessFormat(keFormatBGRA).Code(), keErrBadArgument);
  EXPECT_FALSE(buffer.SetAccessFormat(keFormatBGR).IsError());  // changes nothing
  EXPECT_EQ(buffer.Channel(), 1);
}

}  // namespace
