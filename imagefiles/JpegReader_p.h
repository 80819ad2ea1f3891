#pragma once
// The JPEG decoder's entry for callers that want a reduced picture: the
// template browser's thumbnails decode a whole photograph only when it
// carries no usable EXIF thumbnail, and then let libjpeg scale the DCT by
// 1/2, 1/4 or 1/8 instead of decoding every pixel.

#include <cstddef>
#include <cstdint>
#include <string>
struct PictureError;

class CPicture;

// Decodes the JPEG file `data` at the smallest scale of 1/1, 1/2, 1/4 and 1/8
// whose width and height are still at least `minWidth` x `minHeight` (0, 0:
// full size).  `*fullWidth` and `*fullHeight` (may be null) receive the
// picture's unscaled size from its frame header.  Same contract as the
// decoders of imagefiles/Decoders.h otherwise.
bool DecodeJpegReduced(const std::uint8_t* data, std::size_t size, unsigned minWidth, unsigned minHeight,
                       CPicture* picture, unsigned* fullWidth, unsigned* fullHeight, PictureError* error);

// Where a decoded JPEG goes: create(context, width, height, grey, error) is
// asked once for storage of the picture's size (false with the error
// refuses), then row(context, y) for each row from the top, which receives
// width B, G, R triples - or, for a grey file when greyAsBgr is false, width
// grey bytes.  Both run while libjpeg may jump past them: they must not
// throw, and must leave nothing to destroy.
struct JpegRowSink {
  void* context;
  bool (*create)(void* context, unsigned width, unsigned height, bool grey, PictureError* error);
  std::uint8_t* (*row)(void* context, unsigned y);
  bool greyAsBgr;
};

// Decodes the JPEG file `data` at full size into the sink's rows, grey files
// as B, G, R too.  `*damage` receives why the picture is not whole (as
// CPicture::GetDamage would say it), "" when the data was whole.  False with
// the error when the data is not a JPEG picture that can be decoded.
bool DecodeJpegRows(const std::uint8_t* data, std::size_t size, const JpegRowSink& sink, std::string* damage,
                    PictureError* error);
