#pragma once
// The shared body of the picture fuzz targets: hand one input to a decoder
// and check what it promises (imagefiles/Decoders.h) - a decoder that says
// yes has built a whole picture, one that says no has said why, with a code
// of a kind of failure.  AddressSanitizer
// and UndefinedBehaviorSanitizer watch the reads and the arithmetic; a broken
// promise aborts, so libFuzzer keeps the input.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "imagefiles/Decoders.h"
#include "imagefiles/Picture.h"

namespace tintavofuzz {

// Inputs above this are skipped: the readers' interesting structure lies in
// the first bytes, and large inputs only slow the search down.
constexpr std::size_t kMaxInputSize = std::size_t(1) << 20;

[[noreturn]] inline void Broken(const char* what) {
  std::fprintf(stderr, "fuzz: %s\n", what);
  std::abort();
}

// Reads the picture the way its users do: dimensions, the corners through
// GetPixelColor and GetPixelIndex, the last stored row and the last alpha byte.
inline void CheckPicture(const CPicture& picture) {
  const unsigned width = picture.GetWidth();
  const unsigned height = picture.GetHeight();
  if (width == 0 || height == 0) Broken("decoder answered true with an empty picture");
  if (picture.GetDIB() == nullptr || picture.GetDIBSize() == 0) Broken("decoder answered true without a DIB");
  const unsigned bpp = picture.GetBpp();
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24) Broken("bits per pixel not 1, 4, 8 or 24");
  const std::uint8_t* lastRow = picture.GetBits(height - 1);
  if (lastRow == nullptr) Broken("the top row is missing");
  volatile unsigned sink = lastRow[picture.GetEffWidth() - 1];
  const long corners[4][2] = {{0, 0}, {long(width) - 1, 0}, {0, long(height) - 1}, {long(width) - 1, long(height) - 1}};
  for (const auto& c : corners) {
    const PictureRgbQuad q = picture.GetPixelColor(c[0], c[1], true);
    sink = sink + q.rgbBlue + q.rgbGreen + q.rgbRed + q.rgbReserved + picture.GetPixelIndex(c[0], c[1]);
  }
  if (picture.AlphaIsValid()) {
    const std::uint8_t* alpha = picture.AlphaGetPointer(long(width) - 1, long(height) - 1);
    if (alpha == nullptr) Broken("alpha plane without its last byte");
    sink = sink + *alpha;
  }
  (void)sink;
}

// A refusal names its kind (image/Status.h) and says why.
inline void CheckError(std::uint32_t code, const std::string& text) {
  if (text.empty()) Broken("decoder answered false without an error text");
  if (code != keErrNoData && code != keErrFileRead && code != keErrOutOfMemory && code != keErrBadArgument) {
    Broken("decoder answered false with a code of no decoding failure");
  }
}

// One input through one decoder (frame 0, as the plug-in reads).
inline int FuzzDecoder(PictureDecoder decode, const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInputSize) return 0;
  CPicture picture;
  PictureError error;
  if (decode(data, size, 0, &picture, &error)) {
    CheckPicture(picture);
  } else {
    CheckError(error.code, error.text);
  }
  return 0;
}

}  // namespace tintavofuzz

// A whole fuzz target for one decoder function.
#define TINTAVO_DECODER_FUZZ_TARGET(decoder)                                           \
  extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { \
    return tintavofuzz::FuzzDecoder(decoder, data, size);                              \
  }
