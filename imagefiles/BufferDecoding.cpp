#include "imagefiles/BufferDecoding_p.h"

#include <cstring>
#include <exception>

#include "imagefiles/JpegReader_p.h"
#include "imagefiles/Picture.h"

namespace bufferdecode {
namespace {

// ===========================================================================
// JPEG files straight into the buffer
// ===========================================================================

// The rows of a new keFormatBGR buffer for the JPEG decoder.  The buffer
// converts nothing on access, so its stored rows are its rows.
struct BufferSink {
  CImageBuffer* buffer;
  std::vector<std::uint8_t*> rows;
  std::uint32_t createError;
};

bool CreateBuffer(void* context, unsigned width, unsigned height, bool /*grey*/, PictureError* error) {
  auto* sink = static_cast<BufferSink*>(context);
  // The picture size rules of every decoded picture.
  if (!CPicture::CheckSize(width, height, 24, error)) return false;
  try {
    // Not filled: the decoder writes every row (a damaged file's missing
    // rows are written too), and fresh memory is zero already.
    CStatus status = sink->buffer->Create(static_cast<int>(width), static_cast<int>(height), keFormatBGR);
    if (status.IsError()) {
      sink->createError = status.Code();
      *error = {keErrOutOfMemory, "Template: cannot create the buffer (error " + std::to_string(status.Code()) + ")"};
      return false;
    }
    sink->rows.resize(height);
  } catch (const std::exception& e) {
    *error = {keErrOutOfMemory, std::string("Template: ") + e.what()};
    return false;
  }
  for (unsigned y = 0; y < height; ++y) sink->rows[y] = sink->buffer->PixelAddress(0, static_cast<int>(y));
  return true;
}

std::uint8_t* BufferRow(void* context, unsigned y) { return static_cast<BufferSink*>(context)->rows[y]; }

}  // namespace

bool DecodeJpegIntoBuffer(const std::vector<std::uint8_t>& bytes, ImageFileType type, CImageBuffer* buffer,
                          std::string* damage) {
  if (type != 0 && type != keFileTypeJPEG) return false;
  if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8 || bytes[2] != 0xFF) return false;
  BufferSink sink{buffer, {}, 0};
  PictureError error;
  std::string found;
  if (!DecodeJpegRows(bytes.data(), bytes.size(), {&sink, CreateBuffer, BufferRow, true}, &found, &error)) {
    buffer->Clear();
    return false;
  }
  if (damage != nullptr) *damage = found;
  return true;
}

void CopyRowAsBgr(const CPicture& picture, unsigned t, std::uint8_t* out) {
  const unsigned width = picture.GetWidth();
  const unsigned y = picture.GetHeight() - 1 - t;
  if (picture.GetBpp() == 24) {
    std::memcpy(out, picture.GetBits(y), static_cast<std::size_t>(width) * 3);
    return;
  }
  if (picture.GetBpp() == 8) {
    const std::uint8_t* indices = picture.GetBits(y);
    const PictureRgbQuad* palette = picture.GetPalette();
    for (unsigned x = 0; x < width; ++x) {
      const PictureRgbQuad& c = palette[indices[x]];
      out[3 * x] = c.rgbBlue;
      out[3 * x + 1] = c.rgbGreen;
      out[3 * x + 2] = c.rgbRed;
    }
    return;
  }
  for (unsigned x = 0; x < width; ++x) {
    const PictureRgbQuad c = picture.GetPixelColor(static_cast<long>(x), static_cast<long>(y), false);
    out[3 * x] = c.rgbBlue;
    out[3 * x + 1] = c.rgbGreen;
    out[3 * x + 2] = c.rgbRed;
  }
}

bool DecodeTypedThenDetected(const std::vector<std::uint8_t>& bytes, ImageFileType type, CPicture* picture) {
  const bool typed = type >= 1 && type <= 15;
  bool decoded = typed && picture->Decode(bytes.data(), bytes.size(), type);
  const PictureError typedError{picture->GetLastErrorCode(), picture->GetLastError()};
  if (!decoded) decoded = picture->Decode(bytes.data(), bytes.size(), 0);
  if (!decoded && typed) picture->SetLastError(typedError);
  return decoded;
}

}  // namespace bufferdecode
