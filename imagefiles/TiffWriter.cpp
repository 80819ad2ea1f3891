// TIFF writing through libtiff: RGB or RGBA (unassociated alpha), 8 bits per
// sample, LZW, top row first.
//
// Metadata becomes tags: the ICC profile, the XMP packet, the comment as
// ImageDescription, the resolution, Software, and the camera's facts - the
// texts of the first directory (make, model, date, artist, copyright) and
// an EXIF directory with the exposure tags.  Those come either from a TIFF
// source as libtiff read them, or from an EXIF block, whose values are
// turned into the C types libtiff's EXIF field table asks for.  The EXIF
// directory is written first, as a custom directory, and the picture's own
// directory then points to it.

#include <cerrno>
#include <cstring>

#include <tiffio.h>

#include "imagefiles/ExifEditor.h"
#include "imagefiles/PictureWriter_p.h"
#include "imagefiles/TiffMemory_p.h"

namespace picturewrite {
namespace {

using tiffmemory::kMaxLibraryAllocation;
using tiffmemory::TiffGuard;

// The first directory's texts about the camera, carried from an EXIF block.
constexpr unsigned kCameraTexts[] = {TIFFTAG_MAKE, TIFFTAG_MODEL, TIFFTAG_DATETIME, TIFFTAG_ARTIST,
                                     TIFFTAG_COPYRIGHT};
constexpr unsigned kExifMakerNote = 0x927C;

// ---- values ------------------------------------------------------------------

// Value i of an EXIF tag (values in this machine's order) as a number.
double ExifNumber(const ExifTag& t, std::uint32_t i) {
  const std::uint8_t* p = t.value.data();
  auto read = [p](std::size_t at, auto zero) {
    decltype(zero) v;
    std::memcpy(&v, p + at, sizeof v);
    return v;
  };
  switch (t.type) {
    case 1: case 2: case 7: return p[i];
    case 6: return static_cast<std::int8_t>(p[i]);
    case 3: return read(2 * i, std::uint16_t{});
    case 8: return read(2 * i, std::int16_t{});
    case 4: return read(4 * i, std::uint32_t{});
    case 9: return read(4 * i, std::int32_t{});
    case 5: {
      const std::uint32_t d = read(8 * i + 4, std::uint32_t{});
      return d == 0 ? 0.0 : static_cast<double>(read(8 * i, std::uint32_t{})) / d;
    }
    case 10: {
      const std::int32_t d = read(8 * i + 4, std::int32_t{});
      return d == 0 ? 0.0 : static_cast<double>(read(8 * i, std::int32_t{})) / d;
    }
    case 11: return read(4 * i, float{});
    case 12: return read(8 * i, double{});
    default: return 0;
  }
}

template <typename T>
void Append(std::vector<std::uint8_t>* out, T v) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(&v);
  out->insert(out->end(), p, p + sizeof v);
}

// An EXIF block's tag in the C type the current directory's field table
// gives it; false for tags it does not know or values of another shape.
bool FromExif(TIFF* tiff, const ExifTag& t, bool exifDirectory, TiffTagValue* out) {
  const TIFFField* field = TIFFFindField(tiff, t.tag, TIFF_ANY);
  if (field == nullptr || t.count == 0) return false;
  const TIFFDataType type = TIFFFieldDataType(field);
  const int size = TIFFFieldSetGetSize(field);
  const bool passCount = TIFFFieldPassCount(field) != 0;
  const int writeCount = TIFFFieldWriteCount(field);
  std::uint32_t count = t.count;
  if (type == TIFF_ASCII) {
    if (t.type != 2) return false;
    out->value.assign(t.value.begin(), t.value.end());
    if (out->value.empty() || out->value.back() != 0) out->value.push_back(0);
    out->value.resize(std::strlen(reinterpret_cast<const char*>(out->value.data())) + 1);
    out->count = passCount ? static_cast<std::uint32_t>(out->value.size()) : 1;
    out->tag = t.tag;
    out->exifDirectory = exifDirectory;
    return true;
  }
  if (!passCount) {
    if (writeCount == 1) {
      count = 1;
    } else if (writeCount < 1 || static_cast<std::uint32_t>(writeCount) != t.count) {
      return false;
    }
  }
  const bool sameBytes = size == 1 && (t.type == 1 || t.type == 6 || t.type == 7);
  out->value.clear();
  for (std::uint32_t i = 0; i < count; ++i) {
    if (sameBytes) {
      out->value.push_back(t.value[i]);
      continue;
    }
    const double v = ExifNumber(t, i);
    switch (type) {
      case TIFF_BYTE: case TIFF_UNDEFINED: Append(&out->value, static_cast<std::uint8_t>(v)); break;
      case TIFF_SBYTE: Append(&out->value, static_cast<std::int8_t>(v)); break;
      case TIFF_SHORT: Append(&out->value, static_cast<std::uint16_t>(v)); break;
      case TIFF_SSHORT: Append(&out->value, static_cast<std::int16_t>(v)); break;
      case TIFF_LONG: Append(&out->value, static_cast<std::uint32_t>(v)); break;
      case TIFF_SLONG: Append(&out->value, static_cast<std::int32_t>(v)); break;
      case TIFF_RATIONAL: case TIFF_SRATIONAL: case TIFF_FLOAT: case TIFF_DOUBLE:
        if (size == 8) {
          Append(&out->value, v);
        } else {
          Append(&out->value, static_cast<float>(v));
        }
        break;
      default:
        return false;
    }
  }
  if (out->value.size() != std::size_t(count) * size) return false;
  out->tag = t.tag;
  out->count = count;
  out->exifDirectory = exifDirectory;
  return true;
}

// Sets a tag of the current directory from its C values, the way libtiff's
// field table says it is passed.
void SetTag(TIFF* tiff, const TiffTagValue& v) {
  const TIFFField* field = TIFFFindField(tiff, v.tag, TIFF_ANY);
  if (field == nullptr || v.value.empty()) return;
  const TIFFDataType type = TIFFFieldDataType(field);
  const int size = TIFFFieldSetGetSize(field);
  if (size <= 0 || (type != TIFF_ASCII && v.value.size() != std::size_t(v.count) * size)) return;
  const void* values = v.value.data();
  if (TIFFFieldPassCount(field)) {
    if (TIFFFieldWriteCount(field) == TIFF_VARIABLE2) {
      TIFFSetField(tiff, v.tag, v.count, values);
    } else if (v.count <= 0xFFFF) {
      TIFFSetField(tiff, v.tag, static_cast<int>(v.count), values);
    }
    return;
  }
  if (type == TIFF_ASCII) {
    if (v.value.back() == 0) TIFFSetField(tiff, v.tag, reinterpret_cast<const char*>(values));
    return;
  }
  if (v.count > 1) {
    TIFFSetField(tiff, v.tag, values);
    return;
  }
  const std::uint8_t* p = v.value.data();
  auto read = [p](auto zero) {
    decltype(zero) x;
    std::memcpy(&x, p, sizeof x);
    return x;
  };
  switch (type) {
    case TIFF_BYTE: case TIFF_UNDEFINED: TIFFSetField(tiff, v.tag, static_cast<int>(p[0])); break;
    case TIFF_SBYTE: TIFFSetField(tiff, v.tag, static_cast<int>(static_cast<std::int8_t>(p[0]))); break;
    case TIFF_SHORT: TIFFSetField(tiff, v.tag, static_cast<int>(read(std::uint16_t{}))); break;
    case TIFF_SSHORT: TIFFSetField(tiff, v.tag, static_cast<int>(read(std::int16_t{}))); break;
    case TIFF_LONG: TIFFSetField(tiff, v.tag, read(std::uint32_t{})); break;
    case TIFF_SLONG: TIFFSetField(tiff, v.tag, read(std::int32_t{})); break;
    case TIFF_RATIONAL: case TIFF_SRATIONAL: case TIFF_FLOAT: case TIFF_DOUBLE:
      TIFFSetField(tiff, v.tag, size == 8 ? read(double{}) : static_cast<double>(read(float{})));
      break;
    default:
      break;
  }
}

// ---- directories -------------------------------------------------------------

// Writes the EXIF directory, when there is anything for it; `*offset`
// receives where it lies (0 when none).  The current directory is a fresh
// image directory afterwards.
bool WriteExifDirectory(TIFF* tiff, const PictureMetadata& m, std::uint64_t* offset) {
  *offset = 0;
  std::vector<ExifTag> exifTags;
  if (m.tiffTags.empty() && !m.exif.empty()) {
    const CExifBlock block(m.exif);
    if (block.IsValid()) exifTags = block.Tags(ExifDirectory::kExif);
  }
  bool any = !exifTags.empty();
  for (const TiffTagValue& v : m.tiffTags) any = any || v.exifDirectory;
  if (!any) return true;
  if (TIFFCreateEXIFDirectory(tiff) != 0) return false;
  for (const TiffTagValue& v : m.tiffTags) {
    if (v.exifDirectory) SetTag(tiff, v);
  }
  for (const ExifTag& t : exifTags) {
    TiffTagValue v;
    if (t.tag != kExifMakerNote && FromExif(tiff, t, true, &v)) SetTag(tiff, v);
  }
  if (TIFFWriteCustomDirectory(tiff, offset) != 1) return false;
  // The EXIF directory's values are the library's until freed: a new
  // directory does not free them.
  TIFFFreeDirectory(tiff);
  TIFFCreateDirectory(tiff);
  return true;
}

void SetMetadataTags(TIFF* tiff, const PictureMetadata& m) {
  if (!m.icc.empty()) TIFFSetField(tiff, TIFFTAG_ICCPROFILE, static_cast<std::uint32_t>(m.icc.size()), m.icc.data());
  if (!m.xmp.empty()) TIFFSetField(tiff, TIFFTAG_XMLPACKET, static_cast<std::uint32_t>(m.xmp.size()), m.xmp.data());
  if (!m.comment.empty()) TIFFSetField(tiff, TIFFTAG_IMAGEDESCRIPTION, m.comment.c_str());
  if (m.resolution.IsKnown()) {
    TIFFSetField(tiff, TIFFTAG_XRESOLUTION, m.resolution.x);
    TIFFSetField(tiff, TIFFTAG_YRESOLUTION, m.resolution.y);
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, m.resolution.unit == ResolutionUnit::kInch         ? RESUNIT_INCH
                                               : m.resolution.unit == ResolutionUnit::kCentimetre ? RESUNIT_CENTIMETER
                                                                                                  : RESUNIT_NONE);
  }
  if (!m.tiffTags.empty()) {
    for (const TiffTagValue& v : m.tiffTags) {
      if (!v.exifDirectory) SetTag(tiff, v);
    }
  } else if (!m.exif.empty()) {
    const CExifBlock block(m.exif);
    if (!block.IsValid()) return;
    for (const ExifTag& t : block.Tags(ExifDirectory::kIfd0)) {
      for (unsigned text : kCameraTexts) {
        TiffTagValue v;
        if (t.tag == text && FromExif(tiff, t, false, &v)) SetTag(tiff, v);
      }
    }
  }
}

bool WriteTiff(TIFF* tiff, const CImageBuffer& image, const PictureWriteOptions& options) {
  std::uint64_t exifOffset = 0;
  if (options.metadata != nullptr && !WriteExifDirectory(tiff, *options.metadata, &exifOffset)) return false;
  const auto width = static_cast<std::uint32_t>(image.Width());
  const int bytes = PixelBytes(image);
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(image.Height()));
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, bytes);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  if (bytes == 4) {
    const std::uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
  }
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, width * bytes));
  if (options.metadata != nullptr) SetMetadataTags(tiff, *options.metadata);
  if (!options.software.empty()) TIFFSetField(tiff, TIFFTAG_SOFTWARE, options.software.c_str());
  if (exifOffset != 0) TIFFSetField(tiff, TIFFTAG_EXIFIFD, exifOffset);
  std::vector<unsigned char> row(static_cast<std::size_t>(width) * bytes);
  bool ok = true;
  for (int y = 0; ok && y < image.Height(); ++y) {
    ok = FetchRow(image, y, row.data());
    // B, G, R(, A) to R, G, B(, A).
    for (std::size_t x = 0; ok && x < width; ++x) std::swap(row[x * bytes], row[x * bytes + 2]);
    ok = ok && TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(y), 0) == 1;
  }
  return ok;
}

}  // namespace

bool WriteTiffFile(const CImageBuffer& image, const std::string& path, const PictureWriteOptions& options,
                   std::string* error) {
  tiffmemory::SilenceProcessWideHandlers();
  errno = 0;
  TiffGuard tiff{TIFFOpen(path.c_str(), "w")};
  if (tiff.tiff == nullptr) {
    *error = std::string("cannot be created: ") + (errno != 0 ? std::strerror(errno) : "unknown error");
    return false;
  }
  bool ok = WriteTiff(tiff.tiff, image, options);
  ok = TIFFFlush(tiff.tiff) == 1 && ok;
  if (!ok) *error = "could not be written";
  return ok;
}

bool WriteTiffMemory(const CImageBuffer& image, std::vector<std::uint8_t>* bytes, const PictureWriteOptions& options,
                     std::string* error) {
  bytes->clear();
  tiffmemory::MemoryFile file;
  file.output = bytes;
  bool ok = false;
  {
    TiffGuard tiff{tiffmemory::Open(&file, true, kMaxLibraryAllocation)};
    if (tiff.tiff == nullptr) {
      *error = "TIFF: cannot be created";
      return false;
    }
    ok = WriteTiff(tiff.tiff, image, options);
    ok = TIFFFlush(tiff.tiff) == 1 && ok;
  }
  if (!ok) *error = file.message[0] != '\0' ? std::string("TIFF: ") + file.message : "TIFF: could not be written";
  return ok;
}

}  // namespace picturewrite
