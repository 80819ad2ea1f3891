#pragma once
// Metafile playback by the system's own renderer, where there is one.
//
// Windows plays WMF and EMF files through GDI (PlayMetaFile and
// PlayEnhMetaFile) into a 24-bit DIB section.  Other systems have no such
// renderer and answer keMetafileNotAvailable; the picture layer then draws the
// file with its own renderer (imagefiles/MetafileReader.cpp).  The caller has
// already checked the file's structure and chosen the picture's size.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

enum MetafileFormat {
  keMetafileWmf,  // the records from the standard header on (no placeable header)
  keMetafileEmf,  // the whole file, from its header record on
};

enum MetafileResult {
  keMetafileRendered,
  keMetafileNotAvailable,  // no system renderer here
  keMetafileFailed,        // the system could not play the file; see the error text
};

// For WMF: the logical rectangle mapped onto the whole picture (window origin
// and extent; the file's own window records may change it while playing).
// EMF files carry their frame and ignore this.
struct MetafileWindow {
  int orgX = 0;
  int orgY = 0;
  int extX = 1;
  int extY = 1;
};

// Plays the metafile onto a white width x height picture; `*bgr` receives
// height rows of width * 3 bytes (blue, green, red), the top row first.
MetafileResult RenderMetafile(MetafileFormat format, const std::uint8_t* data, std::size_t size,
                              const MetafileWindow& window, unsigned width, unsigned height,
                              std::vector<std::uint8_t>* bgr, std::string* error);

}  // namespace platform
