// PNG decoder through libpng, from memory.
//
// Palette files stay palette pictures (1, 4 or 8 bits; 2-bit indices are
// widened to 4 bits), grey files become 8-bit grey pictures (1-bit grey: a
// black and white palette), colour files 24 bits.  16-bit samples are scaled
// to 8 bits with rounding.  Transparency - an alpha channel, or a tRNS chunk
// for palette entries or for one grey or colour value - becomes the alpha
// plane; the colour planes keep their own values.  Interlaced files are read
// whole, then stored.  Gamma and colour-profile chunks are not applied.
//
// A file that ends inside its pixel data (a cut download) keeps the rows read
// before the cut, the rest black, and the picture is marked damaged - when at
// least one row came through and the file is not interlaced (the passes of an
// interlaced file spread every row over the whole data).  A file that ends
// after its last row decodes whole, unmarked.
//
// libpng reports fatal errors by longjmp to the target of the function that
// called it.  Two small functions hold one each - ReadHeader and ReadRows -
// and every local in them is trivially destructible; the row buffers they
// need are allocated by their caller between the two.  Limits: the picture
// size rule of CPicture before anything is allocated, libpng's user limits on
// width and height, and caps on ancillary chunks (count and size) so a
// compressed text or profile chunk cannot inflate without bound.

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <png.h>

#include "imagefiles/Decoders.h"
#include "imagefiles/Picture.h"

namespace {

const char kName[] = "PNG";

constexpr png_uint_32 kMaxSide = 0x7FFFFFFF;           // CheckSize decides
constexpr png_uint_32 kMaxAncillaryChunks = 256;
constexpr png_alloc_size_t kMaxChunkBytes = 8u << 20;  // a decompressed chunk

struct PngJob {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t position;
  png_structp png;
  png_infop info;
  char message[200];
  // From ReadHeader.
  png_uint_32 width;
  png_uint_32 height;
  int bitDepth;     // as stored
  int colourType;   // as stored
  int interlace;
  int channels;     // after the transformations
  png_size_t rowBytes;
  bool hasTrns;
  bool endReached;  // libpng asked for bytes past the end of the file
  // Palette with its tRNS alpha (palette files only).
  int numPalette;
  png_color palette[256];
  std::uint8_t paletteAlpha[256];
  // For ReadRows.
  png_bytep* rows;  // one pointer per row, or a single row buffer
};

void OnError(png_structp png, png_const_charp message) {
  auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
  std::snprintf(job->message, sizeof job->message, "%s", message);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void ReadData(png_structp png, png_bytep out, png_size_t count) {
  auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
  if (count > job->size - job->position) {
    job->endReached = true;
    png_error(png, "the file ends early");
  }
  std::memcpy(out, job->data + job->position, count);
  job->position += count;
}

// Creates libpng's structures, reads everything up to the pixels and sets the
// transformations.  Answers false with job->message set.
bool ReadHeader(PngJob* job) {
  job->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, job, OnError, OnWarning);
  if (job->png == nullptr) {
    std::snprintf(job->message, sizeof job->message, "out of memory");
    return false;
  }
  job->info = png_create_info_struct(job->png);
  if (job->info == nullptr) {
    std::snprintf(job->message, sizeof job->message, "out of memory");
    return false;
  }
  if (setjmp(png_jmpbuf(job->png))) return false;
  png_structp png = job->png;
  png_infop info = job->info;
  png_set_read_fn(png, job, ReadData);
  png_set_user_limits(png, kMaxSide, kMaxSide);
  png_set_chunk_cache_max(png, kMaxAncillaryChunks);
  png_set_chunk_malloc_max(png, kMaxChunkBytes);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
  png_read_info(png, info);

  job->width = png_get_image_width(png, info);
  job->height = png_get_image_height(png, info);
  job->bitDepth = png_get_bit_depth(png, info);
  job->colourType = png_get_color_type(png, info);
  job->interlace = png_get_interlace_type(png, info);
  job->hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;

  if (job->colourType == PNG_COLOR_TYPE_PALETTE) {
    png_colorp palette = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &palette, &count) == 0 || palette == nullptr || count < 1) {
      png_error(png, "palette missing");
    }
    job->numPalette = count > 256 ? 256 : count;
    std::memcpy(job->palette, palette, sizeof(png_color) * static_cast<std::size_t>(job->numPalette));
    std::memset(job->paletteAlpha, 255, sizeof job->paletteAlpha);
    if (job->hasTrns) {
      png_bytep alpha = nullptr;
      int alphaCount = 0;
      png_get_tRNS(png, info, &alpha, &alphaCount, nullptr);
      if (alpha != nullptr) {
        for (int i = 0; i < alphaCount && i < 256; ++i) job->paletteAlpha[i] = alpha[i];
      }
    }
    png_set_packing(png);  // one index per byte
  } else {
    if (job->bitDepth == 16) png_set_scale_16(png);
    if (job->bitDepth < 8 && job->colourType == PNG_COLOR_TYPE_GRAY && !(job->bitDepth == 1 && !job->hasTrns)) {
      png_set_expand_gray_1_2_4_to_8(png);
    } else if (job->bitDepth == 1) {
      png_set_packing(png);  // 1-bit grey without tRNS: one 0/1 per byte
    }
    if (job->hasTrns) png_set_tRNS_to_alpha(png);
    if (job->colourType & PNG_COLOR_MASK_COLOR) png_set_bgr(png);
  }
  if (job->interlace != PNG_INTERLACE_NONE) png_set_interlace_handling(png);
  png_read_update_info(png, info);
  job->channels = png_get_channels(png, info);
  job->rowBytes = png_get_rowbytes(png, info);
  if (png_get_bit_depth(png, info) != 8 || job->rowBytes < static_cast<png_size_t>(job->width) * job->channels) {
    png_error(png, "unexpected row layout");
  }
  return true;
}

// Reads the pixels into job->rows: every row at once for interlaced files,
// else only the next row (ReadNextRow).  Answers false with job->message.
bool ReadAllRows(PngJob* job) {
  if (setjmp(png_jmpbuf(job->png))) return false;
  png_read_image(job->png, job->rows);
  return true;
}

bool ReadNextRow(PngJob* job) {
  if (setjmp(png_jmpbuf(job->png))) return false;
  png_read_row(job->png, job->rows[0], nullptr);
  return true;
}

struct StructsGuard {
  PngJob* job;
  ~StructsGuard() {
    if (job->png != nullptr) png_destroy_read_struct(&job->png, job->info != nullptr ? &job->info : nullptr, nullptr);
  }
  StructsGuard(const StructsGuard&) = delete;
  StructsGuard& operator=(const StructsGuard&) = delete;
};

// Stores one decoded row (top-down index y) into the picture.
void StoreRow(const PngJob& job, const std::uint8_t* in, unsigned y, CPicture* picture) {
  const unsigned width = job.width;
  const unsigned row = job.height - 1 - y;
  std::uint8_t* out = picture->GetBits(row);
  std::uint8_t* alpha = picture->AlphaGetPointer(0, static_cast<long>(row));
  switch (picture->GetBpp()) {
    case 1:
      std::memset(out, 0, picture->GetEffWidth());
      for (unsigned x = 0; x < width; ++x) {
        if (in[x] & 1) out[x >> 3] = static_cast<std::uint8_t>(out[x >> 3] | (0x80u >> (x & 7)));
      }
      break;
    case 4:
      std::memset(out, 0, picture->GetEffWidth());
      for (unsigned x = 0; x < width; ++x) {
        out[x >> 1] = static_cast<std::uint8_t>(out[x >> 1] | ((in[x] & 0x0F) << ((x & 1) ? 0 : 4)));
      }
      break;
    case 8:
      if (job.channels == 1) {
        std::memcpy(out, in, width);
      } else {  // grey and alpha
        for (unsigned x = 0; x < width; ++x) {
          out[x] = in[2 * x];
          alpha[x] = in[2 * x + 1];
        }
      }
      break;
    default:
      if (job.channels == 3) {
        std::memcpy(out, in, static_cast<std::size_t>(width) * 3);
      } else {  // B, G, R, A
        for (unsigned x = 0; x < width; ++x) {
          out[3 * x] = in[4 * x];
          out[3 * x + 1] = in[4 * x + 1];
          out[3 * x + 2] = in[4 * x + 2];
          alpha[x] = in[4 * x + 3];
        }
      }
      break;
  }
  if (job.colourType == PNG_COLOR_TYPE_PALETTE && alpha != nullptr) {
    for (unsigned x = 0; x < width; ++x) alpha[x] = job.paletteAlpha[in[x]];
  }
}

bool Fail(PictureError* error, const char* text, std::uint32_t code = keErrNoData) {
  *error = {code, std::string(kName) + ": " + text};
  return false;
}

// libpng's refusal: 202 when it had asked for bytes past the end, or when
// the compressed pixels ended before the last row (libpng's "Not enough
// image data", in a file that goes on with other chunks).
bool FailWith(PictureError* error, const PngJob& job) {
  const bool dataEnded = job.endReached || std::strcmp(job.message, "Not enough image data") == 0;
  return Fail(error, job.message, dataEnded ? keErrFileRead : keErrNoData);
}

}  // namespace

bool DecodePng(const std::uint8_t* data, std::size_t size, int /*frame*/, CPicture* picture, PictureError* error) {
  if (size < 8 || png_sig_cmp(data, 0, 8) != 0) return Fail(error, "not a PNG file");
  auto job = std::make_unique<PngJob>();
  std::memset(job.get(), 0, sizeof(PngJob));
  job->data = data;
  job->size = size;
  StructsGuard guard{job.get()};
  if (!ReadHeader(job.get())) return FailWith(error, *job);

  const bool palette = job->colourType == PNG_COLOR_TYPE_PALETTE;
  const bool grey = !(job->colourType & PNG_COLOR_MASK_COLOR);
  unsigned bpp = 24;
  if (palette) {
    bpp = job->bitDepth == 1 ? 1 : job->bitDepth <= 4 ? 4 : 8;
  } else if (grey) {
    bpp = job->bitDepth == 1 && job->channels == 1 ? 1 : 8;
  }
  if (!picture->Create(job->width, job->height, bpp, error)) return false;
  if (palette) {
    for (int i = 0; i < job->numPalette && i < (1 << bpp); ++i) {
      picture->SetPaletteColor(static_cast<unsigned>(i), job->palette[i].red, job->palette[i].green,
                               job->palette[i].blue);
    }
  } else if (grey) {
    picture->SetGreyPalette();
  }
  const bool alpha = job->channels == 2 || job->channels == 4 || (palette && job->hasTrns);
  if (alpha && !picture->AlphaCreate(error)) return false;

  if (job->interlace != PNG_INTERLACE_NONE) {
    // All passes write into the whole picture: rows of the decoded layout.
    std::uint64_t total = 0;
    if (!CPicture::CheckSize(job->width, job->height, 8, error) ||
        (total = static_cast<std::uint64_t>(job->rowBytes) * job->height) > kPictureMaxBytes) {
      return Fail(error, "interlaced picture too large", keErrOutOfMemory);
    }
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(total));
    std::vector<png_bytep> rows(job->height);
    for (png_uint_32 y = 0; y < job->height; ++y) rows[y] = pixels.data() + static_cast<std::size_t>(y) * job->rowBytes;
    job->rows = rows.data();
    if (!ReadAllRows(job.get())) return FailWith(error, *job);
    for (png_uint_32 y = 0; y < job->height; ++y) StoreRow(*job, rows[y], y, picture);
  } else {
    std::vector<std::uint8_t> row(job->rowBytes);
    png_bytep rowPointer = row.data();
    job->rows = &rowPointer;
    for (png_uint_32 y = 0; y < job->height; ++y) {
      if (!ReadNextRow(job.get())) {
        // libpng hands a row over before it reads on; a row it counted as
        // read is whole (the file may end in the checksum after the last row).
        const png_uint_32 rowsRead = png_get_current_row_number(job->png) > y ? y + 1 : y;
        if (rowsRead > y) StoreRow(*job, row.data(), y, picture);
        if (!job->endReached || rowsRead == 0) return FailWith(error, *job);
        if (rowsRead < job->height) {
          picture->SetDamaged(std::string(kName) + ": the file ends early; " + std::to_string(job->height - rowsRead) +
                              " of " + std::to_string(job->height) + " rows are missing");
        }
        return true;
      }
      StoreRow(*job, row.data(), y, picture);
    }
  }
  // The chunks after the pixels are not read: nothing in them changes the
  // picture, and a file cut after its last row still decodes.
  return true;
}
