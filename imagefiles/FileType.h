#pragma once
// Picture file types: chosen from a file name's extension, or recognised from
// the first bytes of the file.
//
// The extension decides the decoder a template file is tried with first; the
// content test is what the template browser uses to tell pictures from other
// files in a folder, so it only reads a small head of each file and never
// decodes.  The codes are stored and compared as numbers elsewhere, so their
// values are fixed.

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/Status.h"

enum ImageFileType : int {
  keFileTypeUnknown = 0,  // detect from the content
  keFileTypeBMP = 1,
  keFileTypeGIF = 2,
  keFileTypeJPEG = 3,
  keFileTypePNG = 4,
  keFileTypeICO = 5,
  keFileTypeTIFF = 6,
  keFileTypeTGA = 7,
  keFileTypePCX = 8,
  keFileTypeWBMP = 9,
  keFileTypeWMF = 10,  // WMF and EMF
  keFileTypeJP2 = 11,
  keFileTypeJPC = 12,  // JPEG-2000 code stream
  keFileTypePGX = 13,
  keFileTypePNM = 14,  // PBM, PGM, PPM
  keFileTypeRAS = 15,  // Sun raster
};

// The highest code of a concrete type.
constexpr int kLastFileType = keFileTypeRAS;

// The text after the last "." of `path` ("" when there is none).  A "." in a
// folder name counts too: the path is not split into folder and file.
std::string ExtensionOf(const std::string& path);

// `text` with the ASCII capitals A..Z made small and every other byte kept:
// how callers lower-case an extension for TypeFromExtension.  Bytes of the
// ANSI code page beyond ASCII stay as they are, whatever the C locale says.
std::string LowerCaseAscii(std::string text);

// The type of an extension as given, without the ".".  The comparison is
// case-sensitive - callers lower-case the extension first - and anything not
// in the table is keFileTypeUnknown.
ImageFileType TypeFromExtension(const std::string& extension);

// The type recognised from the file's first bytes: the fixed signatures first,
// then a plausibility test of a TGA header, otherwise keFileTypeUnknown.
// Raises CJException 101 for an empty path, 201 when the file cannot be
// opened and 202 when fewer than 16 bytes can be read.
ImageFileType TypeFromContent(const std::string& path);

// The same probe on a file's first bytes held in memory (a stream has no
// path); fewer than 16 bytes are keFileTypeUnknown.
ImageFileType TypeFromBytes(const std::uint8_t* data, std::size_t size);

// The same probe with the error as a status: `*type` is keFileTypeUnknown
// whenever the status is an error.
[[nodiscard]] CStatus TypeFromContent(const std::string& path, ImageFileType* type);
