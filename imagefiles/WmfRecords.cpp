// Windows metafiles (WMF): the structure, the picture's size, and the table
// of records the portable renderer draws.
//
// A WMF file is an optional 22-byte placeable header (bounding box and units
// per inch), the 18-byte standard header, then records of a size in 16-bit
// words, a function number and 16-bit parameters, up to META_EOF.  Points
// come as (x, y) pairs, rectangles as bottom, right, top, left - the order
// GDI pushed them.

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "imagefiles/MetafileDrawing_p.h"
#include "imagefiles/Picture.h"
#include "platform/Metafile.h"

using picturedecode::ByteSpan;
using picturedecode::Fail;
using picturedecode::FailShort;

namespace metafile {

namespace {

const char kWmf[] = "WMF";

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableHeaderSize = 22;
constexpr std::size_t kStandardHeaderSize = 18;
constexpr std::size_t kRecordHeaderSize = 6;  // size in words (32 bits), function (16 bits)

constexpr unsigned kMetaEof = 0x0000;
constexpr unsigned kMetaSetWindowOrg = 0x020B;
constexpr unsigned kMetaSetWindowExt = 0x020C;

// One record: its parameters as 16-bit words (reads past the record give 0).
struct WmfRecord {
  const std::uint8_t* params;
  std::size_t size;  // bytes of parameters
  unsigned function;
  std::uint16_t U16(std::size_t i) const { return 2 * i + 1 < size ? ByteSpan(params, size).LE16(2 * i) : 0; }
  int S16(std::size_t i) const { return static_cast<std::int16_t>(U16(i)); }
  std::uint32_t U32(std::size_t i) const { return U16(i) | (std::uint32_t(U16(i + 1)) << 16); }
  std::size_t Words() const { return size / 2; }
};

// The record at byte p of a chain already checked by ReadStructure.
WmfRecord RecordAt(const ByteSpan& in, std::size_t p) {
  const std::size_t bytes = static_cast<std::size_t>(in.LE32(p)) * 2;
  return WmfRecord{in.Data() + p + kRecordHeaderSize, bytes - kRecordHeaderSize, in.LE16(p + 4)};
}

// Points of a polygon record: count at word `at`, then x, y pairs.
bool Points(const WmfRecord& r, std::size_t at, std::size_t count, const Renderer& renderer,
            std::vector<Point>* points) {
  if (at + 2 * count > r.Words()) return false;
  points->clear();
  for (std::size_t i = 0; i < count; ++i) {
    points->push_back(renderer.Map(r.S16(at + 2 * i), r.S16(at + 2 * i + 1)));
  }
  return true;
}

// ---- the handlers ---------------------------------------------------------------------------

// State without effect on what this renderer draws.
bool Ignore(const WmfRecord&, Renderer*, ObjectTable*) { return true; }

// The window is mapped onto the picture whatever the mode.
bool SetMapMode(const WmfRecord& r, Renderer* renderer, ObjectTable*) {
  renderer->State().mapMode = r.S16(0);
  return true;
}

bool SetPolyFillMode(const WmfRecord& r, Renderer* renderer, ObjectTable*) {
  renderer->State().winding = r.U16(0) == 2;
  return true;
}

bool SetWindowOrg(const WmfRecord& r, Renderer* renderer, ObjectTable*) {
  renderer->State().winOrgY = r.S16(0);
  renderer->State().winOrgX = r.S16(1);
  return true;
}

bool SetWindowExt(const WmfRecord& r, Renderer* renderer, ObjectTable*) {
  if (r.S16(0) == 0 || r.S16(1) == 0) return false;
  renderer->State().winExtY = r.S16(0);
  renderer->State().winExtX = r.S16(1);
  return true;
}

bool SaveDc(const WmfRecord&, Renderer* renderer, ObjectTable*) { return renderer->Save(); }

bool RestoreDc(const WmfRecord& r, Renderer* renderer, ObjectTable*) { return renderer->Restore(r.S16(0)); }

bool IntersectClipRect(const WmfRecord& r, Renderer* renderer, ObjectTable*) {
  renderer->IntersectClip(r.S16(3), r.S16(2), r.S16(1), r.S16(0));
  return true;
}

// Style, width (x, y), COLORREF.
bool CreatePenIndirect(const WmfRecord& r, Renderer*, ObjectTable* objects) {
  GdiObjectRecord o;
  return MakePen(r.U16(0), r.S16(1), r.U32(3), &o) && objects->AddLowest(o);
}

// Style, COLORREF, hatch.
bool CreateBrushIndirect(const WmfRecord& r, Renderer*, ObjectTable* objects) {
  GdiObjectRecord o;
  return MakeBrush(r.U16(0), r.U32(1), &o) && objects->AddLowest(o);
}

// Fonts and palettes take a slot; text is refused when drawn.
bool CreateOtherObject(const WmfRecord&, Renderer*, ObjectTable* objects) {
  GdiObjectRecord o;
  o.kind = keObjectOther;
  return objects->AddLowest(o);
}

bool SelectObject(const WmfRecord& r, Renderer* renderer, ObjectTable* objects) {
  return Select(objects->Get(r.U16(0)), &renderer->State());
}

bool DeleteObject(const WmfRecord& r, Renderer*, ObjectTable* objects) { return objects->Delete(r.U16(0)); }

bool MoveTo(const WmfRecord& r, Renderer* renderer, ObjectTable*) {
  renderer->State().position = {double(r.S16(1)), double(r.S16(0))};
  return true;
}

bool LineTo(const WmfRecord& r, Renderer* renderer, ObjectTable*) { return renderer->LineTo(r.S16(1), r.S16(0)); }

bool Rectangle(const WmfRecord& r, Renderer* renderer, ObjectTable*) {
  return renderer->Rectangle(r.S16(3), r.S16(2), r.S16(1), r.S16(0));
}

bool Ellipse(const WmfRecord& r, Renderer* renderer, ObjectTable*) {
  return renderer->Ellipse(r.S16(3), r.S16(2), r.S16(1), r.S16(0));
}

bool Polygon(const WmfRecord& r, Renderer* renderer, ObjectTable*) {
  std::vector<Point> points;
  return Points(r, 1, r.U16(0), *renderer, &points) && renderer->Shape({points});
}

bool Polyline(const WmfRecord& r, Renderer* renderer, ObjectTable*) {
  std::vector<Point> points;
  return Points(r, 1, r.U16(0), *renderer, &points) && renderer->Outline(points, false);
}

// Number of polygons, their point counts, the points.
bool PolyPolygon(const WmfRecord& r, Renderer* renderer, ObjectTable*) {
  const std::size_t n = r.U16(0);
  if (1 + n > r.Words()) return false;
  std::vector<std::vector<Point>> polygons;
  std::vector<Point> points;
  std::size_t at = 1 + n;
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t count = r.U16(1 + i);
    if (!Points(r, at, count, *renderer, &points)) return false;
    polygons.push_back(points);
    at += 2 * count;
  }
  return renderer->Shape(polygons);
}

// Rop, usage, source height, width, y, x, destination height, width, y, x, DIB.
bool StretchDib(const WmfRecord& r, Renderer* renderer, ObjectTable*) {
  if (r.size < 22) return false;
  return DrawDib(renderer, r.params + 22, r.size - 22, r.U32(0), true, r.S16(6), r.S16(5), r.S16(4), r.S16(3),
                 r.S16(10), r.S16(9), r.S16(8), r.S16(7));
}

// With a DIB: rop, source height, width, y, x, destination height, width, y,
// x, DIB.  Without one (11 words) it is a pattern operation, not drawn.
bool DibStretchBlt(const WmfRecord& r, Renderer* renderer, ObjectTable*) {
  if (r.size < 20 || r.Words() == 11) return false;
  return DrawDib(renderer, r.params + 20, r.size - 20, r.U32(0), false, r.S16(5), r.S16(4), r.S16(3), r.S16(2),
                 r.S16(9), r.S16(8), r.S16(7), r.S16(6));
}

// With a DIB: rop, source y, x, height, width, destination y, x, DIB (the
// source's size drawn unscaled).  Without one (9 words) a pattern operation.
bool DibBitBlt(const WmfRecord& r, Renderer* renderer, ObjectTable*) {
  if (r.size < 16 || r.Words() == 9) return false;
  return DrawDib(renderer, r.params + 16, r.size - 16, r.U32(0), false, r.S16(3), r.S16(2), r.S16(5), r.S16(4),
                 r.S16(7), r.S16(6), r.S16(5), r.S16(4));
}

// ---- the table ------------------------------------------------------------------------------

// Every record this reader knows by name, sorted by function number; a null
// handler is a record the portable renderer does not draw.
constexpr RecordEntry<WmfRecord> kRecords[] = {
    {0x0000, "META_EOF", nullptr},
    {0x001E, "META_SAVEDC", SaveDc},
    {0x0035, "META_REALIZEPALETTE", Ignore},
    {0x0037, "META_SETPALENTRIES", nullptr},
    {0x00F7, "META_CREATEPALETTE", CreateOtherObject},
    {0x0102, "META_SETBKMODE", Ignore},
    {0x0103, "META_SETMAPMODE", SetMapMode},
    {0x0104, "META_SETROP2", Ignore},
    {0x0106, "META_SETPOLYFILLMODE", SetPolyFillMode},
    {0x0107, "META_SETSTRETCHBLTMODE", Ignore},
    {0x0108, "META_SETTEXTCHAREXTRA", Ignore},
    {0x0127, "META_RESTOREDC", RestoreDc},
    {0x012D, "META_SELECTOBJECT", SelectObject},
    {0x012E, "META_SETTEXTALIGN", Ignore},
    {0x0142, "META_DIBCREATEPATTERNBRUSH", nullptr},
    {0x01F0, "META_DELETEOBJECT", DeleteObject},
    {0x01F9, "META_CREATEPATTERNBRUSH", nullptr},
    {0x0201, "META_SETBKCOLOR", Ignore},
    {0x0209, "META_SETTEXTCOLOR", Ignore},
    {0x020B, "META_SETWINDOWORG", SetWindowOrg},
    {0x020C, "META_SETWINDOWEXT", SetWindowExt},
    {0x020D, "META_SETVIEWPORTORG", Ignore},  // the viewport is the picture
    {0x020E, "META_SETVIEWPORTEXT", Ignore},
    {0x020F, "META_OFFSETWINDOWORG", nullptr},
    {0x0211, "META_OFFSETVIEWPORTORG", nullptr},
    {0x0213, "META_LINETO", LineTo},
    {0x0214, "META_MOVETO", MoveTo},
    {0x0220, "META_OFFSETCLIPRGN", nullptr},
    {0x0228, "META_FILLREGION", nullptr},
    {0x0231, "META_SETMAPPERFLAGS", Ignore},
    {0x0234, "META_SELECTPALETTE", Ignore},
    {0x02FA, "META_CREATEPENINDIRECT", CreatePenIndirect},
    {0x02FB, "META_CREATEFONTINDIRECT", CreateOtherObject},
    {0x02FC, "META_CREATEBRUSHINDIRECT", CreateBrushIndirect},
    {0x0324, "META_POLYGON", Polygon},
    {0x0325, "META_POLYLINE", Polyline},
    {0x0410, "META_SCALEWINDOWEXT", nullptr},
    {0x0412, "META_SCALEVIEWPORTEXT", nullptr},
    {0x0415, "META_EXCLUDECLIPRECT", nullptr},
    {0x0416, "META_INTERSECTCLIPRECT", IntersectClipRect},
    {0x0418, "META_ELLIPSE", Ellipse},
    {0x0419, "META_FLOODFILL", nullptr},
    {0x041B, "META_RECTANGLE", Rectangle},
    {0x041F, "META_SETPIXEL", nullptr},
    {0x0429, "META_FRAMEREGION", nullptr},
    {0x0521, "META_TEXTOUT", nullptr},
    {0x0538, "META_POLYPOLYGON", PolyPolygon},
    {0x0548, "META_EXTFLOODFILL", nullptr},
    {0x061C, "META_ROUNDRECT", nullptr},
    {0x061D, "META_PATBLT", nullptr},
    {0x0626, "META_ESCAPE", Ignore},
    {0x06FF, "META_CREATEREGION", nullptr},
    {0x0817, "META_ARC", nullptr},
    {0x081A, "META_PIE", nullptr},
    {0x0830, "META_CHORD", nullptr},
    {0x0922, "META_BITBLT", nullptr},
    {0x0940, "META_DIBBITBLT", DibBitBlt},
    {0x0A32, "META_EXTTEXTOUT", nullptr},
    {0x0B23, "META_STRETCHBLT", nullptr},
    {0x0B41, "META_DIBSTRETCHBLT", DibStretchBlt},
    {0x0D33, "META_SETDIBTODEV", nullptr},
    {0x0F43, "META_STRETCHDIB", StretchDib},
};
static_assert(IsSortedByCode(kRecords), "WMF records sorted by function number");

// ---- the file ---------------------------------------------------------------------------------

struct WmfFile {
  std::size_t recordsAt = 0;  // the standard header
  bool placeable = false;
  int bboxLeft = 0, bboxTop = 0, bboxRight = 0, bboxBottom = 0;
  unsigned inch = 0;
  std::uint32_t objects = 0;
  std::size_t end = 0;  // just past the end-of-file record
};

// Header, and the record chain up to META_EOF inside the data.
bool ReadStructure(const ByteSpan& in, WmfFile* file, PictureError* error) {
  std::size_t at = 0;
  if (in.Has(0, 4) && in.LE32(0) == kPlaceableKey) {
    if (!in.Has(0, kPlaceableHeaderSize)) return FailShort(error, kWmf, "truncated placeable header");
    file->placeable = true;
    file->bboxLeft = static_cast<std::int16_t>(in.LE16(6));
    file->bboxTop = static_cast<std::int16_t>(in.LE16(8));
    file->bboxRight = static_cast<std::int16_t>(in.LE16(10));
    file->bboxBottom = static_cast<std::int16_t>(in.LE16(12));
    file->inch = in.LE16(14);
    at = kPlaceableHeaderSize;
  }
  if (!in.Has(at, kStandardHeaderSize)) return Fail(error, kWmf, "not a metafile");
  const unsigned type = in.LE16(at), headerWords = in.LE16(at + 2), version = in.LE16(at + 4);
  if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300)) {
    return Fail(error, kWmf, "not a metafile");
  }
  file->recordsAt = at;
  file->objects = in.LE16(at + 10);
  std::size_t p = at + kStandardHeaderSize;
  while (true) {
    if (!in.Has(p, kRecordHeaderSize)) return FailShort(error, kWmf, "truncated: no end-of-file record");
    const std::uint64_t bytes = std::uint64_t(in.LE32(p)) * 2;
    if (bytes < kRecordHeaderSize) return Fail(error, kWmf, "record size below the record header");
    if (bytes > in.Size() - p) return FailShort(error, kWmf, "record past the end of the file");
    const unsigned function = in.LE16(p + 4);
    p += static_cast<std::size_t>(bytes);
    if (function == kMetaEof) break;
  }
  file->end = p;
  return true;
}

// The first window origin and extent the records set, if any.
void FindWindow(const ByteSpan& in, const WmfFile& file, bool* haveOrg, platform::MetafileWindow* window,
                bool* haveExt) {
  for (std::size_t p = file.recordsAt + kStandardHeaderSize; p < file.end;) {
    const WmfRecord r = RecordAt(in, p);
    if (r.function == kMetaSetWindowOrg && !*haveOrg) {
      window->orgY = r.S16(0);
      window->orgX = r.S16(1);
      *haveOrg = true;
    } else if (r.function == kMetaSetWindowExt && !*haveExt) {
      window->extY = r.S16(0);
      window->extX = r.S16(1);
      *haveExt = true;
    }
    p += kRecordHeaderSize + r.size;
  }
}

}  // namespace

bool DecodeWmfFile(const ByteSpan& in, CPicture* picture, PictureError* error) {
  WmfFile file;
  if (!ReadStructure(in, &file, error)) return false;
  platform::MetafileWindow window;
  double w = 0, h = 0;
  if (file.placeable) {
    if (file.inch == 0) return Fail(error, kWmf, "placeable header with zero units per inch");
    window = {file.bboxLeft, file.bboxTop, file.bboxRight - file.bboxLeft, file.bboxBottom - file.bboxTop};
    w = double(window.extX) * 96 / file.inch;
    h = double(window.extY) * 96 / file.inch;
  } else {
    bool haveOrg = false, haveExt = false;
    FindWindow(in, file, &haveOrg, &window, &haveExt);
    if (!haveExt) return Fail(error, kWmf, "no placeable header and no window extent: size unknown");
    w = window.extX;
    h = window.extY;
  }
  unsigned width = 0, height = 0;
  if (window.extX == 0 || window.extY == 0 || !PictureSize(w, h, &width, &height)) {
    return Fail(error, kWmf, "empty picture frame");
  }
  if (!CPicture::CheckSize(width, height, 24, error)) return false;

  std::vector<std::uint8_t> bgr;
  std::string systemError;
  const platform::MetafileResult result =
      platform::RenderMetafile(platform::keMetafileWmf, in.Data() + file.recordsAt, file.end - file.recordsAt,
                               window, width, height, &bgr, &systemError);
  Canvas canvas(width, height);
  if (result == platform::keMetafileFailed) return Fail(error, kWmf, systemError);
  if (result == platform::keMetafileRendered) {
    canvas.Pixels() = std::move(bgr);
    return CopyToPicture(canvas, picture, error);
  }

  Mapping mapping;
  mapping.pictureW = width;
  mapping.pictureH = height;
  Renderer renderer(&canvas, mapping);
  DcState& s = renderer.State();
  s.winOrgX = window.orgX;
  s.winOrgY = window.orgY;
  s.winExtX = window.extX;
  s.winExtY = window.extY;
  ObjectTable objects(std::min<std::uint32_t>(file.objects, kMaxObjects));
  for (std::size_t p = file.recordsAt + kStandardHeaderSize; p < file.end;) {
    const WmfRecord r = RecordAt(in, p);
    if (r.function == kMetaEof) break;
    const RecordEntry<WmfRecord>* entry = FindRecord(kRecords, r.function);
    if (entry == nullptr || entry->draw == nullptr || !entry->draw(r, &renderer, &objects)) {
      *error = {keErrNoData, canvas.Exhausted()
                                 ? std::string(kWmf) + ": too complex to draw"
                                 : UnsupportedRecordText(kWmf, entry != nullptr ? entry->name : nullptr, r.function)};
      return false;
    }
    p += kRecordHeaderSize + r.size;
  }
  return CopyToPicture(canvas, picture, error);
}

}  // namespace metafile
