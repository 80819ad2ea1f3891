#pragma once
// Decoding a picture file's bytes into an image buffer: shared by the
// template loader (the plug-in's path) and the photo loader (the
// command-line tool's), so that both see the same pixels.

#include <cstdint>
#include <string>
#include <vector>

#include "image/ImageBuffer.h"
#include "imagefiles/FileType.h"

class CPicture;

namespace bufferdecode {

// A JPEG file (by its content) whose type is JPEG or unknown, decoded
// straight into `*buffer` as keFormatBGR, top row first.  False when the
// file is no such JPEG or did not decode: the general path then decodes it
// and says why.  `*damage` (may be null) receives why the picture is not
// whole.
bool DecodeJpegIntoBuffer(const std::vector<std::uint8_t>& bytes, ImageFileType type, CImageBuffer* buffer,
                          std::string* damage);

// Row t of the picture from the top as B, G, R: 24-bit rows are already
// B, G, R; others resolve their palette.
void CopyRowAsBgr(const CPicture& picture, unsigned t, std::uint8_t* out);

// As CPicture::Load, on bytes in memory: the decoder of `type` first
// (1 .. 15), then detection; when both fail, the typed attempt's error.
bool DecodeTypedThenDetected(const std::vector<std::uint8_t>& bytes, ImageFileType type, CPicture* picture);

}  // namespace bufferdecode
