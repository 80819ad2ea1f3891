#include "imagefiles/Orientation.h"

#include <gtest/gtest.h>

#include <string>

#include "image/ImageBuffer.h"

namespace {

// A picture of letters, one grey pixel per letter, rows split by '/'.
CImageBuffer Letters(const std::string& rows, int format) {
  const int width = static_cast<int>(rows.find('/') == std::string::npos ? rows.size() : rows.find('/'));
  const int height = static_cast<int>((rows.size() + 1) / (width + 1));
  CImageBuffer picture;
  picture.Create(width, height, format).RaiseIfError();
  const int bytes = format == keFormatGrey ? 1 : format == keFormatBGR ? 3 : 4;
  for (int y = 0; y < height; ++y) {
    CRowWriter row(picture, y);
    for (int x = 0; x < width; ++x) {
      for (int b = 0; b < bytes; ++b) row.Row()[x * bytes + b] = static_cast<std::uint8_t>(rows[y * (width + 1) + x] + b);
    }
  }
  return picture;
}

std::string LettersOf(const CImageBuffer& picture) {
  const int bytes = picture.AccessFormat() == keFormatGrey ? 1 : picture.AccessFormat() == keFormatBGR ? 3 : 4;
  std::string rows;
  for (int y = 0; y < picture.Height(); ++y) {
    if (y > 0) rows += '/';
    CRowReader row(picture, y);
    for (int x = 0; x < picture.Width(); ++x) {
      const std::uint8_t* p = row.Row() + x * bytes;
      for (int b = 1; b < bytes; ++b) {
        if (p[b] != p[0] + b) return "(channels mixed)";
      }
      rows += static_cast<char>(p[0]);
    }
  }
  return rows;
}

// The stored picture "abc/def" as a viewer shows it for each EXIF
// orientation (the tag's definitions: 2 mirrored, 3 turned half way, 4
// flipped, 5 transposed, 6 turned a quarter clockwise, 7 transversed, 8 a
// quarter anticlockwise).
TEST(OrientationTest, EveryOrientationTurnsAsTheTagDefines) {
  const char* const upright[] = {"",        "abc/def",    "cba/fed",    "fed/cba", "def/abc",
                                 "ad/be/cf", "da/eb/fc", "fc/eb/da", "cf/be/ad"};
  for (int format : {keFormatGrey, keFormatBGR, keFormatBGRA}) {
    for (unsigned orientation = 1; orientation <= 8; ++orientation) {
      SCOPED_TRACE("format " + std::to_string(format) + ", orientation " + std::to_string(orientation));
      CImageBuffer turned;
      ASSERT_FALSE(TurnUpright(Letters("abc/def", format), orientation, &turned).IsError());
      EXPECT_EQ(upright[orientation], LettersOf(turned));
      EXPECT_EQ(format, turned.AccessFormat());
    }
  }
}

TEST(OrientationTest, ValuesOutsideTheTagLeaveThePictureAsStored) {
  for (unsigned orientation : {0u, 9u, 255u}) {
    CImageBuffer turned;
    ASSERT_FALSE(TurnUpright(Letters("ab/cd", keFormatBGR), orientation, &turned).IsError());
    EXPECT_EQ("ab/cd", LettersOf(turned));
  }
}

}  // namespace
