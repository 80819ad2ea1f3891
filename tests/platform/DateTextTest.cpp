// Dates in the user's format, without touching the process's locale; file
// facts with 64-bit sizes.

#include "platform/DateText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <fstream>
#include <string>

#include "platform/FileInfo.h"
#include "tests/support/TempDir.h"

namespace {

TEST(DateTextTest, FormatsValidTimesAndRefusesOthers) {
  const std::string text = platform::FormatDateTime({2012, 9, 17, 15, 53, 45});
  EXPECT_NE(std::string::npos, text.find("2012")) << text;
  EXPECT_NE(std::string::npos, text.find("53")) << text;
  const platform::CalendarTime invalid[] = {
      {2021, 2, 29, 0, 0, 0}, {2021, 13, 1, 0, 0, 0}, {2021, 4, 31, 0, 0, 0}, {2021, 1, 1, 24, 0, 0},
      {2021, 1, 1, 0, 60, 0}, {1500, 1, 1, 0, 0, 0},  {0, 0, 0, 0, 0, 0}};
  for (const auto& t : invalid) EXPECT_EQ("", platform::FormatDateTime(t)) << t.year << "-" << t.month << "-" << t.day;
  EXPECT_NE("", platform::FormatDateTime({2020, 2, 29, 23, 59, 59}));  // a leap day
}

TEST(DateTextTest, LeavesTheProcessLocaleAlone) {
  const std::string before = std::setlocale(LC_ALL, nullptr);
  platform::CalendarTime now;
  ASSERT_TRUE(platform::LocalCalendarTime(1600000000, &now));
  EXPECT_NE("", platform::FormatDateTime(now));
  EXPECT_EQ(before, std::setlocale(LC_ALL, nullptr));
}

TEST(DateTextTest, LocalCalendarTimeIsAWallClockTime) {
  platform::CalendarTime t;
  ASSERT_TRUE(platform::LocalCalendarTime(1600000000, &t));  // 2020-09-13 12:26:40 UTC
  EXPECT_EQ(2020, t.year);
  EXPECT_EQ(9, t.month);
  EXPECT_GE(t.day, 12);
  EXPECT_LE(t.day, 14);
  EXPECT_EQ(40, t.second);
}

TEST(FileInfoTest, SizeAndTimesOfAFile) {
  TempDir dir;
  const std::string path = dir.File("f.bin");
  std::ofstream(path, std::ios::binary) << std::string(5000, 'x');
  platform::FileAttributeData data;
  ASSERT_TRUE(platform::ReadFileAttributes(path, &data));
  EXPECT_EQ(5000u, data.size);
  EXPECT_FALSE(data.isFolder);
  EXPECT_GT(data.lastWriteTime, 1600000000);
  ASSERT_TRUE(platform::ReadFileAttributes(dir.Path().string(), &data));
  EXPECT_TRUE(data.isFolder);
  EXPECT_FALSE(platform::ReadFileAttributes(dir.File("missing"), &data));
}

TEST(FileInfoTest, SizesPast4GigabytesKeepTheirHighBits) {
  TempDir dir;
  const std::string path = dir.File("sparse.bin");
  const std::uint64_t size = (std::uint64_t{1} << 32) + 1000;
  {
    std::ofstream out(path, std::ios::binary);
    out.seekp(static_cast<std::streamoff>(size - 1));
    out.put('x');
    if (!out) GTEST_SKIP() << "no room for a sparse 4 GB file here";
  }
  platform::FileAttributeData data;
  ASSERT_TRUE(platform::ReadFileAttributes(path, &data));
  EXPECT_EQ(size, data.size);
}

}  // namespace
