#include "imagefiles/TemplateLoader.h"

#include <exception>

#include "imagefiles/FileType.h"
#include "imagefiles/Picture.h"

CImageBuffer LoadTemplateBuffer(const std::string& path) {
  std::string ignored;
  return LoadTemplateBuffer(path, &ignored);
}

CImageBuffer LoadTemplateBuffer(const std::string& path, std::string* error, std::string* damage) {
  error->clear();
  if (damage != nullptr) damage->clear();
  const ImageFileType type = TypeFromExtension(LowerCaseAscii(ExtensionOf(path)));

  CImageBuffer buffer;
  CPicture picture;
  picture.SetFrame(0);
  if (!picture.Load(path, type)) {
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
      std::uint8_t* out = row.Row();
      const long y = static_cast<long>(height - 1 - t);
      for (unsigned x = 0; x < width; ++x) {
        const PictureRgbQuad c = picture.GetPixelColor(static_cast<long>(x), y, true);
        out[3 * x] = c.rgbBlue;
        out[3 * x + 1] = c.rgbGreen;
        out[3 * x + 2] = c.rgbRed;
      }
    }
  } catch (const std::exception& e) {
    *error = std::string("Template: ") + e.what();
    return CImageBuffer();
  }
  if (damage != nullptr) *damage = picture.GetDamage();
  return buffer;
}
