#pragma once
// The JPEG decoder's entry for callers that want a reduced picture: the
// template browser's thumbnails decode a whole photograph only when it
// carries no usable EXIF thumbnail, and then let libjpeg scale the DCT by
// 1/2, 1/4 or 1/8 instead of decoding every pixel.

#include <cstddef>
#include <cstdint>
struct PictureError;

class CPicture;

// Decodes the JPEG file `data` at the smallest scale of 1/1, 1/2, 1/4 and 1/8
// whose width and height are still at least `minWidth` x `minHeight` (0, 0:
// full size).  `*fullWidth` and `*fullHeight` (may be null) receive the
// picture's unscaled size from its frame header.  Same contract as the
// decoders of imagefiles/Decoders.h otherwise.
bool DecodeJpegReduced(const std::uint8_t* data, std::size_t size, unsigned minWidth, unsigned minHeight,
                       CPicture* picture, unsigned* fullWidth, unsigned* fullHeight, PictureError* error);
