#include "imagefiles/PictureWriter.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "imagefiles/FileType.h"
#include "imagefiles/PictureWriter_p.h"

namespace picturewrite {

bool FetchRow(const CImageBuffer& image, int y, unsigned char* out) {
  CRowReader row(image, y);
  if (!row) return false;
  std::memcpy(out, row.Row(), static_cast<std::size_t>(image.Width()) * PixelBytes(image));
  return true;
}

}  // namespace picturewrite

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

bool CheckImage(const CImageBuffer& image, PictureFormat format, std::string* error) {
  if (image.IsEmpty() || (image.AccessFormat() != keFormatBGR && image.AccessFormat() != keFormatBGRA)) {
    *error = "only a BGR or BGRA picture can be written";
    return false;
  }
  if (format == PictureFormat::kUnknown) {
    *error = "has an extension of no picture type that can be written (png, jpg, tif, bmp)";
    return false;
  }
  return true;
}

// JPEG, PNG and BMP into a stream.
bool WriteStreamed(const CImageBuffer& image, std::FILE* file, PictureFormat format, const PictureWriteOptions& options,
                   std::string* error) {
  switch (format) {
    case PictureFormat::kPng: return picturewrite::WritePng(image, file, options, error);
    case PictureFormat::kJpeg: return picturewrite::WriteJpeg(image, file, options, error);
    case PictureFormat::kBmp: return picturewrite::WriteBmp(image, file, error);
    case PictureFormat::kTiff:
    case PictureFormat::kUnknown: break;
  }
  *error = "cannot be written to a stream";
  return false;
}

}  // namespace

PictureFormat PictureFormatOf(const std::string& path) {
  const std::string extension = LowerCaseAscii(ExtensionOf(path));
  if (extension == "png") return PictureFormat::kPng;
  if (extension == "jpg" || extension == "jpeg") return PictureFormat::kJpeg;
  if (extension == "tif" || extension == "tiff") return PictureFormat::kTiff;
  if (extension == "bmp") return PictureFormat::kBmp;
  return PictureFormat::kUnknown;
}

const char* ExtensionOfFormat(PictureFormat format) {
  switch (format) {
    case PictureFormat::kPng: return "png";
    case PictureFormat::kJpeg: return "jpg";
    case PictureFormat::kTiff: return "tif";
    case PictureFormat::kBmp: return "bmp";
    case PictureFormat::kUnknown: break;
  }
  return "";
}

bool WritePicture(const CImageBuffer& image, const std::string& path, PictureFormat format,
                  const PictureWriteOptions& options, std::string* error) {
  if (!CheckImage(image, format, error)) return false;
  if (format == PictureFormat::kTiff) return picturewrite::WriteTiffFile(image, path, options, error);

  errno = 0;
  FilePtr file(std::fopen(path.c_str(), "wb"));
  if (!file) {
    *error = std::string("cannot be created: ") + (errno != 0 ? std::strerror(errno) : "unknown error");
    return false;
  }
  bool ok = WriteStreamed(image, file.get(), format, options, error);
  if (std::fflush(file.get()) != 0 || std::ferror(file.get())) {
    if (ok) *error = "could not be written";
    ok = false;
  }
  if (std::fclose(file.release()) != 0) {
    if (ok) *error = "could not be written";
    ok = false;
  }
  return ok;
}

bool WritePictureToStream(const CImageBuffer& image, std::FILE* stream, PictureFormat format,
                          const PictureWriteOptions& options, std::string* error) {
  if (!CheckImage(image, format, error)) return false;
  bool ok = false;
  if (format == PictureFormat::kTiff) {
    // libtiff seeks back to write its directories: the file is made in
    // memory first.
    std::vector<std::uint8_t> bytes;
    ok = picturewrite::WriteTiffMemory(image, &bytes, options, error) &&
         std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
    if (!ok && error->empty()) *error = "could not be written";
  } else {
    ok = WriteStreamed(image, stream, format, options, error);
  }
  if (std::fflush(stream) != 0 || std::ferror(stream)) {
    if (ok) *error = "could not be written";
    ok = false;
  }
  return ok;
}

bool WritePicture(const CImageBuffer& image, const std::string& path, PictureFormat format, int quality,
                  std::string* error) {
  PictureWriteOptions options;
  options.quality = quality;
  return WritePicture(image, path, format, options, error);
}
