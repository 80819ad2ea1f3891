#pragma once
// Writing an image buffer to a picture file: PNG (libpng), JPEG (libjpeg),
// TIFF (libtiff, LZW) or BMP (24-bit), chosen by the file's extension.
//
// The buffer is keFormatBGR, or keFormatBGRA for a picture with
// transparency, with its top row first.  PNG and TIFF keep the alpha; JPEG
// and BMP cannot hold it and write the colours alone.  With metadata
// (imagefiles/PictureMetadata.h) the colour profile, EXIF block, XMP
// packet, resolution and comment go into the file through each library's
// own interface: libjpeg's markers and ICC writer, libpng's iCCP, eXIf,
// pHYs and text chunks, libtiff's tags and EXIF directory.  BMP holds none.
//
// The file is written in place: callers that must never leave a partial
// file behind write to a temporary name and rename it.

#include <cstdio>
#include <string>

#include "image/ImageBuffer.h"
#include "imagefiles/PictureMetadata.h"

enum class PictureFormat { kUnknown, kPng, kJpeg, kTiff, kBmp };

// How a JPEG file samples its colour: every pixel (4:4:4), every second
// column (4:2:2), every second column and row (4:2:0), or as the library
// chooses by default (4:2:0).
enum class JpegSubsampling { kLibraryDefault, k444, k422, k420 };

struct PictureWriteOptions {
  int quality = 92;  // JPEG, 1-100
  JpegSubsampling subsampling = JpegSubsampling::kLibraryDefault;
  bool progressive = false;                   // JPEG
  const PictureMetadata* metadata = nullptr;  // carried into the file when given
  std::string software;                       // names the writing program in PNG and TIFF files
};

// By the extension, in any case: png; jpg, jpeg; tif, tiff; bmp.
PictureFormat PictureFormatOf(const std::string& path);
// The usual extension of a format, without the dot ("" for kUnknown).
const char* ExtensionOfFormat(PictureFormat format);

// Answers false with a reason in `*error`.
bool WritePicture(const CImageBuffer& image, const std::string& path, PictureFormat format,
                  const PictureWriteOptions& options, std::string* error);
// The same into an open stream, which need not be able to seek (a pipe):
// the whole file is written, the stream is flushed, not closed.
bool WritePictureToStream(const CImageBuffer& image, std::FILE* stream, PictureFormat format,
                          const PictureWriteOptions& options, std::string* error);

// A BGR picture with the library's default sampling and no metadata.
// `quality` (1-100) is used for JPEG.
bool WritePicture(const CImageBuffer& image, const std::string& path, PictureFormat format, int quality,
                  std::string* error);
