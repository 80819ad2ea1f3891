#pragma once
// The writers behind PictureWriter.h, one file per format.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "image/ImageBuffer.h"
#include "imagefiles/PictureWriter.h"

namespace picturewrite {

// Bytes per pixel of the buffers the writers take: 3 (B, G, R) or 4 (B, G,
// R, A).
inline int PixelBytes(const CImageBuffer& image) { return image.AccessFormat() == keFormatBGRA ? 4 : 3; }

// Row y of the image as the buffer holds it (PixelBytes per pixel), copied
// into `out`: the libraries read rows after the buffer has handed them
// back.  Runs to its end before any library call that may jump, so its
// scope objects are always destroyed.
bool FetchRow(const CImageBuffer& image, int y, unsigned char* out);

bool WriteJpeg(const CImageBuffer& image, std::FILE* file, const PictureWriteOptions& options, std::string* error);
bool WritePng(const CImageBuffer& image, std::FILE* file, const PictureWriteOptions& options, std::string* error);
bool WriteBmp(const CImageBuffer& image, std::FILE* file, std::string* error);
// TIFF needs to seek: into a file by its path, or into memory.
bool WriteTiffFile(const CImageBuffer& image, const std::string& path, const PictureWriteOptions& options,
                   std::string* error);
bool WriteTiffMemory(const CImageBuffer& image, std::vector<std::uint8_t>* bytes, const PictureWriteOptions& options,
                     std::string* error);

}  // namespace picturewrite
