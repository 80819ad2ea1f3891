#pragma once
// Small pictures made by the tests themselves, written with the product's
// own BMP writer (a format every build reads without external libraries).

#include <cstdint>
#include <functional>
#include <string>

#include "image/ImageBuffer.h"
#include "imagefiles/PictureWriter.h"

// A BGR buffer whose pixel (x, y) is colour(x, y) = {b, g, r}.
inline CImageBuffer MakePicture(int width, int height,
                                const std::function<void(int, int, std::uint8_t*)>& colour) {
  CImageBuffer picture;
  picture.CreateBGR(width, height).RaiseIfError();
  for (int y = 0; y < height; ++y) {
    CRowWriter row(picture, y);
    for (int x = 0; x < width; ++x) colour(x, y, row.Row() + 3 * x);
  }
  return picture;
}

// Smooth colour gradients, different enough for a visible transfer.
inline CImageBuffer SourcePicture(int width, int height) {
  return MakePicture(width, height, [=](int x, int y, std::uint8_t* p) {
    p[0] = static_cast<std::uint8_t>(40 + 180 * y / (height > 1 ? height - 1 : 1));
    p[1] = static_cast<std::uint8_t>(60 + 120 * x / (width > 1 ? width - 1 : 1));
    p[2] = static_cast<std::uint8_t>(200 - 150 * (x + y) / (width + height));
  });
}

inline CImageBuffer TemplatePicture(int width, int height) {
  return MakePicture(width, height, [=](int x, int y, std::uint8_t* p) {
    p[0] = static_cast<std::uint8_t>(20 + (x * 7 + y * 3) % 60);
    p[1] = static_cast<std::uint8_t>(90 + 100 * x / (width > 1 ? width - 1 : 1));
    p[2] = static_cast<std::uint8_t>(230 - 90 * y / (height > 1 ? height - 1 : 1));
  });
}

inline void WriteBmp(const CImageBuffer& picture, const std::string& path) {
  std::string error;
  if (!WritePicture(picture, path, PictureFormat::kBmp, 0, &error)) RaiseError(keErrFileWrite);
}

inline bool SamePixels(const CImageBuffer& a, const CImageBuffer& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.AccessFormat() != b.AccessFormat()) return false;
  const int bytes = a.Width() * FormatBitsPerPixel(a.AccessFormat()) / 8;
  for (int y = 0; y < a.Height(); ++y) {
    CRowReader ra(a, y), rb(b, y);
    for (int i = 0; i < bytes; ++i) {
      if (ra.Row()[i] != rb.Row()[i]) return false;
    }
  }
  return true;
}
