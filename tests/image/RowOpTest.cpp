// Row operation kinds, lookup, binding through intermediate formats, and
// the blend-layer kernels' worked values.
#include "image/RowOp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/PixelFormat.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(RowOperationName, NamesEveryKindAndUnknownForTheRest) {
  const struct {
    int kind;
    const char* name;
  } cases[] = {{0, "keRoNOP"},          {10, "keRoRowBlend"},   {11, "Unknown"},
               {12, "keRoRowBlendLayer"}, {14, "keRoRowCopy"},  {16, "keRoRowCopyPalettedWithTransparencyIndex"},
               {31, "keRoRowTurbulence"}, {32, "Unknown"},      {33, "keRoHighPass"},
               {34, "Unknown"},          {-1, "Unknown"}};
  for (const auto& c : cases) EXPECT_STREQ(RowOperationName(c.kind), c.name) << c.kind;
}

// Runs one bound operation on one run.
Bytes RunOne(const CRowOp& op, int dst, Bytes dstBytes, int src, const Bytes& srcBytes, int count) {
  RowJob job;
  job.dstFormat = dst;
  job.srcFormat = src;
  job.count = count;
  job.dst = dstBytes.data();
  job.src = srcBytes.data();
  CRowOpBinding binding;
  EXPECT_TRUE(op.Bind(binding, job, keLookupBest));
  EXPECT_TRUE(binding.Run(job));
  return dstBytes;
}

TEST(RowOpLookup, ModesPickPlainAlternativeOrNothing) {
  const CRowOp copy = CRowOp::Copy();
  EXPECT_NE(copy.Lookup(keFormatBGR, keFormatBGRA, keLookupPlain), RowNopKernel);
  // The copy table has plain kernels only.
  EXPECT_EQ(copy.Lookup(keFormatBGR, keFormatBGRA, keLookupAlternative), RowNopKernel);
  EXPECT_EQ(copy.Lookup(keFormatBGR, keFormatBGRA, keLookupBest), copy.Lookup(keFormatBGR, keFormatBGRA, keLookupPlain));
  EXPECT_EQ(copy.Lookup(keFormatBGR, keFormatBGRA, 3), RowNopKernel);
  EXPECT_EQ(copy.Lookup(keFormatBGR, keFormatGreyA_u16, keLookupPlain), RowNopKernel);
  EXPECT_EQ(CRowOp(keRoRowNoise).Lookup(keFormatBGR, keFormatBGR, keLookupPlain), RowNopKernel);
}

TEST(RowOpBind, ConvertsThroughTheFirstFittingIntermediate) {
  // BGR <- GreyA_u16 has no kernel; a BGR intermediate is skipped because
  // the source has alpha, so it goes through BGRA_u16.
  RowJob job;
  job.dstFormat = keFormatBGR;
  job.srcFormat = keFormatGreyA_u16;
  CRowOpBinding binding;
  const CRowOp copy = CRowOp::Copy();
  ASSERT_TRUE(copy.Bind(binding, job, keLookupBest));
  EXPECT_TRUE(binding.converting);
  EXPECT_EQ(binding.intermediate, keFormatBGRA);
  const Bytes grey = {0x00, 0x9A, 0x00, 0x10, 0xFF, 0x31, 0x00, 0x00};  // 0x9A00 a 0x1000; 0x31FF a 0
  EXPECT_EQ(RunOne(copy, keFormatBGR, Bytes(6, 7), keFormatGreyA_u16, grey, 2),
            (Bytes{0x9A, 0x9A, 0x9A, 0x31, 0x31, 0x31}));

  // A 16-bit destination tries the 16-bit intermediates first.
  job.dstFormat = keFormatGreyA_u16;
  job.srcFormat = keFormatIndex4;
  ASSERT_TRUE(copy.Bind(binding, job, keLookupBest));
  EXPECT_EQ(binding.intermediate, keFormatBGRA_u16);

  copy.Unbind(binding);
  EXPECT_FALSE(binding.IsBound());

  // A kind without kernels cannot be bound: the binding is cleared.
  job.dstFormat = keFormatBGR;
  job.srcFormat = keFormatBGR;
  EXPECT_FALSE(CRowOp(keRoRowNoise).Bind(binding, job, keLookupBest));
  EXPECT_FALSE(binding.IsBound());
  EXPECT_FALSE(binding.Run(job));
}

TEST(RowOpClone, CopiesKindAndParameters) {
  const CRowOp op = CRowOp::BlendLayer(7, 100);
  const auto clone = op.Clone();
  EXPECT_EQ(clone->Kind(), keRoRowBlendLayer);
  EXPECT_EQ(clone->Params().mode, 7);
  EXPECT_EQ(clone->Params().opacity, 100);
}

// ---- keRoRowBlendLayer ---------------------------------------------------------

TEST(BlendLayer, NormalModeWorkedValues) {
  struct Case {
    int opacity;
    Bytes dst, src, out;
  };
  const Case cases[] = {
      {255, {200, 200, 200}, {10, 20, 30, 128}, {105, 110, 115}},
      {255, {200, 200, 200}, {10, 20, 30, 255}, {10, 20, 30}},
      {255, {200, 200, 200}, {10, 20, 30, 0}, {200, 200, 200}},
      // Opacity 128 halves alpha 255: a' = (32768 + 128) / 256 = 128.
      {128, {200, 200, 200}, {10, 20, 30, 255}, {105, 110, 115}},
      // With an opacity there is no shortcut: alpha 0 gives w = 1, which
      // moves nothing.
      {200, {200, 200, 200}, {10, 20, 30, 0}, {200, 200, 200}},
      // Opacity 0 still keeps the destination.
      {0, {200, 200, 200}, {10, 20, 30, 255}, {200, 200, 200}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.opacity);
    EXPECT_EQ(RunOne(CRowOp::BlendLayer(0, c.opacity), keFormatBGR, c.dst, keFormatBGRA, c.src, 1), c.out);
  }
}

TEST(BlendLayer, GreyAnd16BitPairsFollowTheSameRule) {
  EXPECT_EQ(RunOne(CRowOp::BlendLayer(0), keFormatGrey, {200}, keFormatGreyA, {10, 128}, 1), Bytes{105});
  // 16 bits: w = a + 1 = 32769 of 65536 from 0 towards 65535 gives 32768.
  EXPECT_EQ(RunOne(CRowOp::BlendLayer(0), keFormatBGR_u16, Bytes(6, 0), keFormatBGRA_u16,
                   {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x80}, 1),
            (Bytes{0x00, 0x80, 0x00, 0x80, 0x00, 0x80}));
  // An 8-bit source over a 16-bit destination is widened first.
  EXPECT_EQ(RunOne(CRowOp::BlendLayer(0), keFormatBGRA_u16, Bytes(8, 0), keFormatBGRA, {1, 2, 3, 255}, 1),
            (Bytes{1, 1, 2, 2, 3, 3, 255, 255}));
}

TEST(BlendLayer, SourceWithoutAlphaIsCopied) {
  EXPECT_EQ(RunOne(CRowOp::BlendLayer(0, 50), keFormatGrey, {9}, keFormatBGR, {0, 0, 255}, 1), Bytes{76});
}

TEST(BlendLayer, OverATransparentDestinationTakesTheSource) {
  EXPECT_EQ(RunOne(CRowOp::BlendLayer(0), keFormatBGRA, {200, 200, 200, 0}, keFormatBGRA, {10, 20, 30, 128}, 1),
            (Bytes{10, 20, 30, 128}));
  // Half over half: alpha 128 + 128 * 127 / 255 = 192; colour weighted 2:1.
  const Bytes out = RunOne(CRowOp::BlendLayer(0), keFormatBGRA, {0, 0, 0, 128}, keFormatBGRA, {192, 192, 192, 128}, 1);
  EXPECT_EQ(out[3], 192);
  EXPECT_NEAR(out[0], 128, 1);
}

TEST(BlendLayer, MultiplyAndScreenModes) {
  // Multiply darkens, screen lightens; both at full alpha.
  EXPECT_EQ(RunOne(CRowOp::BlendLayer(7), keFormatBGR, {200, 100, 0}, keFormatBGRA, {128, 255, 255, 255}, 1),
            (Bytes{100, 100, 0}));
  EXPECT_EQ(RunOne(CRowOp::BlendLayer(20), keFormatBGR, {200, 100, 0}, keFormatBGRA, {128, 0, 255, 255}, 1),
            (Bytes{228, 100, 255}));
  // At opacity 100 the screened colour is mixed in by a' = 100.
  EXPECT_EQ(RunOne(CRowOp::BlendLayer(20, 100), keFormatBGR, {0, 0, 0}, keFormatBGRA, {255, 255, 255, 255}, 1),
            (Bytes{100, 100, 100}));
}

TEST(BlendLayer, MaskScalesTheSourceAlpha) {
  const std::uint8_t mask[2] = {255, 0};
  EXPECT_EQ(RunOne(CRowOp::BlendLayer(0, 255, mask), keFormatBGR, {200, 200, 200, 200, 200, 200}, keFormatBGRA,
                   {10, 20, 30, 255, 10, 20, 30, 255}, 2),
            (Bytes{10, 20, 30, 200, 200, 200}));
}

TEST(BlendLayer, IndexedDestinationTakesTheNearestEntryOfTheBlend) {
  Bytes palette(256 * 4, 0);
  palette[4] = palette[5] = palette[6] = 100;  // entry 1 grey 100
  palette[8] = palette[9] = palette[10] = 200;  // entry 2 grey 200
  Bytes dst = {2, 2};
  const Bytes src = {0, 0, 0, 128, 0, 0, 0, 0};
  RowJob job;
  job.dstFormat = keFormatIndex8;
  job.srcFormat = keFormatBGRA;
  job.count = 2;
  job.dst = dst.data();
  job.src = src.data();
  job.dstPalette = palette.data();
  job.dstPaletteCount = 3;
  const CRowOp op = CRowOp::BlendLayer(0);
  CRowOpBinding binding;
  ASSERT_TRUE(op.Bind(binding, job, keLookupBest));
  binding.Run(job);
  EXPECT_EQ(dst, (Bytes{1, 2}));  // 200 halfway to black is 100
}

TEST(BlendLayer, UnsupportedModeHasNoKernels) {
  RowJob job;
  job.dstFormat = keFormatBGR;
  job.srcFormat = keFormatBGRA;
  CRowOpBinding binding;
  EXPECT_FALSE(CRowOp::BlendLayer(5).Bind(binding, job, keLookupBest));
}

}  // namespace

namespace {

// ---- keRoRowFill and keRoRowCopyIndexed -----------------------------------------

TEST(RowFill, WritesTheColourInEveryFormatKeepingOtherBits) {
  RowOpParams params;
  params.colour[0] = 0x1010;  // blue
  params.colour[1] = 0x2020;
  params.colour[2] = 0xFFFF;  // red
  params.colour[3] = 0x8080;
  const CRowOp fill(keRoRowFill, params);
  EXPECT_EQ(RunOne(fill, keFormatBGRA, Bytes(8, 0), 0, {}, 2), (Bytes{0x10, 0x20, 0xFF, 0x80, 0x10, 0x20, 0xFF, 0x80}));
  EXPECT_EQ(RunOne(fill, keFormatGrey_u16, Bytes(2, 0), 0, {}, 1),
            (Bytes{static_cast<std::uint8_t>(((28 * 0x1010 + 151 * 0x2020 + 77 * 0xFFFF) >> 16) & 0xFF),
                   static_cast<std::uint8_t>((28 * 0x1010 + 151 * 0x2020 + 77 * 0xFFFF) >> 24)}));
  // Index 9 into three nibbles from pixel 1: the first and last nibbles stay.
  params.index = 9;
  const CRowOp fillIndex(keRoRowFill, params);
  Bytes nibbles = {0xAB, 0xCD};
  RowJob job;
  job.dstFormat = keFormatIndex4;
  job.count = 2;
  job.dst = nibbles.data();
  job.dstX = 1;
  CRowOpBinding binding;
  ASSERT_TRUE(fillIndex.Bind(binding, job, keLookupBest));
  binding.Run(job);
  EXPECT_EQ(nibbles, (Bytes{0xA9, 0x9D}));
}

TEST(RowCopyIndexed, GathersByTheMap) {
  const std::int32_t map[4] = {3, 3, 0, 1};
  RowOpParams params;
  params.map = map;
  const CRowOp gather(keRoRowCopyIndexed, params);
  EXPECT_EQ(RunOne(gather, keFormatBGR, Bytes(12, 0), keFormatBGR, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 4),
            (Bytes{10, 11, 12, 10, 11, 12, 1, 2, 3, 4, 5, 6}));
  // 1-bit pixels 1 0 1 1 gathered as 3 3 0 1: 1 1 1 0.
  EXPECT_EQ(RunOne(gather, keFormatIndex1, Bytes{0x00}, keFormatIndex1, {0xB0}, 4), Bytes{0xE0});
}

}  // namespace
