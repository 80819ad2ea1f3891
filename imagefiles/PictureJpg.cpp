#include "imagefiles/PictureJpg.h"

#include <exception>
#include <new>
#include <vector>

#include "image/FileStream.h"
#include "image/Status.h"
#include "imagefiles/FileType.h"
#include "imagefiles/JpegReader_p.h"

namespace {

const char kBadOrientationText[] = "Bad thumbnail orientation";


// Wider than high: 1, higher than wide: -1, square: 0.
int Aspect(unsigned width, unsigned height) { return width > height ? 1 : width < height ? -1 : 0; }

}  // namespace

bool CPictureJPG::ReadExif(const std::string& path) {
  m_exif.Clear();
  std::vector<std::uint8_t> bytes;
  PictureError error;
  if (!ReadPictureFile(path, &bytes, &error)) {
    SetLastError(error);
    return false;
  }
  if (!m_exif.Read(bytes.data(), bytes.size())) {
    SetLastError({keErrNoData, "JPEG: not a JPEG file"});
    return false;
  }
  return true;
}

bool CPictureJPG::LoadThumbnail(const std::string& path, PictureSize* size, unsigned minWidth, unsigned minHeight) {
  Destroy();
  SetLastError(PictureError());
  m_exif.Clear();
  if (size != nullptr) *size = PictureSize();
  std::vector<std::uint8_t> bytes;
  PictureError error;
  if (!ReadPictureFile(path, &bytes, &error)) {
    SetLastError(error);
    return false;
  }
  m_exif.Read(bytes.data(), bytes.size());

  // 1. The embedded thumbnail, when it shows the picture the right way up.
  PictureError thumbnailNote;
  if (m_exif.HasThumbnail()) {
    const std::vector<std::uint8_t>& thumbnail = m_exif.GetThumbnail();
    CPicture decoded;
    if (decoded.Decode(thumbnail.data(), thumbnail.size(), keFileTypeJPEG)) {
      const unsigned fullWidth = m_exif.GetWidth();
      const unsigned fullHeight = m_exif.GetHeight();
      if (fullWidth != 0 && fullHeight != 0 &&
          Aspect(decoded.GetWidth(), decoded.GetHeight()) * Aspect(fullWidth, fullHeight) < 0) {
        thumbnailNote = {keErrNoData, kBadOrientationText};
      } else if (decoded.GetWidth() < minWidth || decoded.GetHeight() < minHeight) {
        thumbnailNote = {keErrNoData, "JPEG: embedded thumbnail too small"};
      } else {
        Transfer(decoded);
        if (size != nullptr) {
          size->width = fullWidth != 0 ? fullWidth : GetWidth();
          size->height = fullHeight != 0 ? fullHeight : GetHeight();
        }
        return true;
      }
    } else {
      thumbnailNote = {decoded.GetLastErrorCode(), decoded.GetLastError()};
    }
  }

  // 2. The file itself, reduced.
  unsigned fullWidth = 0;
  unsigned fullHeight = 0;
  if (!DecodeJpegReduced(bytes.data(), bytes.size(), minWidth, minHeight, this, &fullWidth, &fullHeight, &error)) {
    Destroy();
    SetLastError(error);
    return false;
  }
  if (size != nullptr) {
    size->width = fullWidth;
    size->height = fullHeight;
  }
  // The decode succeeded; the last error says why the thumbnail was not used.
  SetLastError(thumbnailNote);
  return true;
}
