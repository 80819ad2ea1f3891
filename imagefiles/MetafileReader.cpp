// Metafile reader: Windows metafiles (WMF, with or without the 22-byte
// placeable header) and enhanced metafiles (EMF), drawn into a 24-bit
// picture on white.
//
// The reader checks the file's structure itself - header, the chain of
// records up to the end-of-file record inside the data - and chooses the
// picture's size: a placeable WMF from its bounding box and units per inch
// at 96 pixels per inch, a plain WMF from its window extent in pixels, an EMF
// from its frame (0.01 mm) at 96 pixels per inch; the longer side is kept at
// most 2048 pixels.  Windows then plays the file through GDI
// (platform/Metafile.h).  Elsewhere the records are drawn by the reader's own
// renderer: polygons, polylines, lines, rectangles, ellipses, solid pens and
// brushes, stock objects, window and viewport mapping, SaveDC/RestoreDC, an
// intersecting clip rectangle and embedded DIBs (read by DecodeDib).  The
// first record it cannot draw ends the decode with an error naming it, for
// example "WMF record META_TEXTOUT is not supported".  Renderer limits: pens
// are drawn solid and round (dashed styles are refused), shapes are not
// anti-aliased, raster operations other than copying are refused.
//
// The parts: the canvas (imagefiles/MetafileCanvas.h), the drawing state the
// records act on (MetafileDrawing_p.h), and one table of records per format
// with the format's structure (WmfRecords.cpp, EmfRecords.cpp).

#include "imagefiles/Decoders.h"
#include "imagefiles/Decoders_p.h"
#include "imagefiles/MetafileDrawing_p.h"

namespace {

constexpr std::uint32_t kEmfHeaderType = 1;       // EMR_HEADER
constexpr std::uint32_t kEmfSignature = 0x464D4520;  // " EMF" at byte 40 of the header

}  // namespace

bool DecodeWmf(const std::uint8_t* data, std::size_t size, int /*frame*/, CPicture* picture, PictureError* error) {
  const picturedecode::ByteSpan in(data, size);
  if (in.Has(0, 44) && in.LE32(0) == kEmfHeaderType && in.LE32(40) == kEmfSignature) {
    return metafile::DecodeEmfFile(in, picture, error);
  }
  return metafile::DecodeWmfFile(in, picture, error);
}
