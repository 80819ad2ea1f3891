// Metadata through the codec libraries.
//
// libjpeg and libpng report fatal errors by longjmp: the jump targets live
// in RunJpegMarkers and RunPngHeader, whose locals are trivially
// destructible; what they found is copied out by functions called after the
// last library call that can jump.

#include "imagefiles/MetadataReader.h"

#include <csetjmp>
#include <cstdio>  // before jpeglib.h, which uses FILE and size_t
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

#include "imagefiles/ExifEditor.h"
#include "imagefiles/TiffMemory_p.h"

namespace {

// The XMP packet's marker in a JPEG APP1 segment, with its closing zero.
const char kXmpSignature[] = "http://ns.adobe.com/xap/1.0/";
constexpr std::size_t kXmpSignatureBytes = sizeof kXmpSignature;  // with the zero
// PNG keeps the packet in an iTXt chunk of this keyword.
const char kPngXmpKeyword[] = "XML:com.adobe.xmp";
// No ancillary chunk, marker or tag larger than this is carried.
constexpr std::size_t kMaxPart = 16u << 20;

bool SameIgnoringAsciiCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    const char x = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a + 32) : *a;
    const char y = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b + 32) : *b;
    if (x != y) return false;
  }
  return *a == *b;
}

unsigned ExifOrientation(const std::vector<std::uint8_t>& exif) {
  if (exif.empty()) return 0;
  return CExifBlock(exif).Orientation();
}

// ===========================================================================
// JPEG: markers saved by libjpeg, the ICC profile through its own reader
// ===========================================================================

struct JpegErrors {
  jpeg_error_mgr pub;  // first: libjpeg's pointer is cast back to this
  std::jmp_buf jump;
};

[[noreturn]] void JpegExit(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}

void JpegSilence(j_common_ptr, int) {}

struct JpegMarkerJob {
  const std::uint8_t* data;
  std::size_t size;
  JpegErrors errors;
  PictureMetadata* metadata;
};

// The segments after the start of image, as libjpeg saved them.
void TakeJpegMarkers(const jpeg_decompress_struct& info, PictureMetadata* metadata) noexcept {
  try {
    for (jpeg_saved_marker_ptr m = info.marker_list; m != nullptr; m = m->next) {
      const std::uint8_t* p = m->data;
      const std::size_t n = m->data_length;
      if (m->marker == JPEG_APP0 + 1 && n >= 6 && std::memcmp(p, "Exif\0\0", 6) == 0 && metadata->exif.empty()) {
        metadata->exif.assign(p + 6, p + n);
      } else if (m->marker == JPEG_APP0 + 1 && n >= kXmpSignatureBytes &&
                 std::memcmp(p, kXmpSignature, kXmpSignatureBytes) == 0 && metadata->xmp.empty()) {
        metadata->xmp.assign(p + kXmpSignatureBytes, p + n);
      } else if (m->marker == JPEG_COM && metadata->comment.empty()) {
        metadata->comment.assign(reinterpret_cast<const char*>(p), n);
      }
    }
    if (info.saw_JFIF_marker && info.density_unit != 0 && info.X_density != 0 && info.Y_density != 0) {
      metadata->resolution.x = info.X_density;
      metadata->resolution.y = info.Y_density;
      metadata->resolution.unit = info.density_unit == 1 ? ResolutionUnit::kInch : ResolutionUnit::kCentimetre;
    }
  } catch (const std::bad_alloc&) {
    *metadata = PictureMetadata();
  }
}

void TakeIcc(const JOCTET* icc, unsigned length, PictureMetadata* metadata) noexcept {
  try {
    metadata->icc.assign(icc, icc + length);
  } catch (const std::bad_alloc&) {
    metadata->icc.clear();
  }
}

bool RunJpegMarkers(JpegMarkerJob* job) {
  jpeg_decompress_struct info;
  std::memset(&info, 0, sizeof info);
  info.err = jpeg_std_error(&job->errors.pub);
  job->errors.pub.error_exit = JpegExit;
  job->errors.pub.emit_message = JpegSilence;
  if (setjmp(job->errors.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  info.mem->max_memory_to_use = 64L << 20;
  jpeg_mem_src(&info, job->data, static_cast<unsigned long>(job->size));
  jpeg_save_markers(&info, JPEG_COM, 0xFFFF);
  jpeg_save_markers(&info, JPEG_APP0 + 1, 0xFFFF);
  jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF);  // the ICC profile's chunks
  (void)jpeg_read_header(&info, TRUE);
  TakeJpegMarkers(info, job->metadata);
  JOCTET* icc = nullptr;
  unsigned int iccLength = 0;
  if (jpeg_read_icc_profile(&info, &icc, &iccLength) && icc != nullptr) {
    TakeIcc(icc, iccLength, job->metadata);
  }
  std::free(icc);
  jpeg_destroy_decompress(&info);
  return true;
}

void ReadJpeg(const std::uint8_t* data, std::size_t size, PictureMetadata* metadata) {
  if (size < 4 || size > 0x7FFFFFFFu || data[0] != 0xFF || data[1] != 0xD8) return;
  JpegMarkerJob job{};
  job.data = data;
  job.size = size;
  job.metadata = metadata;
  if (!RunJpegMarkers(&job)) {
    *metadata = PictureMetadata();
    return;
  }
  metadata->orientation = ExifOrientation(metadata->exif);
}

// ===========================================================================
// PNG: the chunks before the pixel data
// ===========================================================================

struct PngMarkerJob {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t position;
  png_structp png;
  png_infop info;
};

void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

void PngRead(png_structp png, png_bytep out, png_size_t count) {
  auto* job = static_cast<PngMarkerJob*>(png_get_io_ptr(png));
  if (count > job->size - job->position) png_error(png, "the file ends early");
  std::memcpy(out, job->data + job->position, count);
  job->position += count;
}

bool RunPngHeader(PngMarkerJob* job) {
  if (setjmp(png_jmpbuf(job->png))) return false;
  png_set_read_fn(job->png, job, PngRead);
  png_set_user_limits(job->png, 0x7FFFFFFF, 0x7FFFFFFF);
  png_set_chunk_cache_max(job->png, 256);
  png_set_chunk_malloc_max(job->png, kMaxPart);
  png_read_info(job->png, job->info);
  return true;
}

void TakePngChunks(png_structp png, png_infop info, PictureMetadata* metadata) noexcept {
  try {
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profileBytes = 0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &profileBytes) != 0 && profile != nullptr) {
      metadata->icc.assign(profile, profile + profileBytes);
    }
    png_uint_32 exifBytes = 0;
    png_bytep exif = nullptr;
    if (png_get_eXIf_1(png, info, &exifBytes, &exif) != 0 && exif != nullptr) {
      metadata->exif.assign(exif, exif + exifBytes);
    }
    png_uint_32 x = 0, y = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &x, &y, &unit) != 0 && unit == PNG_RESOLUTION_METER && x != 0 && y != 0) {
      // Pixels per metre; shown in dots per inch where that is a whole number.
      const double dpiX = x * 0.0254, dpiY = y * 0.0254;
      const bool wholeInches = std::abs(dpiX - static_cast<long>(dpiX + 0.5)) < 0.05 &&
                               std::abs(dpiY - static_cast<long>(dpiY + 0.5)) < 0.05;
      metadata->resolution.unit = wholeInches ? ResolutionUnit::kInch : ResolutionUnit::kCentimetre;
      metadata->resolution.x = wholeInches ? static_cast<long>(dpiX + 0.5) : x / 100.0;
      metadata->resolution.y = wholeInches ? static_cast<long>(dpiY + 0.5) : y / 100.0;
    }
    png_textp texts = nullptr;
    int count = 0;
    if (png_get_text(png, info, &texts, &count) > 0 && texts != nullptr) {
      for (int i = 0; i < count; ++i) {
        const png_text& t = texts[i];
        if (t.key == nullptr || t.text == nullptr) continue;
        const std::size_t length = t.compression >= PNG_ITXT_COMPRESSION_NONE ? t.itxt_length : t.text_length;
        if (std::strcmp(t.key, kPngXmpKeyword) == 0 && metadata->xmp.empty()) {
          metadata->xmp.assign(t.text, t.text + length);
        } else if (SameIgnoringAsciiCase(t.key, "Comment") && metadata->comment.empty()) {
          metadata->comment.assign(t.text, length);
        }
      }
    }
  } catch (const std::bad_alloc&) {
    *metadata = PictureMetadata();
  }
}

void ReadPng(const std::uint8_t* data, std::size_t size, PictureMetadata* metadata) {
  if (size < 8 || png_sig_cmp(data, 0, 8) != 0) return;
  PngMarkerJob job{data, size, 0, nullptr, nullptr};
  job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, PngError, PngWarning);
  if (job.png == nullptr) return;
  job.info = png_create_info_struct(job.png);
  if (job.info != nullptr && RunPngHeader(&job)) TakePngChunks(job.png, job.info, metadata);
  png_destroy_read_struct(&job.png, job.info != nullptr ? &job.info : nullptr, nullptr);
  metadata->orientation = ExifOrientation(metadata->exif);
}

// ===========================================================================
// TIFF: tags of the first directory and of its EXIF directory
// ===========================================================================

// The first directory's texts about the camera and the picture's maker.
constexpr unsigned kTiffCameraTexts[] = {TIFFTAG_MAKE, TIFFTAG_MODEL, TIFFTAG_DATETIME, TIFFTAG_ARTIST,
                                         TIFFTAG_COPYRIGHT};
// EXIF tags that are not carried: the maker's notes (their offsets point
// into the file they came from) and the pointer to another directory.
constexpr unsigned kExifMakerNote = 0x927C;
constexpr unsigned kExifInteroperability = 0xA005;

// A tag of the current directory as libtiff hands it over; false when its
// value has a shape that is not carried.
bool TakeTiffTag(TIFF* tiff, unsigned tag, bool exifDirectory, TiffTagValue* out) {
  const TIFFField* field = TIFFFieldWithTag(tiff, tag);
  if (field == nullptr) return false;
  const int size = TIFFFieldSetGetSize(field);
  const TIFFDataType type = TIFFFieldDataType(field);
  if (size <= 0 || type == TIFF_IFD8 || type == TIFF_LONG8 || type == TIFF_SLONG8 || type == TIFF_IFD) return false;
  out->exifDirectory = exifDirectory;
  out->tag = tag;
  const std::uint8_t* bytes = nullptr;
  std::uint32_t count = 0;
  const bool passCount = TIFFFieldPassCount(field) != 0;
  const int readCount = TIFFFieldReadCount(field);
  if (type == TIFF_ASCII && !passCount) {
    char* text = nullptr;
    if (TIFFGetField(tiff, tag, &text) != 1 || text == nullptr) return false;
    bytes = reinterpret_cast<const std::uint8_t*>(text);
    count = static_cast<std::uint32_t>(std::strlen(text) + 1);
  } else if (passCount) {
    void* values = nullptr;
    if (readCount == TIFF_VARIABLE2) {
      if (TIFFGetField(tiff, tag, &count, &values) != 1) return false;
    } else {
      std::uint16_t shortCount = 0;
      if (TIFFGetField(tiff, tag, &shortCount, &values) != 1) return false;
      count = shortCount;
    }
    bytes = static_cast<const std::uint8_t*>(values);
  } else if (readCount > 1) {
    void* values = nullptr;
    if (TIFFGetField(tiff, tag, &values) != 1) return false;
    bytes = static_cast<const std::uint8_t*>(values);
    count = static_cast<std::uint32_t>(readCount);
  } else if (readCount == 1) {
    alignas(8) std::uint8_t one[8] = {};
    if (TIFFGetField(tiff, tag, one) != 1) return false;
    out->count = 1;
    out->value.assign(one, one + size);
    return true;
  } else {
    return false;  // a count libtiff does not hand back
  }
  if (bytes == nullptr || count == 0 || std::uint64_t(count) * size > kMaxPart) return false;
  out->count = count;
  out->value.assign(bytes, bytes + std::size_t(count) * size);
  return true;
}

void ReadTiff(const std::uint8_t* data, std::size_t size, PictureMetadata* metadata) {
  tiffmemory::MemoryFile file;
  file.data = data;
  file.size = size;
  TIFF* tiff = tiffmemory::Open(&file, false, tmsize_t(64) << 20);
  if (tiff == nullptr) return;
  try {
    std::uint32_t count = 0;
    void* bytes = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_ICCPROFILE, &count, &bytes) == 1 && bytes != nullptr && count <= kMaxPart) {
      metadata->icc.assign(static_cast<std::uint8_t*>(bytes), static_cast<std::uint8_t*>(bytes) + count);
    }
    if (TIFFGetField(tiff, TIFFTAG_XMLPACKET, &count, &bytes) == 1 && bytes != nullptr && count <= kMaxPart) {
      metadata->xmp.assign(static_cast<std::uint8_t*>(bytes), static_cast<std::uint8_t*>(bytes) + count);
    }
    char* text = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_IMAGEDESCRIPTION, &text) == 1 && text != nullptr) metadata->comment = text;
    float x = 0, y = 0;
    std::uint16_t unit = RESUNIT_INCH;
    if (TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &x) == 1 && TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &y) == 1 &&
        x > 0 && y > 0) {
      TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
      metadata->resolution.x = x;
      metadata->resolution.y = y;
      metadata->resolution.unit = unit == RESUNIT_CENTIMETER ? ResolutionUnit::kCentimetre
                                  : unit == RESUNIT_INCH     ? ResolutionUnit::kInch
                                                             : ResolutionUnit::kNone;
    }
    std::uint16_t orientation = 0;
    if (TIFFGetField(tiff, TIFFTAG_ORIENTATION, &orientation) == 1 && orientation >= 1 && orientation <= 8) {
      metadata->orientation = orientation;
    }
    for (unsigned tag : kTiffCameraTexts) {
      TiffTagValue value;
      if (TakeTiffTag(tiff, tag, false, &value)) metadata->tiffTags.push_back(std::move(value));
    }
    std::uint64_t exifOffset = 0;
    if (TIFFGetField(tiff, TIFFTAG_EXIFIFD, &exifOffset) == 1 && exifOffset != 0 &&
        TIFFReadEXIFDirectory(tiff, exifOffset) == 1) {
      const int tags = TIFFGetTagListCount(tiff);
      for (int i = 0; i < tags; ++i) {
        const unsigned tag = TIFFGetTagListEntry(tiff, i);
        if (tag == kExifMakerNote || tag == kExifInteroperability) continue;
        TiffTagValue value;
        if (TakeTiffTag(tiff, tag, true, &value)) metadata->tiffTags.push_back(std::move(value));
      }
    }
  } catch (const std::bad_alloc&) {
    *metadata = PictureMetadata();
  }
  TIFFClose(tiff);
}

}  // namespace

void ReadPictureMetadata(const std::uint8_t* data, std::size_t size, ImageFileType type, PictureMetadata* metadata) {
  *metadata = PictureMetadata();
  switch (type) {
    case keFileTypeJPEG:
      ReadJpeg(data, size, metadata);
      break;
    case keFileTypePNG:
      ReadPng(data, size, metadata);
      break;
    case keFileTypeTIFF:
      ReadTiff(data, size, metadata);
      break;
    default:
      break;
  }
}
