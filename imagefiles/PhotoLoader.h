#pragma once
// Loading a picture the way a viewer shows it, for the command-line tool:
// turned upright by its EXIF or TIFF orientation, with its transparency when
// asked for, and with what it carries besides its pixels.
//
// The pixels are decoded by the same code as a template picture
// (imagefiles/TemplateLoader.h), whose own behaviour - the plug-in's - stays
// as it is: the additions here come after the decoding.  libtiff already
// applies the mirroring part of a TIFF orientation when it hands the pixels
// over (it takes orientations 5 to 8 for 1 to 4), so for TIFF files only
// what it left undone is applied.

#include <cstdint>
#include <string>
#include <vector>

#include "image/ImageBuffer.h"
#include "imagefiles/FileType.h"
#include "imagefiles/Picture.h"
#include "imagefiles/PictureMetadata.h"

struct PhotoLoadOptions {
  bool keepAlpha = false;     // a picture with transparency becomes keFormatBGRA
  bool readMetadata = false;  // fill LoadedPhoto::metadata (the orientation is always read)
};

struct LoadedPhoto {
  CImageBuffer pixels;                      // keFormatBGR or keFormatBGRA, top row first, upright
  ImageFileType type = keFileTypeUnknown;   // the type by content
  PictureMetadata metadata;                 // orientation: as the file said it
  std::string damage;                       // why the picture is not whole; "" when it is
};

// Decodes the file content `bytes`; `name` (the file's name, may be empty)
// gives the type tried first by its extension, then the content decides.
// False with the decoder's error when the bytes are no picture that can be
// read, or `*photo` cannot be made (code 102).
bool LoadPhoto(const std::vector<std::uint8_t>& bytes, const std::string& name, const PhotoLoadOptions& options,
               LoadedPhoto* photo, PictureError* error);
