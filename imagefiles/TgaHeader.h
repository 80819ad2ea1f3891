#pragma once
// The 18-byte header that starts a TGA file.
//
// TGA has no signature, so whether a file is TGA is a judgement on its header
// values.  The content probe (imagefiles/FileType.cpp) and the reader
// (imagefiles/TgaReader.cpp) both read the header here and judge it with
// TgaHeaderFault, so a file the probe calls TGA is one the reader takes on,
// and the reader refuses as "not a TGA file: <fault>" every file the probe
// does not call TGA.

#include <cstddef>
#include <cstdint>

struct TgaHeader {
  unsigned idLength;      // bytes of the image ID after the header
  unsigned mapType;       // 0: no colour map, 1: a colour map follows
  unsigned imageType;     // 1, 2, 3: mapped, true colour, grey; +8: run-length encoded
  unsigned mapFirst;      // index of the first colour-map entry
  unsigned mapLength;     // colour-map entries
  unsigned mapEntryBits;  // bits per colour-map entry
  unsigned xOrigin;
  unsigned yOrigin;
  unsigned width;
  unsigned height;
  unsigned depth;         // bits per pixel
  unsigned descriptor;    // alpha bits, origin corner (bits 4, 5), interleaving (bits 6, 7)
};

constexpr std::size_t kTgaHeaderSize = 18;

// Reads the header from the first 18 bytes of `data`; false when there are
// fewer.
bool ReadTgaHeader(const std::uint8_t* data, std::size_t size, TgaHeader* header);

// Why the header is not that of a TGA file, or null when it is: the
// colour-map type is 0 or 1, the image type 1, 2, 3, 9, 10 or 11, the depth
// 8, 15, 16, 24 or 32, width and height are not 0, the x origin is 0 or the
// width and the y origin 0 or the height.
const char* TgaHeaderFault(const TgaHeader& header);
