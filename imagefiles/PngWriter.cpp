// PNG writing through libpng.
//
// RGB, or RGBA for a buffer with alpha, 8 bits per sample, the rows handed
// over in the buffer's B, G, R(, A) order (png_set_bgr).  Metadata goes
// into libpng's chunks before the pixel data: iCCP (the profile), eXIf (the
// EXIF block), pHYs (the resolution, in pixels per metre), and text: the
// comment as "Comment", the XMP packet as an iTXt "XML:com.adobe.xmp", the
// writing program as "Software".  libpng checks a profile before it writes
// it; one it finds wrong is left out (its complaint is a warning here).
//
// The jump target lives in WritePngRows, whose locals are all trivially
// destructible.

#include <csetjmp>
#include <cstring>

#include <png.h>

#include "imagefiles/PictureWriter_p.h"

namespace picturewrite {
namespace {

constexpr int kPngCompressionLevel = 2;
const char kXmpKeyword[] = "XML:com.adobe.xmp";

struct PngJob {
  const CImageBuffer* image;
  std::FILE* file;
  unsigned char* row;
  const PictureWriteOptions* options;
  png_text* texts;
  int textCount;
  char message[200];
};

void PngError(png_structp png, png_const_charp message) {
  auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
  std::snprintf(job->message, sizeof job->message, "%s", message);
  png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

// Pixels per metre of a resolution (0 when it has no unit or does not fit).
png_uint_32 PerMetre(double value, ResolutionUnit unit) {
  const double perMetre = unit == ResolutionUnit::kInch ? value / 0.0254 : value * 100;
  return perMetre >= 1 && perMetre < 4294967295.0 ? static_cast<png_uint_32>(perMetre + 0.5) : 0;
}

void SetMetadata(png_structp png, png_infop info, const PngJob& job) {
  const PictureMetadata* m = job.options->metadata;
  if (m != nullptr) {
    if (!m->icc.empty()) {
      png_set_iCCP(png, info, "ICC profile", PNG_COMPRESSION_TYPE_BASE, m->icc.data(),
                   static_cast<png_uint_32>(m->icc.size()));
    }
    if (!m->exif.empty()) {
      png_set_eXIf_1(png, info, static_cast<png_uint_32>(m->exif.size()), const_cast<png_bytep>(m->exif.data()));
    }
    const PictureResolution& r = m->resolution;
    if (r.IsKnown() && r.unit != ResolutionUnit::kNone) {
      const png_uint_32 x = PerMetre(r.x, r.unit), y = PerMetre(r.y, r.unit);
      if (x != 0 && y != 0) png_set_pHYs(png, info, x, y, PNG_RESOLUTION_METER);
    }
  }
  if (job.textCount > 0) png_set_text(png, info, job.texts, job.textCount);
}

bool WritePngRows(PngJob* job) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, job, PngError, PngWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, job->file);
  // A profile libpng finds wrong is dropped with a warning, not an error.
  png_set_benign_errors(png, 1);
  const CImageBuffer& image = *job->image;
  const bool alpha = PixelBytes(image) == 4;
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.Width()), static_cast<png_uint_32>(image.Height()), 8,
               alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  SetMetadata(png, info, *job);
  // One of zlib's fast levels with the sub filter: a 24-megapixel
  // photograph came out a fifth larger than at libpng's default (level 6,
  // every filter tried on every row), written in a ninth of the time.
  png_set_compression_level(png, kPngCompressionLevel);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_write_info(png, info);
  png_set_bgr(png);  // rows are handed over as the buffer holds them
  for (int y = 0; y < image.Height(); ++y) {
    if (!FetchRow(image, y, job->row)) {
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

bool IsAscii(const std::string& text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

}  // namespace

bool WritePng(const CImageBuffer& image, std::FILE* file, const PictureWriteOptions& options, std::string* error) {
  // The texts, kept alive until libpng has written them.
  std::string comment, xmp, software = options.software;
  std::vector<png_text> texts;
  auto addText = [&texts](const char* key, std::string& text, bool international) {
    png_text t{};
    t.compression = international ? PNG_ITXT_COMPRESSION_NONE : PNG_TEXT_COMPRESSION_NONE;
    t.key = const_cast<char*>(key);
    t.text = &text[0];
    if (international) {
      t.itxt_length = text.size();
    } else {
      t.text_length = text.size();
    }
    texts.push_back(t);
  };
  if (const PictureMetadata* m = options.metadata) {
    comment = m->comment;
    xmp.assign(m->xmp.begin(), m->xmp.end());
    // tEXt holds Latin-1; a comment in anything else goes into iTXt (UTF-8).
    if (!comment.empty()) addText("Comment", comment, !IsAscii(comment));
    if (!xmp.empty()) addText(kXmpKeyword, xmp, true);
  }
  if (!software.empty()) addText("Software", software, false);

  std::vector<unsigned char> row(static_cast<std::size_t>(image.Width()) * PixelBytes(image));
  PngJob job{&image, file, row.data(), &options, texts.data(), static_cast<int>(texts.size()), {}};
  if (WritePngRows(&job)) return true;
  *error = job.message[0] != '\0' ? std::string("PNG: ") + job.message : "PNG writing failed";
  return false;
}

}  // namespace picturewrite
