#pragma once
// Writing an image buffer to a picture file: PNG (libpng), JPEG (libjpeg),
// TIFF (libtiff, LZW) or BMP (24-bit), chosen by the file's extension.
//
// The buffer is keFormatBGR with its top row first.  The file is written in
// place: callers that must never leave a partial file behind write to a
// temporary name and rename it.

#include <string>

#include "image/ImageBuffer.h"

enum class PictureFormat { kUnknown, kPng, kJpeg, kTiff, kBmp };

// By the extension, in any case: png; jpg, jpeg; tif, tiff; bmp.
PictureFormat PictureFormatOf(const std::string& path);

// Answers false with a reason in `*error`.  `quality` (1-100) is used for JPEG.
bool WritePicture(const CImageBuffer& image, const std::string& path, PictureFormat format, int quality,
                  std::string* error);
