// JPEG decoder through libjpeg(-turbo), IJG 6b API, from memory.
//
// Grey pictures become 8-bit grey pictures, everything else 24 bits: YCbCr
// and RGB as libjpeg(-turbo) converts them, straight into the picture's B, G,
// R rows (its extended colour space), CMYK and YCCK (as Adobe writes them,
// with inverted samples) converted to B, G, R here.  The same decoder also
// fills a caller's B, G, R rows (DecodeJpegRows): a picture to be filtered
// goes into its image buffer without a copy on the way.
//
// libjpeg reports fatal errors through error_exit, which must not return:
// ours formats the message and longjmps back into RunDecode, the one function
// holding the jump target, whose locals are all trivially destructible.
// Warnings are never printed.  Those about corrupt data or a file that ends
// early mark the picture damaged with the first one's text: such a file
// decodes what is there, the rest grey, as libjpeg does, and whoever shows
// the picture to a person can say that it is not whole.
//
// Limits: the picture size rule of CPicture, checked before anything is
// allocated; libjpeg's own memory (progressive coefficient buffers) capped
// by max_memory_to_use; at most kMaxScans scans, since a progressive file can
// declare thousands of tiny scans that each cost a pass over the picture; and
// a large picture may not come from a file far too small to describe it.

#include <csetjmp>
#include <cstdio>  // before jpeglib.h, which uses FILE and size_t
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "imagefiles/Decoders.h"
#include "imagefiles/JpegReader_p.h"
#include "imagefiles/Picture.h"

namespace {

const char kName[] = "JPEG";

// Progressive files: scans after this many are refused.
constexpr int kMaxScans = 500;
// libjpeg's own allocations (whole-picture coefficient buffers of progressive
// and multi-scan files) stop here; beyond it libjpeg would need a backing
// store, which this build lacks, and fails.
constexpr long kMaxLibraryMemory = sizeof(void*) == 4 ? 512L << 20 : 1536L << 20;
// A picture of more than kBombPixels pixels must have at least one byte of
// file per kBombRatio pixels: even a flat picture with optimised Huffman
// tables takes about a byte per 170 pixels, so anything sparser is a file
// that describes almost nothing but asks for a huge picture.
constexpr unsigned long long kBombPixels = 16ull << 20;
constexpr unsigned long long kBombRatio = 4096;

struct ErrorManager {
  jpeg_error_mgr pub;  // first: libjpeg's pointer is cast back to this
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  int warnings;
  // The first warning about damaged data ("" when none), and whether the
  // data ended before libjpeg was done with it.
  char damage[JMSG_LENGTH_MAX];
  bool endOfData;
  bool outOfMemory;
};

struct ProgressMonitor {
  jpeg_progress_mgr pub;  // first, as above
  ErrorManager* errors;
};

// Everything RunDecode works with, owned by its caller.
struct DecodeJob {
  const std::uint8_t* data;
  std::size_t size;
  unsigned minWidth;
  unsigned minHeight;
  JpegRowSink sink;
  unsigned fullWidth;
  unsigned fullHeight;
  // Set by RunDecode when it refuses without a libjpeg error.
  PictureError* error;
  ErrorManager errors;
  ProgressMonitor progress;
};

[[noreturn]] void ErrorExit(j_common_ptr info) {
  auto* errors = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, errors->message);
  errors->outOfMemory = info->err->msg_code == JERR_OUT_OF_MEMORY;
  std::longjmp(errors->jump, 1);
}

// Warnings that say the data is damaged or cut; the others (an unknown JFIF
// revision, an Adobe transform code) do not touch the pixels.
bool IsDamageWarning(int code) {
  return code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_MUST_RESYNC || code == JWRN_HUFF_BAD_CODE ||
         code == JWRN_ARITH_BAD_CODE || code == JWRN_BOGUS_PROGRESSION || code == JWRN_EXTRANEOUS_DATA;
}

// level -1: a warning; 0 and above: trace messages.  Nothing is printed.
void EmitMessage(j_common_ptr info, int level) {
  if (level >= 0) return;
  auto* errors = reinterpret_cast<ErrorManager*>(info->err);
  ++errors->warnings;
  const int code = info->err->msg_code;
  if (code == JWRN_JPEG_EOF) errors->endOfData = true;
  if (IsDamageWarning(code) && errors->damage[0] == '\0') (*info->err->format_message)(info, errors->damage);
}

void Progress(j_common_ptr info) {
  if (!info->is_decompressor) return;
  auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
  if (decompress->input_scan_number > kMaxScans) {
    auto* monitor = reinterpret_cast<ProgressMonitor*>(info->progress);
    std::snprintf(monitor->errors->message, sizeof monitor->errors->message, "more than %d scans", kMaxScans);
    std::longjmp(monitor->errors->jump, 1);
  }
}

// The largest of 1, 2, 4, 8 by which the picture can be divided and still
// be at least the minimum size (the scaled size rounds up).
unsigned ScaleDenominator(unsigned width, unsigned height, unsigned minWidth, unsigned minHeight) {
  unsigned denom = 1;
  if (minWidth == 0 && minHeight == 0) return denom;
  while (denom < 8) {
    const unsigned next = denom * 2;
    if ((width + next - 1) / next < minWidth || (height + next - 1) / next < minHeight) break;
    denom = next;
  }
  return denom;
}

// Rows of CMYK samples to B, G, R.  Adobe's files store the samples
// inverted (255 is no ink); libjpeg hands them over as stored.
void CmykToBgr(const JSAMPLE* cmyk, std::uint8_t* bgr, unsigned width, bool inverted) {
  for (unsigned x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    bgr[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
    bgr[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
    bgr[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
  }
}

// Rows handed to libjpeg at once, at most: its output buffer height for
// the common samplings.
constexpr int kRowsAtOnce = 4;

// The one function with a jump target.  Its locals are trivially
// destructible; the picture is created through a call that has returned
// before libjpeg can jump again.
bool RunDecode(DecodeJob* job) {
  jpeg_decompress_struct info;
  std::memset(&info, 0, sizeof info);
  info.err = jpeg_std_error(&job->errors.pub);
  job->errors.pub.error_exit = ErrorExit;
  job->errors.pub.emit_message = EmitMessage;
  job->errors.message[0] = '\0';
  job->errors.warnings = 0;
  job->errors.damage[0] = '\0';
  job->errors.endOfData = false;
  job->errors.outOfMemory = false;
  job->progress.pub.progress_monitor = Progress;
  job->progress.errors = &job->errors;
  if (setjmp(job->errors.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  info.mem->max_memory_to_use = kMaxLibraryMemory;
  info.progress = &job->progress.pub;
  jpeg_mem_src(&info, job->data, static_cast<unsigned long>(job->size));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
    *job->error = {job->errors.endOfData ? keErrFileRead : keErrNoData, "JPEG: no picture in the file"};
    jpeg_destroy_decompress(&info);
    return false;
  }
  job->fullWidth = info.image_width;
  job->fullHeight = info.image_height;
  const unsigned long long pixels = static_cast<unsigned long long>(info.image_width) * info.image_height;
  if (pixels > kBombPixels && pixels / kBombRatio > job->size) {
    *job->error = {keErrFileRead, "JPEG: the declared size is out of all proportion to the file"};
    jpeg_destroy_decompress(&info);
    return false;
  }

  bool cmyk = false;
  switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE:
      info.out_color_space = JCS_GRAYSCALE;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      info.out_color_space = JCS_CMYK;
      cmyk = true;
      break;
    default:
      info.out_color_space = JCS_RGB;
      break;
  }
  info.scale_num = 1;
  info.scale_denom = ScaleDenominator(info.image_width, info.image_height, job->minWidth, job->minHeight);
  jpeg_calc_output_dimensions(&info);
  const unsigned width = info.output_width;
  const unsigned height = info.output_height;
  const bool grey = info.out_color_space == JCS_GRAYSCALE;
  if (grey && job->sink.greyAsBgr) info.out_color_space = JCS_EXT_BGR;
  if (info.out_color_space == JCS_RGB) info.out_color_space = JCS_EXT_BGR;
  if (!job->sink.create(job->sink.context, width, height, grey, job->error)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  const unsigned components = info.out_color_space == JCS_GRAYSCALE ? 1 : cmyk ? 4 : 3;

  jpeg_start_decompress(&info);
  if (info.output_width != width || info.output_height != height ||
      static_cast<unsigned>(info.output_components) != components) {
    *job->error = {keErrNoData, "JPEG: unexpected output layout"};
    jpeg_destroy_decompress(&info);
    return false;
  }
  // CMYK rows pass through a buffer from libjpeg's pool (freed with it);
  // the others go straight into the target's rows, a few at a time.
  JSAMPARRAY buffer = nullptr;
  if (cmyk) {
    buffer = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE, width * components, 1);
  }
  const bool inverted = info.saw_Adobe_marker != 0;
  while (info.output_scanline < height) {
    const unsigned y = info.output_scanline;
    JSAMPROW targets[kRowsAtOnce];
    JDIMENSION count = 1;
    if (cmyk) {
      targets[0] = buffer[0];
    } else {
      count = height - y < static_cast<unsigned>(kRowsAtOnce) ? height - y : kRowsAtOnce;
      for (JDIMENSION i = 0; i < count; ++i) targets[i] = job->sink.row(job->sink.context, y + i);
    }
    const JDIMENSION read = jpeg_read_scanlines(&info, targets, count);
    if (read == 0) {
      *job->error = {keErrFileRead, "JPEG: the decoder stopped early"};  // cannot happen with a memory source
      jpeg_destroy_decompress(&info);
      return false;
    }
    if (cmyk) CmykToBgr(buffer[0], job->sink.row(job->sink.context, y), width, inverted);
  }
  // The end of the file is not read: what follows the last scan (trailing
  // markers, or nothing in a cut file) does not change the picture.
  jpeg_destroy_decompress(&info);
  return true;
}

// The sink of a CPicture: a 24-bit picture, or an 8-bit grey one for grey
// files; rows bottom-up.
struct PictureSink {
  CPicture* picture;
  unsigned height;
};

bool CreatePicture(void* context, unsigned width, unsigned height, bool grey, PictureError* error) {
  auto* sink = static_cast<PictureSink*>(context);
  sink->height = height;
  if (!sink->picture->Create(width, height, grey ? 8 : 24, error)) return false;
  if (grey) sink->picture->SetGreyPalette();
  return true;
}

std::uint8_t* PictureRow(void* context, unsigned y) {
  auto* sink = static_cast<PictureSink*>(context);
  return sink->picture->GetBits(sink->height - 1 - y);
}

// libjpeg's own error: cut data makes it fail only after it said so.
PictureError LibraryError(const DecodeJob& job) {
  const std::uint32_t code = job.errors.outOfMemory ? keErrOutOfMemory
                             : job.errors.endOfData ? keErrFileRead
                                                    : keErrNoData;
  const char* text = job.errors.message[0] != '\0' ? job.errors.message : "decoding failed";
  return {code, std::string(kName) + ": " + text};
}

// The checks before libjpeg is set up; false with the error.
bool LooksDecodable(const std::uint8_t* data, std::size_t size, PictureError* error) {
  // The start of image marker, then a marker: anything else is not JPEG, and
  // libjpeg need not be set up to say so.
  if (size >= 2 && size < 4 && data[0] == 0xFF && data[1] == 0xD8) {
    *error = {keErrFileRead, "JPEG: the file ends after its start marker"};
    return false;
  }
  if (size < 4 || data[0] != 0xFF || data[1] != 0xD8 || data[2] != 0xFF) {
    *error = {keErrNoData, "JPEG: not a JPEG file"};
    return false;
  }
  // libjpeg's memory source counts in unsigned long, 32 bits on Windows.
  if (size > 0x7FFFFFFFu) {
    *error = {keErrOutOfMemory, "JPEG: file too large"};
    return false;
  }
  return true;
}

}  // namespace

bool DecodeJpegRows(const std::uint8_t* data, std::size_t size, const JpegRowSink& sink, std::string* damage,
                    PictureError* error) {
  damage->clear();
  if (!LooksDecodable(data, size, error)) return false;
  DecodeJob job{};
  job.data = data;
  job.size = size;
  job.sink = sink;
  job.sink.greyAsBgr = true;
  PictureError refusal;
  job.error = &refusal;
  if (RunDecode(&job)) {
    if (job.errors.damage[0] != '\0') *damage = std::string(kName) + ": " + job.errors.damage;
    return true;
  }
  *error = refusal.IsError() ? refusal : LibraryError(job);
  return false;
}

bool DecodeJpegReduced(const std::uint8_t* data, std::size_t size, unsigned minWidth, unsigned minHeight,
                       CPicture* picture, unsigned* fullWidth, unsigned* fullHeight, PictureError* error) {
  if (!LooksDecodable(data, size, error)) return false;
  DecodeJob job{};
  job.data = data;
  job.size = size;
  job.minWidth = minWidth;
  job.minHeight = minHeight;
  PictureSink target{picture, 0};
  job.sink = {&target, CreatePicture, PictureRow, false};
  PictureError refusal;
  job.error = &refusal;
  const bool ok = RunDecode(&job);
  if (fullWidth != nullptr) *fullWidth = job.fullWidth;
  if (fullHeight != nullptr) *fullHeight = job.fullHeight;
  if (ok) {
    if (job.errors.damage[0] != '\0') picture->SetDamaged(std::string(kName) + ": " + job.errors.damage);
    return true;
  }
  picture->Destroy();
  *error = refusal.IsError() ? refusal : LibraryError(job);
  return false;
}

bool DecodeJpeg(const std::uint8_t* data, std::size_t size, int /*frame*/, CPicture* picture, PictureError* error) {
  return DecodeJpegReduced(data, size, 0, 0, picture, nullptr, nullptr, error);
}
