// Real photographs and pictures from Debian's python3-skimage package
// (fetched by scripts/fetch-samples into a cache, never committed): every
// picture of its data folder must decode, and where ImageMagick is at hand
// its decode of the same file (frame 0) must agree within a tolerance.
// Skipped when the folder has not been fetched.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "imagefiles/FileType.h"
#include "imagefiles/Picture.h"
#include "tests/imagefiles/PictureTestSupport.h"
#include "tests/support/ImageMagick.h"

namespace {

// Where scripts/fetch-samples puts the pictures.
std::filesystem::path SamplesFolder() {
  if (const char* dir = std::getenv("TINTAVO_SAMPLES_DIR"); dir != nullptr && *dir != '\0') return dir;
  std::filesystem::path cache;
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg != nullptr && *xdg != '\0') {
    cache = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    cache = std::filesystem::path(home) / ".cache";
  } else if (const char* wineHome = std::getenv("WINEHOMEDIR"); wineHome != nullptr && *wineHome != '\0') {
    // Under Wine, HOME is hidden; WINEHOMEDIR is the Unix home as "\??\Z:\root".
    std::string path = wineHome;
    if (path.rfind("\\??\\", 0) == 0) path.erase(0, 4);
    cache = std::filesystem::path(path) / ".cache";
  } else {
    return {};
  }
  return cache / "tintavo" / "samples" / "skimage" / "data";
}

using imagemagick::CommandOutput;

// "WIDTH HEIGHT" of frame 0 as ImageMagick sees it.
bool ImageMagickSize(const std::string& path, unsigned* width, unsigned* height) {
  const std::vector<std::uint8_t> out = CommandOutput("convert '" + path + "[0]' -format '%w %h' info:- 2>/dev/null");
  const std::string text(out.begin(), out.end());
  return std::sscanf(text.c_str(), "%u %u", width, height) == 2;
}

// Files that are refused: truncated.jpg ends inside its Huffman tables, before
// any pixel (ImageMagick refuses it too); multipage_rgb.tif holds 64-bit
// floating-point samples, which libtiff's RGBA interface does not read.
bool IsRefused(const std::string& name) { return name == "truncated.jpg" || name == "multipage_rgb.tif"; }

TEST(SamplePhotosTest, EveryPictureDecodesLikeImageMagick) {
  const std::filesystem::path folder = SamplesFolder();
  std::error_code ec;
  if (folder.empty() || !std::filesystem::is_directory(folder, ec)) {
    GTEST_SKIP() << "no sample pictures: run scripts/fetch-samples (looked in " << folder.string() << ")";
  }
  const bool compare = imagemagick::Available();
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (!entry.is_regular_file()) continue;
    const int type = TypeFromExtension(LowerCaseAscii(ExtensionOf(entry.path().filename().string())));
    if (type != keFileTypeUnknown) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  ASSERT_GE(files.size(), 20u) << "the sample folder looks incomplete: " << folder.string();

  for (const std::filesystem::path& file : files) {
    const std::string path = file.string();
    SCOPED_TRACE(path);
    const int type = TypeFromExtension(LowerCaseAscii(ExtensionOf(path)));
    CPicture picture;
    if (IsRefused(file.filename().string())) {
      // Refused with a text, not decoded wrongly.
      EXPECT_FALSE(picture.Load(path, type));
      EXPECT_FALSE(picture.GetLastError().empty());
      continue;
    }
    ASSERT_TRUE(picture.Load(path, type)) << picture.GetLastError();
    if (!compare) continue;

    unsigned width = 0, height = 0;
    ASSERT_TRUE(ImageMagickSize(path, &width, &height));
    ASSERT_EQ(width, picture.GetWidth());
    ASSERT_EQ(height, picture.GetHeight());
    const std::vector<std::uint8_t> reference =
        CommandOutput("convert '" + path + "[0]' -depth 8 rgb:- 2>/dev/null");
    ASSERT_EQ(std::size_t(width) * height * 3, reference.size());
    // Lossless formats must agree to rounding (16-bit samples are scaled to
    // 8 bits); JPEG decoders may differ in the last bits of their IDCT and
    // upsampling.
    const bool lossy = type == keFileTypeJPEG;
    const int maxAllowed = lossy ? 6 : 1;
    int worst = 0;
    double total = 0;
    for (unsigned y = 0; y < height; ++y) {
      for (unsigned x = 0; x < width; ++x) {
        const std::uint32_t ours = picturetest::RgbAt(picture, x, y);
        const std::uint8_t* theirs = &reference[(std::size_t(y) * width + x) * 3];
        for (int s = 0; s < 3; ++s) {
          const int d = std::abs(static_cast<int>((ours >> (16 - 8 * s)) & 0xFF) - theirs[s]);
          worst = std::max(worst, d);
          total += d;
        }
      }
    }
    EXPECT_LE(worst, maxAllowed);
    EXPECT_LE(total / (double(width) * height * 3), lossy ? 0.5 : 0.1);
  }
}

}  // namespace
