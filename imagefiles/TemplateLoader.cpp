#include "imagefiles/TemplateLoader.h"

#include <cctype>
#include <exception>

#include "imagefiles/FileType.h"
#include "imagefiles/Picture.h"

CImageBuffer LoadTemplateBuffer(const std::string& path) {
  std::string ignored;
  return LoadTemplateBuffer(path, &ignored);
}

CImageBuffer LoadTemplateBuffer(const std::string& path, std::string* error) {
  error->clear();
  std::string extension = ExtensionOf(path);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const ImageFileType type = TypeFromExtension(extension);

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
  return buffer;
}
