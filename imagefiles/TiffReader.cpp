// TIFF decoder through libtiff, from memory.
//
// The file is opened with TIFFClientOpenExt over the bytes in memory (no
// mapping, read only); `frame` selects the directory (0: the first).  Pixels
// are read through libtiff's RGBA interface, which knows every photometric
// interpretation this build's codecs produce - bilevel, grey, palette, RGB,
// CMYK, YCbCr - in strips or tiles, at 1 to 16 bits per sample, and hands
// them over bottom-up, the order of the picture's rows.  Grey files without
// alpha become 8-bit grey pictures, everything else 24 bits; an extra alpha
// sample becomes the alpha plane, with the colours un-premultiplied (the RGBA
// interface always answers premultiplied colours).
//
// A file cut inside its strips keeps the strips before the cut, the rest
// black, and the picture is marked damaged; a tiled file cut short is
// refused.
//
// libtiff reports errors and warnings through handlers: the process-wide
// ones are switched off once (nothing prints), and each open file gets its
// own handler that keeps the first error for the error text.  Limits: the
// picture size rule of CPicture and the RGBA raster's bytes are checked
// before allocating, libtiff's own allocations are capped, and libtiff itself
// refuses IFD chains that loop.

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include <tiffio.h>

#include "imagefiles/Decoders.h"
#include "imagefiles/Decoders_p.h"
#include "imagefiles/Picture.h"
#include "imagefiles/TiffMemory_p.h"

namespace {

using tiffmemory::kMaxLibraryAllocation;
using tiffmemory::MemoryFile;
using tiffmemory::TiffGuard;

const char kName[] = "TIFF";

// Directories counted for GetNumFrames.
constexpr int kMaxFrames = 65535;

// Marks the rows (counted from the top) of every strip that reaches past the
// end of a file of `fileSize` bytes.  False for tiled files, whose cut parts
// are not whole rows.
bool FindCutRows(TIFF* tiff, std::uint64_t fileSize, std::uint32_t height, std::vector<bool>* cutRows) {
  if (TIFFIsTiled(tiff)) return false;
  std::uint32_t rowsPerStrip = height;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
  if (rowsPerStrip == 0 || rowsPerStrip > height) rowsPerStrip = height;
  const std::uint32_t stripsPerPlane = (height - 1) / rowsPerStrip + 1;  // planes stored apart repeat the rows
  cutRows->assign(height, false);
  const std::uint32_t strips = TIFFNumberOfStrips(tiff);
  for (std::uint32_t strip = 0; strip < strips; ++strip) {
    const std::uint64_t offset = TIFFGetStrileOffset(tiff, strip);
    const std::uint64_t bytes = TIFFGetStrileByteCount(tiff, strip);
    if (offset <= fileSize && bytes <= fileSize - offset) continue;
    const std::uint32_t first = (strip % stripsPerPlane) * rowsPerStrip;
    const std::uint32_t end = height - first < rowsPerStrip ? height : first + rowsPerStrip;
    for (std::uint32_t row = first; row < end; ++row) (*cutRows)[row] = true;
  }
  return true;
}

bool Fail(PictureError* error, const std::string& text, std::uint32_t code = keErrNoData) {
  *error = {code, std::string(kName) + ": " + text};
  return false;
}

// libtiff's refusal: its first error, and 202 when it had asked for bytes
// past the end of the file.
bool FailWith(PictureError* error, const MemoryFile& file, const char* fallback) {
  return Fail(error, file.message[0] != '\0' ? file.message : fallback,
              file.endReached ? keErrFileRead : keErrNoData);
}

}  // namespace

bool DecodeTiff(const std::uint8_t* data, std::size_t size, int frame, CPicture* picture, PictureError* error) {
  const bool little = size >= 4 && data[0] == 'I' && data[1] == 'I' && (data[2] == 42 || data[2] == 43) && data[3] == 0;
  const bool big = size >= 4 && data[0] == 'M' && data[1] == 'M' && data[2] == 0 && (data[3] == 42 || data[3] == 43);
  if (!little && !big) return Fail(error, "not a TIFF file");
  MemoryFile file;
  file.data = data;
  file.size = size;
  TiffGuard tiff{tiffmemory::Open(&file, false, kMaxLibraryAllocation)};
  if (tiff.tiff == nullptr) return FailWith(error, file, "cannot be opened");

  if (frame > 0) {
    if (frame >= kMaxFrames || TIFFSetDirectory(tiff.tiff, static_cast<tdir_t>(frame)) != 1) {
      return picturedecode::FailFrame(error, kName, frame);
    }
  }
  std::uint32_t width = 0, height = 0;
  std::uint16_t samples = 1, photometric = PHOTOMETRIC_MINISBLACK, extraCount = 0;
  std::uint16_t* extraTypes = nullptr;
  if (TIFFGetField(tiff.tiff, TIFFTAG_IMAGEWIDTH, &width) != 1 || TIFFGetField(tiff.tiff, TIFFTAG_IMAGELENGTH, &height) != 1) {
    return FailWith(error, file, "no picture size");
  }
  TIFFGetFieldDefaulted(tiff.tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetField(tiff.tiff, TIFFTAG_PHOTOMETRIC, &photometric);
  TIFFGetFieldDefaulted(tiff.tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);

  const bool grey = (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE) &&
                    samples - extraCount == 1;
  bool alpha = false;
  for (std::uint16_t i = 0; extraTypes != nullptr && i < extraCount; ++i) {
    if (extraTypes[i] == EXTRASAMPLE_ASSOCALPHA || extraTypes[i] == EXTRASAMPLE_UNASSALPHA) alpha = true;
  }
  const unsigned bpp = grey && !alpha ? 8 : 24;
  if (!CPicture::CheckSize(width, height, bpp, error)) return false;
  const std::uint64_t rasterBytes = std::uint64_t(width) * height * 4;
  if (rasterBytes > kPictureMaxBytes) return Fail(error, "picture too large", keErrOutOfMemory);

  char reason[1024] = "";
  if (TIFFRGBAImageOK(tiff.tiff, reason) != 1) return Fail(error, reason[0] != '\0' ? reason : "unsupported layout");
  std::vector<std::uint32_t> raster;
  try {
    raster.resize(static_cast<std::size_t>(width) * height);
  } catch (const std::bad_alloc&) {
    return Fail(error, "out of memory", keErrOutOfMemory);
  }
  // Not stopping at the first error lets a cut file give the strips before
  // the cut; any other error still refuses the file.
  if (TIFFReadRGBAImageOriented(tiff.tiff, width, height, raster.data(), ORIENTATION_BOTLEFT, 0) != 1 ||
      (file.message[0] != '\0' && !file.endReached)) {
    return FailWith(error, file, "the pixels cannot be read");
  }
  std::uint32_t missingRows = 0;
  if (file.message[0] != '\0') {
    // libtiff leaves in a cut strip whatever its strip buffer held before:
    // those rows become black.
    std::vector<bool> cutRows;
    if (!FindCutRows(tiff.tiff, size, height, &cutRows)) return FailWith(error, file, "the pixels cannot be read");
    for (std::uint32_t row = 0; row < height; ++row) {
      if (!cutRows[row]) continue;
      ++missingRows;
      std::uint32_t* line = raster.data() + static_cast<std::size_t>(height - 1 - row) * width;
      std::fill(line, line + width, 0u);
    }
    if (missingRows == 0 || missingRows == height) return FailWith(error, file, "the pixels cannot be read");
  }
  if (!picture->Create(width, height, bpp, error)) return false;
  if (bpp == 8) picture->SetGreyPalette();
  if (alpha && !picture->AlphaCreate(error)) return false;
  for (std::uint32_t y = 0; y < height; ++y) {
    const std::uint32_t* in = raster.data() + static_cast<std::size_t>(y) * width;
    std::uint8_t* out = picture->GetBits(y);
    std::uint8_t* a = alpha ? picture->AlphaGetPointer(0, static_cast<long>(y)) : nullptr;
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::uint32_t p = in[x];
      unsigned r = TIFFGetR(p), g = TIFFGetG(p), b = TIFFGetB(p);
      if (a != nullptr) {
        const unsigned av = TIFFGetA(p);
        a[x] = static_cast<std::uint8_t>(av);
        if (av != 0 && av != 255) {
          r = r >= av ? 255 : (r * 255 + av / 2) / av;
          g = g >= av ? 255 : (g * 255 + av / 2) / av;
          b = b >= av ? 255 : (b * 255 + av / 2) / av;
        }
      }
      if (bpp == 8) {
        out[x] = static_cast<std::uint8_t>(g);
      } else {
        out[3 * x] = static_cast<std::uint8_t>(b);
        out[3 * x + 1] = static_cast<std::uint8_t>(g);
        out[3 * x + 2] = static_cast<std::uint8_t>(r);
      }
    }
  }
  if (missingRows != 0) {
    picture->SetDamaged(std::string(kName) + ": the file ends early; " + std::to_string(missingRows) + " of " +
                        std::to_string(height) + " rows are missing");
  }
  // Frames: the directories in the chain (libtiff stops at a loop).
  const tdir_t directories = TIFFNumberOfDirectories(tiff.tiff);
  picture->SetNumFrames(directories < 1 ? 1 : directories > kMaxFrames ? kMaxFrames : static_cast<int>(directories));
  return true;
}
