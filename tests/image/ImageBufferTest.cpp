#include "image/ImageBuffer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "host/MemoryManager.h"
#include "image/Palette.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Writes a pattern that differs per row and column into every stored row.
void Pattern(CImageBuffer& buffer, int seed = 0) {
  const int bytes = (buffer.Width() * buffer.BitsPerPixel() + 7) / 8;
  for (int y = 0; y < buffer.Height(); ++y) {
    std::uint8_t* row = buffer.GetRow(y);
    for (int i = 0; i < bytes; ++i) row[i] = static_cast<std::uint8_t>(i * 7 + y * 13 + seed);
    buffer.ReleaseRow(y);
  }
}

TEST(ImageBuffer, CreateRefusesFormatsOutsideOneToFourteen) {
  CImageBuffer buffer;
  for (int format : {0, 15, -1, 19}) {
    SCOPED_TRACE(format);
    EXPECT_EQ(buffer.Create(10, 10, format).Code(), keErrBadArgument);
    EXPECT_TRUE(buffer.IsEmpty());
  }
  EXPECT_EQ(buffer.Create(0, 10, keFormatBGR).Code(), keErrBadArgument);
  EXPECT_EQ(buffer.Create(1 << 30, 1, keFormatBGRA_u16).Code(), keErrBadArgument);
  EXPECT_FALSE(buffer.Create(10, 10, keFormatBGRxA_u16).IsError());
}

TEST(ImageBuffer, BandsOf128RowsBottomUpWithPaddedRows) {
  CImageBuffer buffer;
  ASSERT_FALSE(buffer.Create(130, 300, keFormatBGR).IsError());
  ASSERT_EQ(buffer.BandCount(), 3);
  const int heights[] = {128, 128, 44};
  for (int band = 0; band < 3; ++band) {
    ImageRect rect;
    ASSERT_FALSE(buffer.BandRect(0, band, &rect).IsError());
    EXPECT_EQ(rect.Height(), heights[band]);
    BitmapDesc desc;
    ASSERT_FALSE(buffer.LockBand(0, band, &desc).IsError());
    EXPECT_EQ(desc.height, heights[band]);
    EXPECT_EQ(desc.stride, -256 * 3);  // 130 pixels padded to 256
    EXPECT_EQ(desc.bits, buffer.PixelAddress(0, band * 128));
    EXPECT_FALSE(buffer.UnlockBand(0, band).IsError());
  }
  int column = 0, row = 0;
  ASSERT_FALSE(buffer.BandOf(0, 128, &column, &row).IsError());
  EXPECT_EQ(row, 1);
  ASSERT_FALSE(buffer.BandOf(129, 127, &column, &row).IsError());
  EXPECT_EQ(row, 0);
  EXPECT_EQ(buffer.BandOf(130, 0, &column, &row).Code(), keErrBadArgument);
  EXPECT_EQ(row, INT_MIN);
  // Rows go down in memory within a band; the top row is the highest.
  EXPECT_EQ(buffer.PixelAddress(0, 1), buffer.PixelAddress(0, 0) - 256 * 3);
  EXPECT_EQ(buffer.PixelAddress(0, 299), buffer.PixelAddress(0, 256) - 43 * 256 * 3);
  int c0, c1, r0, r1;
  ASSERT_FALSE(buffer.BandRange(ImageRect{0, 100, 130, 257}, &c0, &c1, &r0, &r1).IsError());
  EXPECT_EQ(r0, 0);
  EXPECT_EQ(r1, 3);
  BitmapDesc outside;
  EXPECT_EQ(buffer.LockBand(0, 3, &outside).Code(), keErrBadArgument);
  // Only what LockBand added can be taken away again.
  EXPECT_EQ(buffer.UnlockBand(0, 0).Code(), keErrBadArgument);
}

TEST(ImageBuffer, RowBounds) {
  CImageBuffer buffer;
  std::uint8_t* none = nullptr;
  EXPECT_EQ(buffer.GetRow(0, 0, -1, &none).Code(), keErrNoData);
  ASSERT_FALSE(buffer.Create(20, 5, keFormatBGR).IsError());
  std::uint8_t* row = nullptr;
  ASSERT_FALSE(buffer.GetRow(4, 19, -1, &row).IsError());
  EXPECT_EQ(row, buffer.PixelAddress(19, 4));
  buffer.ReleaseRow(4);
  struct Case { int y, x, count; };
  for (const Case& c : {Case{0, 20, -1}, Case{0, -1, 1}, Case{0, 10, 11}, Case{5, 0, -1},
                        Case{-1, 0, -1}, Case{0, 0, 0}, Case{0, 0, -2}}) {
    SCOPED_TRACE(testing::Message() << c.y << "," << c.x << "," << c.count);
    EXPECT_EQ(buffer.GetRow(c.y, c.x, c.count, &row).Code(), keErrBadArgument);
    EXPECT_EQ(row, nullptr);
  }
  try {
    buffer.GetRow(0, 21);
    ADD_FAILURE() << "no exception";
  } catch (const CJException& e) {
    EXPECT_EQ(e.Code(), keErrBadArgument);
  }
}

TEST(ImageBuffer, CachedRowIsHeldForOnePartAtATime) {
  CImageBuffer buffer;
  ASSERT_FALSE(buffer.Create(20, 3, keFormatBGR).IsError());
  ASSERT_FALSE(buffer.SetAccessFormat(keFormatBGRA).IsError());
  std::uint8_t* first = buffer.GetRow(1, 2, 5);
  std::uint8_t* other = nullptr;
  EXPECT_EQ(buffer.GetRow(1, 3, 5, &other).Code(), keErrBadArgument);
  EXPECT_EQ(buffer.GetRow(1, 2, 6, &other).Code(), keErrBadArgument);
  EXPECT_EQ(buffer.GetRow(1, 2, 5), first);  // same part: another hold
  first[0] = 99;
  buffer.ReleaseRow(1);
  EXPECT_EQ(buffer.GetRow(1, 3, 5, &other).Code(), keErrBadArgument);  // still held once
  EXPECT_EQ(buffer.PixelAddress(2, 1)[0], 0);  // not written back yet
  buffer.ReleaseRow(1);
  EXPECT_EQ(buffer.PixelAddress(2, 1)[0], 99);
  EXPECT_FALSE(buffer.GetRow(1, 3, 5, &other).IsError());
  buffer.ReleaseRow(1);
  // Releasing a row that is not held does nothing.
  buffer.ReleaseRow(0);
  buffer.ReleaseRow(7);
}

TEST(ImageBuffer, ReadingThroughAConstBufferNeverWritesBack) {
  CImageBuffer buffer;
  ASSERT_FALSE(buffer.Create(4, 1, keFormatBGR).IsError());
  std::memcpy(buffer.PixelAddress(0, 0), "\x10\x20\x30\x40\x50\x60\x70\x80\x90\xA0\xB0\xC0", 12);
  ASSERT_FALSE(buffer.SetAccessFormat(keFormatGrey, keAccessReadWrite).IsError());
  const CImageBuffer& reader = buffer;
  {
    CRowReader row(reader, 0);
    ASSERT_TRUE(row);
    EXPECT_EQ(row.Row()[0], (28 * 0x10 + 151 * 0x20 + 77 * 0x30) / 256);
  }
  EXPECT_EQ(0, std::memcmp(buffer.PixelAddress(0, 0), "\x10\x20\x30\x40", 4));
  {
    CRowWriter row(buffer, 0);  // a writer's row goes back as grey
    ASSERT_TRUE(row);
  }
  const std::uint8_t g = (28 * 0x10 + 151 * 0x20 + 77 * 0x30) / 256;
  EXPECT_EQ(buffer.PixelAddress(0, 0)[0], g);
  EXPECT_EQ(buffer.PixelAddress(0, 0)[2], g);
  CRowReader outside(reader, 1);
  EXPECT_FALSE(outside);
}

TEST(ImageBuffer, IndexedFormatsGetDefaultOrGivenPalettes) {
  CImageBuffer buffer;
  ASSERT_FALSE(buffer.Create(3, 3, keFormatIndex4).IsError());
  EXPECT_EQ(buffer.PaletteSize(), 16);
  EXPECT_EQ(0, std::memcmp(buffer.Palette(), DefaultPalette(16), 64));
  const std::uint8_t given[] = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0};
  ASSERT_FALSE(buffer.Create(3, 3, keFormatIndex8, nullptr, given, 2).IsError());
  EXPECT_EQ(buffer.PaletteSize(), 256);
  EXPECT_EQ(0, std::memcmp(buffer.Palette(), given, 8));
  EXPECT_EQ(buffer.Palette()[8], 0);  // beyond the count: zero
  ASSERT_FALSE(buffer.Create(3, 3, keFormatIndex1, nullptr, given, 9).IsError());
  EXPECT_EQ(buffer.PaletteSize(), 2);
  ASSERT_FALSE(buffer.Create(3, 3, keFormatGrey).IsError());
  EXPECT_EQ(buffer.PaletteSize(), 256);
  EXPECT_TRUE(IsGreyRamp(buffer.Palette()));
  ASSERT_FALSE(buffer.Create(3, 3, keFormatBGR).IsError());
  EXPECT_EQ(buffer.Palette(), nullptr);
}

TEST(ImageBuffer, ReadOnlyPairRefusesWriteModes) {
  CImageBuffer buffer;
  ASSERT_FALSE(buffer.Create(8, 2, keFormatIndex8).IsError());
  EXPECT_EQ(buffer.SetAccessFormat(keFormatBGR, keAccessReadWrite).Code(), keErrBadArgument);
  EXPECT_EQ(buffer.SetAccessFormat(keFormatBGR, keAccessWrite).Code(), keErrBadArgument);
  EXPECT_FALSE(buffer.SetAccessFormat(keFormatBGR, keAccessRead).IsError());
  EXPECT_EQ(buffer.AccessFormat(), keFormatBGR);
}

// A 2 x 2 packed bitmap: header, colour table, rows padded to 4 bytes.
Bytes MakeDib(int width, int height, int bits, const std::vector<std::uint8_t>& table,
              const std::vector<std::uint8_t>& pixels, std::uint32_t coloursUsed = 0) {
  Bytes dib(40, 0);
  auto put32 = [&](int at, std::uint32_t v) { std::memcpy(&dib[static_cast<std::size_t>(at)], &v, 4); };
  put32(0, 40);
  put32(4, static_cast<std::uint32_t>(width));
  put32(8, static_cast<std::uint32_t>(height));
  dib[12] = 1;                                  // planes
  dib[14] = static_cast<std::uint8_t>(bits);    // bit count
  put32(32, coloursUsed);
  dib.insert(dib.end(), table.begin(), table.end());
  dib.insert(dib.end(), pixels.begin(), pixels.end());
  return dib;
}

TEST(ImageBuffer, CreateFromDib) {
  Bytes ramp(GreyRampPalette(), GreyRampPalette() + 1024);
  // Two bottom-up rows of 2 pixels, each row padded to 4 bytes.
  const Bytes pixels = {10, 20, 0, 0, 30, 40, 0, 0};
  CImageBuffer buffer;
  Bytes dib = MakeDib(2, 2, 8, ramp, pixels);
  ASSERT_FALSE(buffer.CreateFromDib(dib.data(), dib.size()).IsError());
  EXPECT_EQ(buffer.StorageFormat(), keFormatGrey);
  EXPECT_EQ(buffer.GetRow(0)[0], 30);  // the last row in memory is the top
  buffer.ReleaseRow(0);
  EXPECT_EQ(buffer.GetRow(1)[1], 20);
  buffer.ReleaseRow(1);

  Bytes other = ramp;
  other[5 * 4 + 1] = 0;
  dib = MakeDib(2, -2, 8, other, pixels);  // top-down this time
  ASSERT_FALSE(buffer.CreateFromDib(dib.data(), dib.size()).IsError());
  EXPECT_EQ(buffer.StorageFormat(), keFormatIndex8);
  EXPECT_EQ(buffer.GetRow(0)[0], 10);
  buffer.ReleaseRow(0);

  dib = MakeDib(0, 0, 24, {}, {});
  ASSERT_FALSE(buffer.CreateFromDib(dib.data(), dib.size()).IsError());
  EXPECT_EQ(buffer.Width(), 1);
  EXPECT_EQ(buffer.Height(), 1);
  EXPECT_EQ(0, std::memcmp(buffer.PixelAddress(0, 0), "\0\0\0", 3));

  // A 4-bit bitmap whose table holds only the colours it uses.
  const Bytes table = {0, 0, 255, 0, 0, 255, 0, 0};
  dib = MakeDib(3, 1, 4, table, {0x10, 0x10, 0, 0}, 2);
  ASSERT_FALSE(buffer.CreateFromDib(dib.data(), dib.size()).IsError());
  EXPECT_EQ(buffer.StorageFormat(), keFormatIndex4);
  EXPECT_EQ(0, std::memcmp(buffer.Palette(), table.data(), 8));
  EXPECT_EQ(buffer.PixelAddress(0, 0)[0], 0x10);

  // Truncated bits, unknown bit counts, compression.
  dib = MakeDib(2, 2, 24, {}, {1, 2, 3});
  EXPECT_EQ(buffer.CreateFromDib(dib.data(), dib.size()).Code(), keErrBadArgument);
  dib = MakeDib(1, 1, 2, {}, {0, 0, 0, 0});
  EXPECT_EQ(buffer.CreateFromDib(dib.data(), dib.size()).Code(), keErrBadArgument);
  dib = MakeDib(1, 1, 24, {}, {0, 0, 0, 0});
  dib[16] = 1;
  EXPECT_EQ(buffer.CreateFromDib(dib.data(), dib.size()).Code(), keErrBadArgument);
  EXPECT_EQ(buffer.CreateFromDib(dib.data(), 39).Code(), keErrBadArgument);

  // From a memory block, which the call releases.
  dib = MakeDib(1, 1, 32, {}, {1, 2, 3, 4});
  IMemoryBlock* block = AllocateMemoryBlock(static_cast<std::uint32_t>(dib.size()), false, keMemoryHeap, "test", __LINE__);
  std::memcpy(LockMemoryBlock(block, 0, 0, "test", __LINE__), dib.data(), dib.size());
  UnlockMemoryBlock(block, 0, 0, "test", __LINE__);
  const std::size_t live = LiveMemoryBlockCount();
  ASSERT_FALSE(buffer.CreateFromDibBlock(block, 0).IsError());
  EXPECT_EQ(LiveMemoryBlockCount(), live);  // one band in, the DIB block out
  EXPECT_EQ(buffer.StorageFormat(), keFormatBGRA);
  EXPECT_EQ(0, std::memcmp(buffer.PixelAddress(0, 0), "\1\2\3\4", 4));
  EXPECT_EQ(buffer.CreateFromDibBlock(nullptr, 0).Code(), keErrBadArgument);
}

TEST(ImageBuffer, SharingAndViewsCopyNoPixels) {
  CImageBuffer whole;
  ASSERT_FALSE(whole.Create(200, 150, keFormatBGR).IsError());
  CImageBuffer view;
  ASSERT_FALSE(view.View(whole, 10, 20, 110, 70).IsError());
  EXPECT_EQ(view.Width(), 100);
  EXPECT_EQ(view.Height(), 50);
  EXPECT_EQ(view.PixelAddress(0, 0), whole.PixelAddress(10, 20));
  EXPECT_EQ(view.View(whole, 10, 20, 201, 70).Code(), keErrBadArgument);
  CImageBuffer shared = whole;
  EXPECT_EQ(shared.PixelAddress(5, 5), whole.PixelAddress(5, 5));
  // The storage outlives the buffer that made it.
  const std::size_t live = LiveMemoryBlockCount();
  whole.Clear();
  EXPECT_EQ(LiveMemoryBlockCount(), live);
  shared.Clear();
  EXPECT_EQ(LiveMemoryBlockCount(), live);
  view.Clear();
  EXPECT_EQ(LiveMemoryBlockCount(), live - 2);
  // Sharing applies the source's access format with its own empty cache.
  CImageBuffer a, b;
  ASSERT_FALSE(a.Create(4, 4, keFormatBGR).IsError());
  ASSERT_FALSE(a.SetAccessFormat(keFormatGrey, keAccessRead).IsError());
  ASSERT_FALSE(b.Share(a).IsError());
  EXPECT_EQ(b.AccessFormat(), keFormatGrey);
  EXPECT_EQ(b.AccessModeOf(), keAccessRead);
  EXPECT_NE(a.GetRow(0), b.GetRow(0));
  a.ReleaseRow(0);
  b.ReleaseRow(0);
}

TEST(ImageBuffer, CopyOfAViewKeepsItsBounds) {
  CImageBuffer whole;
  ASSERT_FALSE(whole.Create(200, 150, keFormatBGR).IsError());
  Pattern(whole);
  CImageBuffer view, copy;
  ASSERT_FALSE(view.View(whole, 10, 20, 110, 70).IsError());
  ASSERT_FALSE(copy.Copy(view).IsError());
  EXPECT_EQ(copy.Bounds(), (ImageRect{10, 20, 110, 70}));
  EXPECT_NE(copy.PixelAddress(0, 0), view.PixelAddress(0, 0));
  for (int y = 0; y < 50; ++y) {
    ASSERT_EQ(0, std::memcmp(copy.PixelAddress(0, y), whole.PixelAddress(10, y + 20), 300)) << y;
  }
  ASSERT_FALSE(copy.Copy(copy).IsError());  // onto itself: nothing
  EXPECT_EQ(copy.Width(), 100);
}

// A copy made again reuses storage that no one else holds; storage that is
// shared, viewed or of another size or format is left alone for a new copy.
TEST(ImageBuffer, CopyReusingStorageWritesOnlyIntoItsOwnStorage) {
  CImageBuffer source;
  ASSERT_FALSE(source.Create(130, 300, keFormatBGR).IsError());
  Pattern(source, 3);
  auto same = [&source](const CImageBuffer& copy) {
    for (int y = 0; y < source.Height(); ++y) {
      if (std::memcmp(copy.PixelAddress(0, y), source.PixelAddress(0, y), 3 * 130) != 0) return false;
    }
    return true;
  };
  CImageBuffer copy;
  ASSERT_FALSE(copy.CopyReusingStorage(source).IsError());  // empty: a new copy
  ASSERT_TRUE(same(copy));
  std::uint8_t* const storage = copy.PixelAddress(0, 0);
  Pattern(source, 9);
  ASSERT_FALSE(copy.CopyReusingStorage(source).IsError());
  EXPECT_EQ(copy.PixelAddress(0, 0), storage);
  EXPECT_TRUE(same(copy));

  // Shared: the sharer keeps its pixels.
  CImageBuffer sharer = copy;
  Pattern(source, 4);
  ASSERT_FALSE(copy.CopyReusingStorage(source).IsError());
  EXPECT_NE(copy.PixelAddress(0, 0), sharer.PixelAddress(0, 0));
  EXPECT_TRUE(same(copy));
  EXPECT_NE(0, std::memcmp(sharer.PixelAddress(0, 0), source.PixelAddress(0, 0), 3 * 130));

  // A view that alone holds its storage takes the copy; another size or
  // format gets new storage of the source's.
  CImageBuffer view;
  ASSERT_FALSE(view.View(sharer, 0, 0, 130, 300).IsError());
  sharer.Clear();
  ASSERT_FALSE(view.CopyReusingStorage(source).IsError());
  EXPECT_TRUE(same(view));
  CImageBuffer other;
  ASSERT_FALSE(other.Create(130, 299, keFormatBGR).IsError());
  ASSERT_FALSE(other.CopyReusingStorage(source).IsError());
  EXPECT_EQ(other.Height(), 300);
  EXPECT_TRUE(same(other));
  ASSERT_FALSE(other.Create(130, 300, keFormatBGRA).IsError());
  ASSERT_FALSE(other.CopyReusingStorage(source).IsError());
  EXPECT_EQ(other.AccessFormat(), keFormatBGR);
  EXPECT_TRUE(same(other));
}

// The band-by-band path and the row-by-row path give the same pixels, also
// when the bands of the two sides do not line up.
TEST(ImageBuffer, CopyPixelsAcrossMisalignedBands) {
  CImageBuffer source, target, fromView;
  ASSERT_FALSE(source.Create(301, 400, keFormatBGRA).IsError());
  Pattern(source, 5);
  CImageBuffer view;
  ASSERT_FALSE(view.View(source, 3, 57, 301, 400).IsError());
  ASSERT_FALSE(target.Create(298, 343, keFormatBGRA).IsError());
  ASSERT_FALSE(CImageBuffer::CopyPixels(target, view).IsError());
  // Row-by-row through a converting access on both sides (BGRA as BGR).
  CImageBuffer slowTarget;
  ASSERT_FALSE(slowTarget.Create(298, 343, keFormatBGRA).IsError());
  ASSERT_FALSE(slowTarget.SetAccessFormat(keFormatBGR).IsError());
  ASSERT_FALSE(view.SetAccessFormat(keFormatBGR, keAccessRead).IsError());
  ASSERT_FALSE(CImageBuffer::CopyPixels(slowTarget, view).IsError());
  ASSERT_FALSE(slowTarget.SetAccessFormat(0).IsError());
  for (int y = 0; y < 343; ++y) {
    const std::uint8_t* expected = source.PixelAddress(3, y + 57);
    ASSERT_EQ(0, std::memcmp(target.PixelAddress(0, y), expected, 298 * 4)) << y;
    for (int x = 0; x < 298; ++x) {
      ASSERT_EQ(0, std::memcmp(slowTarget.PixelAddress(x, y), expected + 4 * x, 3)) << y;
    }
  }
  EXPECT_EQ(CImageBuffer::CopyPixels(target, source).Code(), keErrBadArgument);
}

TEST(ImageBuffer, SubByteFillAndCopyKeepOutsideBits) {
  CImageBuffer buffer;
  ASSERT_FALSE(buffer.Create(16, 2, keFormatIndex1).IsError());
  CImageBuffer view;
  ASSERT_FALSE(view.View(buffer, 3, 0, 13, 2).IsError());
  ASSERT_FALSE(view.Fill(CColorRef(255, 255, 255)).IsError());
  // Pixels 3 to 12 set, the others still clear.
  EXPECT_EQ(buffer.PixelAddress(0, 0)[0], 0x1F);
  EXPECT_EQ(buffer.PixelAddress(0, 0)[1], 0xF8);
  EXPECT_EQ(buffer.PixelAddress(0, 1)[1], 0xF8);
  CImageBuffer copy;
  ASSERT_FALSE(copy.Copy(view).IsError());
  EXPECT_EQ(copy.Width(), 10);
  EXPECT_EQ(copy.PixelAddress(0, 0)[0], 0xFF);
  EXPECT_EQ(copy.PixelAddress(0, 0)[1] & 0xC0, 0xC0);

  CImageBuffer nibbles;
  ASSERT_FALSE(nibbles.Create(5, 1, keFormatIndex4).IsError());
  std::memset(nibbles.PixelAddress(0, 0), 0xEE, 3);
  ASSERT_FALSE(nibbles.View(nibbles, 1, 0, 4, 1).IsError());
  ASSERT_FALSE(nibbles.Fill(CColorRef::FromIndex(9, 255, 0, 0)).IsError());
  EXPECT_EQ(0, std::memcmp(nibbles.PixelAddress(-1, 0), "\xE9\x99\xEE", 3));
}

TEST(ImageBuffer, FillInTheAccessFormat) {
  CImageBuffer buffer;
  const CColorRef colour(200, 100, 50, 128);
  ASSERT_FALSE(buffer.Create(3, 130, keFormatBGRA).IsError());
  ASSERT_FALSE(buffer.SetAccessFormat(keFormatBGRxA).IsError());
  ASSERT_FALSE(buffer.Fill(colour).IsError());
  ASSERT_FALSE(buffer.SetAccessFormat(0).IsError());
  // Filled as premultiplied (200, 100, 50) at 128 = (100, 50, 25), stored
  // unpremultiplied again.
  const std::uint8_t expected[] = {50, 100, 199, 128};
  EXPECT_EQ(0, std::memcmp(buffer.PixelAddress(2, 129), expected, 4));

  ASSERT_FALSE(buffer.Create(2, 2, keFormatGrey_u16).IsError());
  ASSERT_FALSE(buffer.Fill(colour).IsError());
  std::uint16_t grey;
  std::memcpy(&grey, buffer.PixelAddress(1, 1), 2);
  EXPECT_EQ(grey, (77u * 200 * 257 + 151u * 100 * 257 + 28u * 50 * 257) / 256);

  // The Create variants only fill when size and format already match.
  ASSERT_FALSE(buffer.CreateBGR(4, 4).IsError());
  std::uint8_t* before = buffer.PixelAddress(0, 0);
  ASSERT_FALSE(buffer.CreateBGR(4, 4, &colour).IsError());
  EXPECT_EQ(buffer.PixelAddress(0, 0), before);
  EXPECT_EQ(0, std::memcmp(before, "\x32\x64\xC8", 3));
  ASSERT_FALSE(buffer.CreateBGRA(4, 4).IsError());
  EXPECT_EQ(0, std::memcmp(buffer.PixelAddress(3, 3), "\0\0\0\0", 4));
  ASSERT_FALSE(buffer.CreateGreyA(4, 4).IsError());
  EXPECT_EQ(buffer.StorageFormat(), keFormatGreyA);
}

TEST(ImageBuffer, CreateLikeAndRetag) {
  CImageBuffer source;
  ASSERT_FALSE(source.Create(10, 10, keFormatGrey).IsError());
  CImageBuffer view;
  ASSERT_FALSE(view.View(source, 2, 3, 8, 9).IsError());
  ASSERT_FALSE(view.SetAccessFormat(keFormatBGR, keAccessRead).IsError());
  CImageBuffer like;
  ASSERT_FALSE(like.CreateLike(view, 4, 5, keAccessReadWrite).IsError());
  EXPECT_EQ(like.StorageFormat(), keFormatGrey);
  EXPECT_EQ(like.AccessFormat(), keFormatBGR);
  EXPECT_EQ(like.AccessModeOf(), keAccessReadWrite);
  EXPECT_EQ(like.Bounds(), (ImageRect{2, 3, 6, 8}));

  ASSERT_FALSE(source.Retag(keFormatIndex8).IsError());
  EXPECT_EQ(source.StorageFormat(), keFormatIndex8);
  EXPECT_TRUE(IsGreyRamp(source.Palette()));
  BitmapDesc desc;
  ASSERT_FALSE(source.LockBand(0, 0, &desc).IsError());
  EXPECT_EQ(desc.format, keFormatIndex8);
  EXPECT_EQ(desc.paletteCount, 256);
  ASSERT_FALSE(source.UnlockBand(0, 0).IsError());
  EXPECT_EQ(source.Retag(keFormatBGR).Code(), keErrBadArgument);  // other pixel size
}

TEST(ImageBuffer, NoBlocksLeftAfterwards) {
  const std::size_t live = LiveMemoryBlockCount();
  {
    CImageBuffer a, b;
    ASSERT_FALSE(a.Create(1000, 700, keFormatBGRA).IsError());
    EXPECT_EQ(LiveMemoryBlockCount(), live + 6);
    ASSERT_FALSE(a.SetAccessFormat(keFormatGreyA).IsError());
    a.GetRow(3);  // never released: the cache is dropped with the buffer
    ASSERT_FALSE(b.Copy(a).IsError());
  }
  EXPECT_EQ(LiveMemoryBlockCount(), live);
}

}  // namespace
