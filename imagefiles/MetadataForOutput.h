#pragma once
// The metadata a repainted picture is written with: its source's, made to
// match the output.
//
// The output is written upright, with new colours, by this program: the EXIF
// block gets orientation 1, the output's pixel size, no thumbnail (it shows
// the old colours) and the program's name as Software
// (imagefiles/ExifEditor.h); an XMP packet's tiff:Orientation becomes 1
// too.  An EXIF block whose structure cannot be read is left out rather than
// carried with a wrong orientation.  The colour profile, the resolution, the
// comment and a TIFF file's camera tags go on as they are.

#include <cstdint>
#include <string>
#include <vector>

#include "imagefiles/PictureMetadata.h"

PictureMetadata MetadataForOutput(const PictureMetadata& source, std::uint32_t width, std::uint32_t height,
                                  const std::string& software);

// The XMP packet with every tiff:Orientation (attribute or element) set to 1.
std::vector<std::uint8_t> XmpWithUprightOrientation(const std::vector<std::uint8_t>& xmp);
