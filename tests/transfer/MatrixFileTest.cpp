#include "transfer/MatrixFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <vector>

#include "image/ImageBuffer.h"
#include "platform/File.h"
#include "tests/support/TempDir.h"

namespace {

void Put32(std::vector<std::uint8_t>* bytes, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes->push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A matrix file announcing width x height and holding `values`.
std::string WriteMatrix(const TempDir& dir, const char* name, std::int32_t width, std::int32_t height,
                        const std::vector<float>& values) {
  std::vector<std::uint8_t> bytes;
  Put32(&bytes, static_cast<std::uint32_t>(width));
  Put32(&bytes, static_cast<std::uint32_t>(height));
  bytes.resize(77, 0xAB);  // header fields nobody reads
  for (float v : values) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    Put32(&bytes, bits);
  }
  const std::string path = dir.File(name);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
  return path;
}

std::vector<std::uint8_t> Greys(const CImageBuffer& picture) {
  std::vector<std::uint8_t> greys;
  for (int y = 0; y < picture.Height(); ++y) {
    CRowReader row(picture, y);
    for (int x = 0; x < picture.Width(); ++x) {
      EXPECT_EQ(row.Row()[3 * x], row.Row()[3 * x + 1]);
      EXPECT_EQ(row.Row()[3 * x], row.Row()[3 * x + 2]);
      greys.push_back(row.Row()[3 * x]);
    }
  }
  return greys;
}

TEST(MatrixFileTest, ValuesScaleFromMinimumToMaximum) {
  TempDir dir;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    const char* what;
    int width, height;
    std::vector<float> values;
    std::vector<std::uint8_t> greys;
  };
  const Case cases[] = {
      // scale 255 / 4 = 63.75: 1 -> 63.75, 2 -> 127.5, truncated
      {"spread", 2, 2, {0.0f, 1.0f, 2.0f, 4.0f}, {0, 63, 127, 255}},
      {"negative", 3, 1, {-2.0f, 0.0f, 2.0f}, {0, 127, 255}},
      {"all equal", 2, 3, {5.0f, 5.0f, 5.0f, 5.0f, 5.0f, 5.0f}, {0, 0, 0, 0, 0, 0}},
      {"one value", 1, 1, {42.0f}, {0}},
      {"not a number", 3, 1, {0.0f, nan, 1.0f}, {0, 0, 255}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = WriteMatrix(dir, "m.img", c.width, c.height, c.values);
    MatrixValues matrix;
    std::string error;
    ASSERT_EQ(MatrixReadResult::kOk, ReadMatrixFile(path, &matrix, &error)) << error;
    EXPECT_EQ(c.width, matrix.width);
    EXPECT_EQ(c.height, matrix.height);
    CImageBuffer picture;
    ASSERT_FALSE(MatrixPicture(matrix, &picture).IsError());
    EXPECT_EQ(c.greys, Greys(picture));
  }
}

TEST(MatrixFileTest, DamagedFilesAreRefusedWithoutReadingPastTheEnd) {
  TempDir dir;
  struct Case {
    const char* what;
    int width, height;
    std::size_t values;
  };
  for (const Case& c : {Case{"fewer values than announced", 3, 3, 8}, Case{"no columns", 0, 3, 0},
                        Case{"negative rows", 2, -1, 2}, Case{"huge", 0x7FFFFFFF, 0x7FFFFFFF, 4}}) {
    SCOPED_TRACE(c.what);
    const std::string path = WriteMatrix(dir, "bad.img", c.width, c.height, std::vector<float>(c.values, 1.0f));
    MatrixValues matrix;
    std::string error;
    EXPECT_EQ(MatrixReadResult::kDamaged, ReadMatrixFile(path, &matrix, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(matrix.values.empty());
  }
  const std::string shortHeader = dir.File("short.img");
  std::ofstream(shortHeader, std::ios::binary) << "tiny";
  MatrixValues matrix;
  std::string error;
  EXPECT_EQ(MatrixReadResult::kDamaged, ReadMatrixFile(shortHeader, &matrix, &error));
  EXPECT_EQ(MatrixReadResult::kCannotOpen, ReadMatrixFile(dir.File("missing.img"), &matrix, &error));
}

TEST(MatrixFileTest, ReadOnlyFilesCannotBeOpened) {
  TempDir dir;
  const std::string path = WriteMatrix(dir, "locked.img", 1, 1, {1.0f});
  ASSERT_TRUE(platform::SetFileReadOnly(path, true));
  platform::File probe;
  if (probe.Open(path, platform::FileAccess::kReadWrite, platform::FileDisposition::kOpenExisting,
                 platform::FileShare::kNone)) {
    probe.Close();
    platform::SetFileReadOnly(path, false);
    GTEST_SKIP() << "this account may write read-only files";
  }
  MatrixValues matrix;
  std::string error;
  EXPECT_EQ(MatrixReadResult::kCannotOpen, ReadMatrixFile(path, &matrix, &error));
  platform::SetFileReadOnly(path, false);
}

}  // namespace
