#include "imagefiles/TemplateLoader.h"

#include <exception>
#include <vector>

#include "imagefiles/BufferDecoding_p.h"
#include "imagefiles/FileType.h"
#include "imagefiles/Picture.h"

CImageBuffer LoadTemplateBuffer(const std::string& path) {
  std::string ignored;
  return LoadTemplateBuffer(path, &ignored);
}

CImageBuffer LoadTemplateBuffer(const std::string& path, std::string* error, std::string* damage) {
  error->clear();
  if (damage != nullptr) damage->clear();
  std::vector<std::uint8_t> bytes;
  PictureError readError;
  if (!ReadPictureFile(path, &bytes, &readError)) {
    *error = readError.text;
    return CImageBuffer();
  }
  return DecodeTemplateBytes(path, bytes, error, damage);
}

CImageBuffer DecodeTemplateBytes(const std::string& path, const std::vector<std::uint8_t>& bytes,
                                 std::string* error, std::string* damage) {
  error->clear();
  if (damage != nullptr) damage->clear();
  const ImageFileType type = TypeFromExtension(LowerCaseAscii(ExtensionOf(path)));
  CImageBuffer buffer;
  if (bufferdecode::DecodeJpegIntoBuffer(bytes, type, &buffer, damage)) return buffer;

  // As CPicture::Load: the decoder of the type first, then detection; when
  // both fail, the typed attempt's error.
  CPicture picture;
  picture.SetFrame(0);
  if (!bufferdecode::DecodeTypedThenDetected(bytes, type, &picture)) {
    *error = picture.GetLastError();
    return buffer;
  }
  const unsigned width = picture.GetWidth();
  const unsigned height = picture.GetHeight();
  if (width == 0 || height == 0) {
    *error = "Picture: empty";
    return buffer;
  }
  try {
    CStatus status = buffer.CreateBGR(static_cast<int>(width), static_cast<int>(height));
    if (status.IsError()) {
      *error = "Template: cannot create the buffer (error " + std::to_string(status.Code()) + ")";
      return CImageBuffer();
    }
    for (unsigned t = 0; t < height; ++t) {
      CRowWriter row(buffer, static_cast<int>(t));
      bufferdecode::CopyRowAsBgr(picture, t, row.Row());
    }
  } catch (const std::exception& e) {
    *error = std::string("Template: ") + e.what();
    return CImageBuffer();
  }
  if (damage != nullptr) *damage = picture.GetDamage();
  return buffer;
}
