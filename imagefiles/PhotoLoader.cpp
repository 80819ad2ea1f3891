#include "imagefiles/PhotoLoader.h"

#include <exception>

#include "imagefiles/BufferDecoding_p.h"
#include "imagefiles/MetadataReader.h"
#include "imagefiles/Orientation.h"

namespace {

// The decoded picture as a buffer: B, G, R, or B, G, R, A with its alpha
// plane.
bool BufferOf(const CPicture& picture, bool withAlpha, CImageBuffer* buffer, PictureError* error) {
  const unsigned width = picture.GetWidth();
  const unsigned height = picture.GetHeight();
  if (width == 0 || height == 0) {
    *error = {keErrNoData, "the picture is empty"};
    return false;
  }
  try {
    CStatus status = withAlpha ? buffer->CreateBGRA(static_cast<int>(width), static_cast<int>(height))
                               : buffer->CreateBGR(static_cast<int>(width), static_cast<int>(height));
    if (status.IsError()) {
      *error = {keErrOutOfMemory, "not enough memory for the picture"};
      return false;
    }
    std::vector<std::uint8_t> bgr(withAlpha ? static_cast<std::size_t>(width) * 3 : 0);
    for (unsigned t = 0; t < height; ++t) {
      CRowWriter row(*buffer, static_cast<int>(t));
      if (!withAlpha) {
        bufferdecode::CopyRowAsBgr(picture, t, row.Row());
        continue;
      }
      bufferdecode::CopyRowAsBgr(picture, t, bgr.data());
      const std::uint8_t* alpha = picture.AlphaGetPointer(0, static_cast<long>(height - 1 - t));
      std::uint8_t* out = row.Row();
      for (unsigned x = 0; x < width; ++x) {
        out[4 * x] = bgr[3 * x];
        out[4 * x + 1] = bgr[3 * x + 1];
        out[4 * x + 2] = bgr[3 * x + 2];
        out[4 * x + 3] = alpha[x];
      }
    }
  } catch (const std::exception&) {
    *error = {keErrOutOfMemory, "not enough memory for the picture"};
    return false;
  }
  return true;
}

// The pixels turned as the file's orientation says.
bool Upright(ImageFileType type, unsigned orientation, CImageBuffer* pixels, PictureError* error) {
  if (orientation < 2 || orientation > 8) return true;
  if (type == keFileTypeTIFF) {
    if (orientation < 5) return true;  // libtiff turned them already
    // libtiff applied orientation - 4, which undoes itself.
    CImageBuffer stored;
    if (TurnUpright(*pixels, orientation - 4, &stored).Code() != 0) {
      *error = {keErrOutOfMemory, "not enough memory to turn the picture upright"};
      return false;
    }
    *pixels = std::move(stored);
  }
  CImageBuffer turned;
  if (TurnUpright(*pixels, orientation, &turned).Code() != 0) {
    *error = {keErrOutOfMemory, "not enough memory to turn the picture upright"};
    return false;
  }
  *pixels = std::move(turned);
  return true;
}

}  // namespace

bool LoadPhoto(const std::vector<std::uint8_t>& bytes, const std::string& name, const PhotoLoadOptions& options,
               LoadedPhoto* photo, PictureError* error) {
  *photo = LoadedPhoto();
  const ImageFileType byName = TypeFromExtension(LowerCaseAscii(ExtensionOf(name)));
  photo->type = TypeFromBytes(bytes.data(), bytes.size());
  if (!bufferdecode::DecodeJpegIntoBuffer(bytes, byName, &photo->pixels, &photo->damage)) {
    CPicture picture;
    picture.SetFrame(0);
    if (!bufferdecode::DecodeTypedThenDetected(bytes, byName, &picture)) {
      *error = {picture.GetLastErrorCode(), picture.GetLastError()};
      return false;
    }
    if (!BufferOf(picture, options.keepAlpha && picture.AlphaIsValid(), &photo->pixels, error)) return false;
    photo->damage = picture.GetDamage();
  }
  ReadPictureMetadata(bytes.data(), bytes.size(), photo->type, &photo->metadata);
  if (!options.readMetadata) {
    const unsigned orientation = photo->metadata.orientation;
    photo->metadata = PictureMetadata();
    photo->metadata.orientation = orientation;
  }
  return Upright(photo->type, photo->metadata.orientation, &photo->pixels, error);
}
