#pragma once
// What a photograph carries besides its pixels, as the command-line tool
// takes it from a source file to its output.
//
// Each part is kept as the bytes the file format stores, so that it can be
// written again through the codec libraries without being understood: the
// colour profile, the EXIF block, the XMP packet.  Only the EXIF block is
// edited on the way out (imagefiles/ExifEditor.h).  The resolution and the
// comment are plain values because every format stores them differently.

#include <cstdint>
#include <string>
#include <vector>

enum class ResolutionUnit { kNone, kInch, kCentimetre };

struct PictureResolution {
  double x = 0;  // pixels per unit; 0 when the file does not say
  double y = 0;
  ResolutionUnit unit = ResolutionUnit::kNone;  // kNone: only the aspect of a pixel

  bool IsKnown() const { return x > 0 && y > 0; }
};

// A tag of a TIFF file's first directory (the camera's texts: make, model,
// date, artist, copyright) or of its EXIF directory, held as libtiff hands
// it over and takes it back: `count` values of the field's C type, in this
// machine's byte order (TIFFFieldSetGetSize bytes each; a text with its
// closing zero).
struct TiffTagValue {
  bool exifDirectory = false;
  unsigned tag = 0;
  std::uint32_t count = 0;
  std::vector<std::uint8_t> value;
};

struct PictureMetadata {
  std::vector<std::uint8_t> icc;   // the ICC colour profile
  std::vector<std::uint8_t> exif;  // the EXIF TIFF structure (what follows "Exif\0\0" in JPEG)
  std::vector<std::uint8_t> xmp;   // the XMP packet
  std::string comment;             // JPEG COM, PNG "Comment" text, TIFF ImageDescription
  std::vector<TiffTagValue> tiffTags;  // a TIFF file's camera facts (instead of `exif`)
  PictureResolution resolution;
  // How the stored pixels are to be turned for display (EXIF or TIFF
  // Orientation, 1..8); 0 when the file does not say.
  unsigned orientation = 0;

  bool IsEmpty() const {
    return icc.empty() && exif.empty() && xmp.empty() && comment.empty() && tiffTags.empty() &&
           !resolution.IsKnown();
  }
};
