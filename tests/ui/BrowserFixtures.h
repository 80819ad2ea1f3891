#pragma once
// Picture files for the template browser's tests, made by the tests
// themselves: BMP, PNG, JPEG and TIFF through the product's writer, a
// transparent PNG and a tiny GIF by hand, a JPEG with a camera's EXIF
// block, and a JPEG that no decoder can read.

#include <string>

#include "image/ImageBuffer.h"
#include "imagefiles/PictureWriter.h"
#include "tests/imagefiles/ExifTestSupport.h"
#include "tests/imagefiles/LibraryTestSupport.h"
#include "tests/support/PictureFixtures.h"

namespace browsertest {

using picturetest::Bytes;

// A gradient picture written as `path` in the format of its extension.
inline void WriteGradient(const std::string& path, int width, int height) {
  const CImageBuffer picture = SourcePicture(width, height);
  std::string error;
  if (!WritePicture(picture, path, PictureFormatOf(path), 90, &error)) RaiseError(keErrFileWrite);
}

// A width x height RGBA PNG whose pixels are all {r, g, b, alpha}.
inline void WriteRgbaPng(const std::string& path, int width, int height, std::uint8_t r, std::uint8_t g,
                         std::uint8_t b, std::uint8_t alpha) {
  Bytes raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // filter: none
    for (int x = 0; x < width; ++x) {
      for (std::uint8_t v : {r, g, b, alpha}) raw.push_back(v);
    }
  }
  picturetest::WriteFile(path, picturetest::MakePng(static_cast<std::uint32_t>(width),
                                                    static_cast<std::uint32_t>(height), 8, 6, raw));
}

// A GIF of a width x height screen of background colour 1 (red), with one
// 2 x 2 frame of the four table colours at the top left.
inline void WriteGif(const std::string& path, unsigned width, unsigned height) {
  Bytes gif;
  picturetest::Append(&gif, "GIF89a");
  picturetest::Le16(&gif, width);
  picturetest::Le16(&gif, height);
  gif.push_back(0x81);  // global table of 4 entries
  gif.push_back(1);     // background: red
  gif.push_back(0);
  picturetest::Append(&gif, Bytes{0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255});
  gif.push_back(0x2C);  // image descriptor at (0, 0), 2 x 2, no local table
  picturetest::Le16(&gif, 0);
  picturetest::Le16(&gif, 0);
  picturetest::Le16(&gif, 2);
  picturetest::Le16(&gif, 2);
  gif.push_back(0);
  gif.push_back(2);  // minimum code size
  // clear, 0 1 2 3, end: 3-bit codes, the last two 4-bit (see the GIF reader's tests)
  const unsigned codes[6] = {4, 0, 1, 2, 3, 5};
  const unsigned widths[6] = {3, 3, 3, 3, 4, 4};
  Bytes lzw;
  unsigned long bits = 0;
  int count = 0;
  for (int i = 0; i < 6; ++i) {
    bits |= static_cast<unsigned long>(codes[i]) << count;
    count += static_cast<int>(widths[i]);
  }
  for (; count > 0; count -= 8, bits >>= 8) lzw.push_back(static_cast<std::uint8_t>(bits & 0xFF));
  gif.push_back(static_cast<std::uint8_t>(lzw.size()));
  picturetest::Append(&gif, lzw);
  gif.push_back(0);
  gif.push_back(0x3B);  // trailer
  picturetest::WriteFile(path, gif);
}

// A 64 x 48 JPEG whose EXIF block names a camera model and the time the
// picture was taken.
inline void WriteCameraJpeg(const std::string& path, const std::string& model, const std::string& taken) {
  const Bytes main = picturetest::WrittenBy(SourcePicture(64, 48), PictureFormat::kJpeg, "main.jpg");
  picturetest::ExifBlock exif(false);
  exif.ifd0 = {picturetest::ExifBlock::Ascii(0x0110, model), picturetest::ExifBlock::Ascii(0x0132, taken)};
  picturetest::WriteFile(path, picturetest::InsertExif(main, exif.Build()));
}

// Starts like a JPEG file and then holds nothing a decoder can read.
inline void WriteCorruptJpeg(const std::string& path) {
  Bytes bytes = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10};
  for (int i = 0; i < 200; ++i) bytes.push_back(static_cast<std::uint8_t>(i * 37));
  picturetest::WriteFile(path, bytes);
}

}  // namespace browsertest
