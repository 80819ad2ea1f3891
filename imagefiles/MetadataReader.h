#pragma once
// Reading what a JPEG, PNG or TIFF file carries besides its pixels, through
// the codec libraries: libjpeg's saved markers and ICC reader, libpng's
// ancillary chunks up to the pixel data, libtiff's tags.
//
// Nothing here decodes pixels.  A file of another type, or one whose
// metadata cannot be read, leaves `*metadata` empty: metadata is carried
// where it can be, and never stops the picture itself from being used.

#include <cstddef>
#include <cstdint>

#include "imagefiles/FileType.h"
#include "imagefiles/PictureMetadata.h"

// The metadata of the file `data` whose content is of `type` (JPEG, PNG or
// TIFF; other types answer nothing).  The orientation comes from the EXIF
// block (JPEG, PNG) or the Orientation tag (TIFF).  A TIFF file keeps its
// camera facts as tags of its own directories rather than as an EXIF block:
// they go to metadata->tiffTags.
void ReadPictureMetadata(const std::uint8_t* data, std::size_t size, ImageFileType type, PictureMetadata* metadata);
