#include "image/BlockCopy_p.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

TEST(BlockCopy, RoutineChoice) {
  alignas(16) static std::uint8_t a[64], b[64];
  const CpuVectors sse{true, true}, mmx{false, true}, none{false, false};
  struct Case {
    CpuVectors cpu;
    std::size_t bytes;
    const void* target;
    std::ptrdiff_t targetStride;
    const void* source;
    std::ptrdiff_t sourceStride;
    std::uint64_t total;
    CopyRoutine expected;
  };
  const Case cases[] = {
      {sse, 15, a, 16, b, 16, 15, keCopyPlain},
      {none, 64, a, 64, b, 64, 64, keCopyPlain},
      {mmx, 64, a, 64, b, 64, 64, keCopy64},
      {sse, 64, a, -64, b, 64, 0x1FFFF, keCopy128Aligned},
      {sse, 64, a, -64, b, 64, 0x20000, keCopy128AlignedStream},
      {sse, 48, a + 1, 64, b, 64, 100, keCopy128Unaligned},
      {sse, 40, a, 64, b, 64, 100, keCopy128Unaligned},
      {sse, 64, a, 64, b, 72, 100, keCopy128Unaligned},
      {sse, 64, a, 64, b + 8, 64, 0x20000, keCopy128UnalignedStream},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bytes << " bytes, expected " << c.expected);
    EXPECT_EQ(ChooseCopyRoutine(c.cpu, c.bytes, c.target, c.targetStride, c.source, c.sourceStride, c.total),
              c.expected);
  }
}

// Every routine copies exactly the block: odd offsets and widths, negative
// strides, bytes between rows untouched.
TEST(BlockCopy, EveryRoutineCopiesExactly) {
  const CopyRoutine routines[] = {keCopyPlain, keCopy64, keCopy128Unaligned, keCopy128Aligned,
                                  keCopy128UnalignedStream, keCopy128AlignedStream};
  const bool has128 = ProcessorVectors().has128;
  for (CopyRoutine routine : routines) {
    const bool aligned = routine == keCopy128Aligned || routine == keCopy128AlignedStream;
    if (routine >= keCopy128Unaligned && !has128) continue;
    for (std::size_t bytes : {16u, 17u, 63u, 64u, 65u, 200u, 1000u}) {
      if (aligned && bytes % 16 != 0) continue;
      for (int offset : {0, 1, 7}) {
        if (aligned && offset != 0) continue;
        SCOPED_TRACE(testing::Message() << "routine " << routine << " bytes " << bytes << " offset " << offset);
        const int rows = 5;
        const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>((bytes + 32 + 15) / 16 * 16);
        std::vector<std::uint8_t> source(static_cast<std::size_t>(stride * rows + 64));
        std::vector<std::uint8_t> target(source.size(), 0xEE);
        for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<std::uint8_t>(i * 13 + 5);
        // Aligned starts for the aligned routines: find a 16-byte boundary.
        auto align = [](std::uint8_t* p) {
          return p + ((16 - reinterpret_cast<std::uintptr_t>(p) % 16) % 16);
        };
        std::uint8_t* s = align(source.data()) + offset + stride * (rows - 1);
        std::uint8_t* t = align(target.data()) + offset + stride * (rows - 1);
        std::vector<std::uint8_t> expected = target;
        std::uint8_t* e = expected.data() + (t - target.data());
        for (int y = 0; y < rows; ++y) std::memcpy(e - y * stride, s - y * stride, bytes);
        CopyBlock(routine, t, -stride, s, -stride, bytes, rows);
        ASSERT_EQ(target, expected);
      }
    }
  }
}

}  // namespace
