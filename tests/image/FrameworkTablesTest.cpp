// The framework tables: built by start-up, freed by shutdown, and the same
// bytes on every run-time.
#include "image/FrameworkTables.h"

#include <gtest/gtest.h>

#include "image/Framework.h"

namespace {

TEST(FrameworkTables, BuiltAtStartUpAndFreedAtShutdown) {
  ASSERT_TRUE(InitImageFramework());
  const FrameworkTables* t = GetFrameworkTables();
  ASSERT_NE(t, nullptr);
  ASSERT_TRUE(InitImageFramework());
  EXPECT_EQ(GetFrameworkTables(), t);  // a second start-up does nothing

  EXPECT_EQ(t->divide255[0], 0);
  EXPECT_EQ(t->divide255[127], 1);    // (127 + 128) / 255
  EXPECT_EQ(t->divide255[65025], 255);
  EXPECT_EQ(t->squareRoot[64], 127);  // sqrt(64 / 255) * 255 = 127.75
  EXPECT_EQ(t->squareRoot[255], 255);
  EXPECT_EQ(t->reciprocal[3][7], (3u * 65536 + 3) / 7);
  EXPECT_EQ(t->unpremultiply[128][100], 199);
  EXPECT_EQ(t->unpremultiply[128][200], 255);
  EXPECT_EQ(t->unpremultiply[0][200], 0);
  EXPECT_EQ(t->unpremultiply[255][200], 200);

  // The noise comes from the fixed generator seeded with 1: its first
  // outputs are 41, 18467, 6334 (the sequence of the common C run-time's
  // rand(), which is what the table always had on Windows).
  EXPECT_EQ(t->noise[0], 41 % 254);
  EXPECT_EQ(t->noise[1], 18467 % 254);
  EXPECT_EQ(t->noise[2], 6334 % 254);
  for (std::uint8_t v : t->noise) ASSERT_LT(v, 254);

  ReleaseImageFramework();
  EXPECT_EQ(GetFrameworkTables(), nullptr);
  ASSERT_TRUE(InitImageFramework());
  EXPECT_NE(GetFrameworkTables(), nullptr);
}

}  // namespace
