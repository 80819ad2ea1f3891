#pragma once
// The EXIF reader behind CPictureJPG::CExifInfo (imagefiles/PictureJpg.h).
//
// An EXIF block is a little TIFF file inside a JPEG APP1 segment: "Exif\0\0",
// a TIFF header giving the byte order ("II" or "MM") and the offset of IFD0,
// then image file directories of 12-byte entries whose values lie inline
// (4 bytes or less) or at offsets from the TIFF header.  Three directories
// matter: IFD0 (camera make and model, date and time, orientation, the
// pointer to the EXIF sub-IFD), the EXIF sub-IFD (DateTimeOriginal, the
// picture's pixel size) and IFD1, which follows IFD0 and describes the
// embedded thumbnail (JPEGInterchangeFormat and its length).
//
// The block comes from files of any origin, so every offset and count is
// checked against the block before it is used, a directory is read at most
// once (chains that loop stop there), directories of more than
// kExifMaxEntries entries are refused, and texts are cut at kExifMaxText
// bytes.  A fault ends the directory it is in; what was read before stays.

#include <cstddef>
#include <cstdint>

#include "imagefiles/PictureJpg.h"

constexpr unsigned kExifMaxEntries = 1000;
constexpr std::size_t kExifMaxText = 255;

// Finds the contents of the first APP1 segment that starts "Exif\0\0" in the
// JPEG file `data` (the markers before the first scan), and the frame size of
// its SOFn header when one comes before the first scan.  `*block` is null and
// `*blockSize` 0 when there is none; the segment's declared length is
// trusted only as far as the file's bytes go.  Answers false when `data` is
// no JPEG file (no start of image marker).
bool FindExifBlock(const std::uint8_t* data, std::size_t size, const std::uint8_t** block, std::size_t* blockSize,
                   unsigned* frameWidth, unsigned* frameHeight);
