// The TGA header judged once: the content probe calls a file TGA exactly
// when the TGA reader takes it on (decodes it, or refuses it for a reason
// other than "not a TGA file").

#include "imagefiles/TgaHeader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "imagefiles/FileType.h"
#include "imagefiles/Picture.h"
#include "tests/imagefiles/PictureTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

using picturetest::Bytes;
using picturetest::Le16;

struct HeaderCase {
  const char* name;
  unsigned mapType, imageType, xOrigin, yOrigin, width, height, depth;
  const char* fault;  // TgaHeaderFault, null for a TGA header
};

void PrintTo(const HeaderCase& c, std::ostream* os) { *os << c.name; }

const HeaderCase kHeaders[] = {
    {"true_colour", 0, 2, 0, 0, 4, 3, 24, nullptr},
    {"rle_origin_at_the_size", 0, 10, 4, 3, 4, 3, 32, nullptr},
    {"grey", 0, 3, 0, 0, 4, 3, 8, nullptr},
    {"grey_rle_15_bits", 0, 11, 0, 0, 4, 3, 15, nullptr},  // a TGA header; the reader has no 15-bit grey
    {"colour_map_type_2", 2, 2, 0, 0, 4, 3, 24, "unknown colour-map type"},
    {"image_type_0", 0, 0, 0, 0, 4, 3, 24, "unknown image type"},
    {"image_type_4", 0, 4, 0, 0, 4, 3, 24, "unknown image type"},
    {"depth_12", 0, 2, 0, 0, 4, 3, 12, "unknown pixel depth"},
    {"width_0", 0, 2, 0, 0, 0, 3, 24, "width and height must be greater than zero"},
    {"x_origin_inside", 0, 2, 1, 0, 4, 3, 24, "origin neither 0 nor the picture's size"},
    {"y_origin_past", 0, 2, 0, 4, 4, 3, 24, "origin neither 0 nor the picture's size"},
};

// The header, then room for 4 x 3 pixels of 4 bytes.
Bytes TgaFile(const HeaderCase& c) {
  Bytes b = {0, static_cast<std::uint8_t>(c.mapType), static_cast<std::uint8_t>(c.imageType),  // ID length, types
             0, 0, 0, 0, 0};                                                                     // colour map
  Le16(&b, c.xOrigin);
  Le16(&b, c.yOrigin);
  Le16(&b, c.width);
  Le16(&b, c.height);
  b.push_back(static_cast<std::uint8_t>(c.depth));
  b.push_back(0x20);  // top-left origin
  b.resize(b.size() + 4 * 3 * 4, 0x40);
  return b;
}

class TgaHeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(TgaHeaderTest, ProbeAndReaderAgree) {
  const HeaderCase& c = GetParam();
  const Bytes file = TgaFile(c);
  TgaHeader header;
  ASSERT_TRUE(ReadTgaHeader(file.data(), file.size(), &header));
  EXPECT_EQ(c.width, header.width);
  EXPECT_EQ(c.yOrigin, header.yOrigin);
  const char* fault = TgaHeaderFault(header);
  EXPECT_EQ(c.fault == nullptr ? std::string("(none)") : c.fault, fault == nullptr ? "(none)" : fault);

  TempDir dir;
  const std::string path = dir.File("probe.bin");
  picturetest::WriteFile(path, file);
  EXPECT_EQ(c.fault == nullptr ? keFileTypeTGA : keFileTypeUnknown, TypeFromContent(path));

  CPicture picture;
  const bool decoded = picture.Decode(file.data(), file.size(), keFileTypeTGA);
  const bool notTga = picture.GetLastError().rfind("TGA: not a TGA file", 0) == 0;
  EXPECT_EQ(c.fault != nullptr, !decoded && notTga) << picture.GetLastError();
  if (c.fault != nullptr) {
    EXPECT_EQ(std::string("TGA: not a TGA file: ") + c.fault, picture.GetLastError());
  }
}

INSTANTIATE_TEST_SUITE_P(Headers, TgaHeaderTest, ::testing::ValuesIn(kHeaders),
                         [](const ::testing::TestParamInfo<HeaderCase>& info) { return std::string(info.param.name); });

TEST(TgaHeaderReadTest, FewerThan18BytesAreNoHeader) {
  const Bytes file = TgaFile(kHeaders[0]);
  TgaHeader header;
  EXPECT_FALSE(ReadTgaHeader(file.data(), 17, &header));
  EXPECT_TRUE(ReadTgaHeader(file.data(), 18, &header));
}

}  // namespace
