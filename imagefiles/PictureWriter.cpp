#include "imagefiles/PictureWriter.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

#include "imagefiles/FileType.h"

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Row y of the image as B, G, R bytes, copied into `bgr`: the libraries
// read rows after the buffer has handed them back.  Runs to its end before
// any library call that may jump, so its scope objects are always destroyed.
bool FetchBgrRow(const CImageBuffer& image, int y, unsigned char* bgr) {
  CRowReader row(image, y);
  if (!row) return false;
  std::memcpy(bgr, row.Row(), static_cast<std::size_t>(image.Width()) * 3);
  return true;
}

// Row y of the image as R, G, B bytes.  As FetchBgrRow.
bool FetchRgbRow(const CImageBuffer& image, int y, unsigned char* rgb) {
  CRowReader row(image, y);
  if (!row) return false;
  const std::uint8_t* bgr = row.Row();
  for (int x = 0; x < image.Width(); ++x) {
    rgb[3 * x] = bgr[3 * x + 2];
    rgb[3 * x + 1] = bgr[3 * x + 1];
    rgb[3 * x + 2] = bgr[3 * x];
  }
  return true;
}

// ===========================================================================
// PNG.  The jump target lives in WritePngRows, whose locals are all
// trivially destructible.
// ===========================================================================

constexpr int kPngCompressionLevel = 2;

struct PngJob {
  const CImageBuffer* image;
  std::FILE* file;
  unsigned char* row;
  char message[200];
};

void PngError(png_structp png, png_const_charp message) {
  auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
  std::snprintf(job->message, sizeof job->message, "%s", message);
  png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

bool WritePngRows(PngJob* job) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, job, PngError, PngWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, job->file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(job->image->Width()),
               static_cast<png_uint_32>(job->image->Height()), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  // One of zlib's fast levels with the sub filter: a 24-megapixel
  // photograph came out a fifth larger than at libpng's default (level 6,
  // every filter tried on every row), written in a ninth of the time.
  png_set_compression_level(png, kPngCompressionLevel);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_write_info(png, info);
  png_set_bgr(png);  // rows are handed over as the buffer holds them
  for (int y = 0; y < job->image->Height(); ++y) {
    if (!FetchBgrRow(*job->image, y, job->row)) {
      std::snprintf(job->message, sizeof job->message, "row %d of the image cannot be read", y);
      png_destroy_write_struct(&png, &info);
      return false;
    }
    png_write_row(png, job->row);
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

// ===========================================================================
// JPEG
// ===========================================================================

struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void JpegExit(j_common_ptr info) {
  auto* error = reinterpret_cast<JpegError*>(info->err);
  (*info->err->format_message)(info, error->message);
  std::longjmp(error->jump, 1);
}

void JpegSilence(j_common_ptr, int) {}

struct JpegJob {
  const CImageBuffer* image;
  std::FILE* file;
  unsigned char* row;
  int quality;
  JpegError error;
};

bool WriteJpegRows(JpegJob* job) {
  jpeg_compress_struct info;
  info.err = jpeg_std_error(&job->error.manager);
  job->error.manager.error_exit = JpegExit;
  job->error.manager.emit_message = JpegSilence;
  job->error.message[0] = '\0';
  if (setjmp(job->error.jump)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, job->file);
  info.image_width = static_cast<JDIMENSION>(job->image->Width());
  info.image_height = static_cast<JDIMENSION>(job->image->Height());
  info.input_components = 3;
  // libjpeg-turbo takes the buffer's B, G, R rows as they are.
  info.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, job->quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  for (int y = 0; y < job->image->Height(); ++y) {
    if (!FetchBgrRow(*job->image, y, job->row)) {
      std::snprintf(job->error.message, sizeof job->error.message, "row %d of the image cannot be read", y);
      jpeg_destroy_compress(&info);
      return false;
    }
    JSAMPROW rows[1] = {job->row};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

// ===========================================================================
// TIFF
// ===========================================================================

bool WriteTiff(const CImageBuffer& image, const std::string& path, std::string* error) {
  // libtiff reports through process-wide handlers; with none it prints nothing.
  TIFFSetErrorHandler(nullptr);
  TIFFSetWarningHandler(nullptr);
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  if (tiff == nullptr) {
    *error = "cannot be created";
    return false;
  }
  const auto width = static_cast<std::uint32_t>(image.Width());
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(image.Height()));
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, width * 3));
  std::vector<unsigned char> row(static_cast<std::size_t>(width) * 3);
  bool ok = true;
  for (int y = 0; ok && y < image.Height(); ++y) {
    ok = FetchRgbRow(image, y, row.data()) && TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(y), 0) == 1;
  }
  ok = ok && TIFFFlush(tiff) == 1;
  TIFFClose(tiff);
  if (!ok) *error = "could not be written";
  return ok;
}

// ===========================================================================
// BMP: 24 bits, bottom-up, rows padded to 4 bytes
// ===========================================================================

void Put16(unsigned char* p, unsigned v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
void Put32(unsigned char* p, std::uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p + 2, v >> 16);
}

bool WriteBmp(const CImageBuffer& image, std::FILE* file, std::string* error) {
  const std::uint64_t stride = (static_cast<std::uint64_t>(image.Width()) * 3 + 3) & ~std::uint64_t{3};
  const std::uint64_t pixels = stride * static_cast<std::uint64_t>(image.Height());
  if (pixels + 54 > 0xFFFFFFFFull) {
    *error = "is too large for a BMP file";
    return false;
  }
  unsigned char header[54] = {};
  header[0] = 'B';
  header[1] = 'M';
  Put32(header + 2, static_cast<std::uint32_t>(pixels + 54));
  Put32(header + 10, 54);
  Put32(header + 14, 40);
  Put32(header + 18, static_cast<std::uint32_t>(image.Width()));
  Put32(header + 22, static_cast<std::uint32_t>(image.Height()));  // positive: bottom-up
  Put16(header + 26, 1);
  Put16(header + 28, 24);
  Put32(header + 34, static_cast<std::uint32_t>(pixels));
  Put32(header + 38, 2835);  // 72 dpi
  Put32(header + 42, 2835);
  if (std::fwrite(header, 1, sizeof header, file) != sizeof header) {
    *error = "could not be written";
    return false;
  }
  std::vector<unsigned char> row(static_cast<std::size_t>(stride), 0);
  for (int y = image.Height() - 1; y >= 0; --y) {
    {
      CRowReader source(image, y);
      if (!source) {
        *error = "row of the image cannot be read";
        return false;
      }
      std::memcpy(row.data(), source.Row(), static_cast<std::size_t>(image.Width()) * 3);
    }
    if (std::fwrite(row.data(), 1, row.size(), file) != row.size()) {
      *error = "could not be written";
      return false;
    }
  }
  return true;
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

bool WritePicture(const CImageBuffer& image, const std::string& path, PictureFormat format, int quality,
                  std::string* error) {
  if (image.IsEmpty() || image.AccessFormat() != keFormatBGR) {
    *error = "only a BGR picture can be written";
    return false;
  }
  if (format == PictureFormat::kUnknown) {
    *error = "has an extension of no picture type that can be written (png, jpg, tif, bmp)";
    return false;
  }
  if (format == PictureFormat::kTiff) return WriteTiff(image, path, error);

  FilePtr file(std::fopen(path.c_str(), "wb"));
  if (!file) {
    *error = "cannot be created";
    return false;
  }
  std::vector<unsigned char> row(static_cast<std::size_t>(image.Width()) * 3);
  bool ok = false;
  switch (format) {
    case PictureFormat::kPng: {
      PngJob job{&image, file.get(), row.data(), {}};
      ok = WritePngRows(&job);
      if (!ok) *error = job.message[0] != '\0' ? std::string("PNG: ") + job.message : "PNG writing failed";
      break;
    }
    case PictureFormat::kJpeg: {
      JpegJob job{&image, file.get(), row.data(), quality < 1 ? 1 : quality > 100 ? 100 : quality, {}};
      ok = WriteJpegRows(&job);
      if (!ok) *error = std::string("JPEG: ") + job.error.message;
      break;
    }
    case PictureFormat::kBmp:
      ok = WriteBmp(image, file.get(), error);
      break;
    case PictureFormat::kTiff:
    case PictureFormat::kUnknown:
      break;
  }
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
