// JPEG writing through libjpeg(-turbo).
//
// The buffer's B, G, R (or B, G, R, A) rows go to libjpeg-turbo as they are
// (its extended input colour spaces; the alpha byte is skipped).  The
// metadata follows the frame's start: the EXIF block and the XMP packet as
// APP1 segments, the ICC profile through libjpeg-turbo's own writer (which
// cuts it into APP2 chunks), the comment as a COM segment; the resolution
// goes into the JFIF header.
//
// libjpeg reports fatal errors through error_exit, which longjmps back into
// WriteJpegRows, the one function holding the jump target; its locals are
// all trivially destructible.

#include <csetjmp>
#include <cstdio>  // before jpeglib.h, which uses FILE and size_t
#include <cstring>

#include <jpeglib.h>

#include "imagefiles/PictureWriter_p.h"

namespace picturewrite {
namespace {

const char kXmpSignature[] = "http://ns.adobe.com/xap/1.0/";  // written with its closing zero
constexpr std::size_t kMaxSegment = 65533;                     // a marker segment's contents

struct JpegError {
  jpeg_error_mgr manager;  // first: libjpeg's pointer is cast back to this
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JpegExit(j_common_ptr info) {
  auto* error = reinterpret_cast<JpegError*>(info->err);
  (*info->err->format_message)(info, error->message);
  std::longjmp(error->jump, 1);
}

void JpegSilence(j_common_ptr, int) {}

// The APP1 segments' contents, made before libjpeg is set up.
struct Segments {
  std::vector<std::uint8_t> exif;  // "Exif\0\0" and the block
  std::vector<std::uint8_t> xmp;   // the signature and the packet
};

struct JpegJob {
  const CImageBuffer* image;
  std::FILE* file;
  unsigned char* row;
  const PictureWriteOptions* options;
  const Segments* segments;
  JpegError error;
};

void SetSampling(jpeg_compress_struct* info, JpegSubsampling subsampling) {
  if (subsampling == JpegSubsampling::kLibraryDefault || info->num_components < 3) return;
  info->comp_info[0].h_samp_factor = subsampling == JpegSubsampling::k444 ? 1 : 2;
  info->comp_info[0].v_samp_factor = subsampling == JpegSubsampling::k420 ? 2 : 1;
  for (int c = 1; c < info->num_components; ++c) {
    info->comp_info[c].h_samp_factor = 1;
    info->comp_info[c].v_samp_factor = 1;
  }
}

void SetDensity(jpeg_compress_struct* info, const PictureResolution& resolution) {
  if (!resolution.IsKnown() || resolution.unit == ResolutionUnit::kNone) return;
  const double x = resolution.x + 0.5, y = resolution.y + 0.5;
  if (x >= 65536 || y >= 65536) return;
  info->density_unit = resolution.unit == ResolutionUnit::kInch ? 1 : 2;
  info->X_density = static_cast<UINT16>(x);
  info->Y_density = static_cast<UINT16>(y);
}

bool WriteJpegRows(JpegJob* job) {
  jpeg_compress_struct info;
  std::memset(&info, 0, sizeof info);
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
  const CImageBuffer& image = *job->image;
  const PictureWriteOptions& options = *job->options;
  info.image_width = static_cast<JDIMENSION>(image.Width());
  info.image_height = static_cast<JDIMENSION>(image.Height());
  // libjpeg-turbo takes the buffer's rows as they are.
  const bool alpha = PixelBytes(image) == 4;
  info.input_components = alpha ? 4 : 3;
  info.in_color_space = alpha ? JCS_EXT_BGRA : JCS_EXT_BGR;
  jpeg_set_defaults(&info);
  const int quality = options.quality < 1 ? 1 : options.quality > 100 ? 100 : options.quality;
  jpeg_set_quality(&info, quality, TRUE);
  SetSampling(&info, options.subsampling);
  if (options.progressive) jpeg_simple_progression(&info);
  const PictureMetadata* metadata = options.metadata;
  if (metadata != nullptr) SetDensity(&info, metadata->resolution);
  jpeg_start_compress(&info, TRUE);
  if (metadata != nullptr) {
    const Segments& s = *job->segments;
    if (!s.exif.empty()) jpeg_write_marker(&info, JPEG_APP0 + 1, s.exif.data(), static_cast<unsigned>(s.exif.size()));
    if (!s.xmp.empty()) jpeg_write_marker(&info, JPEG_APP0 + 1, s.xmp.data(), static_cast<unsigned>(s.xmp.size()));
    if (!metadata->icc.empty()) {
      jpeg_write_icc_profile(&info, metadata->icc.data(), static_cast<unsigned>(metadata->icc.size()));
    }
    if (!metadata->comment.empty() && metadata->comment.size() <= kMaxSegment) {
      jpeg_write_marker(&info, JPEG_COM, reinterpret_cast<const JOCTET*>(metadata->comment.data()),
                        static_cast<unsigned>(metadata->comment.size()));
    }
  }
  for (int y = 0; y < image.Height(); ++y) {
    if (!FetchRow(image, y, job->row)) {
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

}  // namespace

bool WriteJpeg(const CImageBuffer& image, std::FILE* file, const PictureWriteOptions& options, std::string* error) {
  Segments segments;
  if (const PictureMetadata* m = options.metadata) {
    if (!m->exif.empty() && m->exif.size() + 6 <= kMaxSegment) {
      segments.exif.assign({'E', 'x', 'i', 'f', 0, 0});
      segments.exif.insert(segments.exif.end(), m->exif.begin(), m->exif.end());
    }
    if (!m->xmp.empty() && m->xmp.size() + sizeof kXmpSignature <= kMaxSegment) {
      segments.xmp.assign(kXmpSignature, kXmpSignature + sizeof kXmpSignature);
      segments.xmp.insert(segments.xmp.end(), m->xmp.begin(), m->xmp.end());
    }
  }
  std::vector<unsigned char> row(static_cast<std::size_t>(image.Width()) * PixelBytes(image));
  JpegJob job{&image, file, row.data(), &options, &segments, {}};
  if (WriteJpegRows(&job)) return true;
  *error = std::string("JPEG: ") + job.error.message;
  return false;
}

}  // namespace picturewrite
