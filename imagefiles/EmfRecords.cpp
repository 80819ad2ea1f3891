// Enhanced metafiles (EMF): the structure, the picture's size, and the table
// of records the portable renderer draws.
//
// An EMF file is a chain of records - a 32-bit type, a 32-bit size in bytes
// (a multiple of 4), the record's fields - from EMR_HEADER, which gives the
// picture's frame in 0.01 mm and the reference device, to EMR_EOF.

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

const char kEmf[] = "EMF";

constexpr std::uint32_t kHeaderMinSize = 88;
constexpr std::size_t kRecordHeaderSize = 8;  // type, size
constexpr std::uint32_t kEmrEof = 14;

// One record: the bytes after its type and size (reads past them give 0).
struct EmfRecord {
  const std::uint8_t* body;
  std::size_t size;
  std::uint32_t type;
  std::uint32_t U32(std::size_t at) const {
    if (at > size || size - at < 4) return 0;
    return ByteSpan(body, size).LE32(at);
  }
  std::int32_t S32(std::size_t at) const { return static_cast<std::int32_t>(U32(at)); }
  std::int16_t S16(std::size_t at) const {
    return at + 1 < size ? static_cast<std::int16_t>(ByteSpan(body, size).LE16(at)) : 0;
  }
};

// Points: `count` at byte `at`, 32-bit (x, y) or 16-bit with `small`.
bool Points(const EmfRecord& r, std::size_t at, std::uint64_t count, bool small, const Renderer& renderer,
            std::vector<Point>* points) {
  const std::uint64_t each = small ? 4 : 8;
  if (at > r.size || count > (r.size - at) / each) return false;
  points->clear();
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t p = at + i * static_cast<std::size_t>(each);
    points->push_back(small ? renderer.Map(r.S16(p), r.S16(p + 2)) : renderer.Map(r.S32(p), r.S32(p + 4)));
  }
  return true;
}

// ---- the handlers ---------------------------------------------------------------------------

// State without effect on what this renderer draws.
bool Ignore(const EmfRecord&, Renderer*, ObjectTable*) { return true; }

bool SetWindowExtEx(const EmfRecord& r, Renderer* renderer, ObjectTable*) {
  if (r.S32(0) == 0 || r.S32(4) == 0) return false;
  renderer->State().winExtX = r.S32(0);
  renderer->State().winExtY = r.S32(4);
  return true;
}

bool SetWindowOrgEx(const EmfRecord& r, Renderer* renderer, ObjectTable*) {
  renderer->State().winOrgX = r.S32(0);
  renderer->State().winOrgY = r.S32(4);
  return true;
}

bool SetViewportExtEx(const EmfRecord& r, Renderer* renderer, ObjectTable*) {
  if (r.S32(0) == 0 || r.S32(4) == 0) return false;
  renderer->State().vpExtX = r.S32(0);
  renderer->State().vpExtY = r.S32(4);
  return true;
}

bool SetViewportOrgEx(const EmfRecord& r, Renderer* renderer, ObjectTable*) {
  renderer->State().vpOrgX = r.S32(0);
  renderer->State().vpOrgY = r.S32(4);
  return true;
}

// MM_TEXT, MM_ISOTROPIC, MM_ANISOTROPIC; the metric modes are not drawn.
bool SetMapMode(const EmfRecord& r, Renderer* renderer, ObjectTable*) {
  const std::int32_t mode = r.S32(0);
  if (mode != 1 && mode != 7 && mode != 8) return false;
  renderer->State().mapMode = mode;
  return true;
}

bool SetPolyFillMode(const EmfRecord& r, Renderer* renderer, ObjectTable*) {
  renderer->State().winding = r.U32(0) == 2;
  return true;
}

bool MoveToEx(const EmfRecord& r, Renderer* renderer, ObjectTable*) {
  renderer->State().position = {double(r.S32(0)), double(r.S32(4))};
  return true;
}

bool LineTo(const EmfRecord& r, Renderer* renderer, ObjectTable*) { return renderer->LineTo(r.S32(0), r.S32(4)); }

bool IntersectClipRect(const EmfRecord& r, Renderer* renderer, ObjectTable*) {
  renderer->IntersectClip(r.S32(0), r.S32(4), r.S32(8), r.S32(12));
  return true;
}

bool SaveDc(const EmfRecord&, Renderer* renderer, ObjectTable*) { return renderer->Save(); }

bool RestoreDc(const EmfRecord& r, Renderer* renderer, ObjectTable*) { return renderer->Restore(r.S32(0)); }

// An object of the table, or with the high bit a stock object.
bool SelectObject(const EmfRecord& r, Renderer* renderer, ObjectTable* objects) {
  const std::uint32_t index = r.U32(0);
  if (index & 0x80000000u) return SelectStock(index & 0x7FFFFFFFu, &renderer->State());
  return Select(objects->Get(index), &renderer->State());
}

bool DeleteObject(const EmfRecord& r, Renderer*, ObjectTable* objects) { return objects->Delete(r.U32(0)); }

// Index, style, width (x, y), COLORREF.
bool CreatePen(const EmfRecord& r, Renderer*, ObjectTable* objects) {
  GdiObjectRecord o;
  return MakePen(r.U32(4), r.S32(8), r.U32(16), &o) && objects->Put(r.U32(0), o);
}

// Index, DIB offsets and sizes, style, width, brush style, colour: only pens
// of a solid colour.
bool ExtCreatePen(const EmfRecord& r, Renderer*, ObjectTable* objects) {
  GdiObjectRecord o;
  if (r.U32(8) != 0 || r.U32(28) != 0) return false;
  return MakePen(r.U32(20), r.U32(24), r.U32(32), &o) && objects->Put(r.U32(0), o);
}

// Index, style, COLORREF, hatch.
bool CreateBrushIndirect(const EmfRecord& r, Renderer*, ObjectTable* objects) {
  GdiObjectRecord o;
  return MakeBrush(r.U32(4), r.U32(8), &o) && objects->Put(r.U32(0), o);
}

// Fonts take a slot; text is refused when drawn.
bool CreateFont(const EmfRecord& r, Renderer*, ObjectTable* objects) {
  GdiObjectRecord o;
  o.kind = keObjectOther;
  return objects->Put(r.U32(0), o);
}

bool Rectangle(const EmfRecord& r, Renderer* renderer, ObjectTable*) {
  return renderer->Rectangle(r.S32(0), r.S32(4), r.S32(8), r.S32(12));
}

bool Ellipse(const EmfRecord& r, Renderer* renderer, ObjectTable*) {
  return renderer->Ellipse(r.S32(0), r.S32(4), r.S32(8), r.S32(12));
}

// Bounds, count, points (32-bit, or 16-bit in the "16" records).
template <bool kSmall>
bool Polygon(const EmfRecord& r, Renderer* renderer, ObjectTable*) {
  std::vector<Point> points;
  return Points(r, 20, r.U32(16), kSmall, *renderer, &points) && renderer->Shape({points});
}

template <bool kSmall>
bool Polyline(const EmfRecord& r, Renderer* renderer, ObjectTable*) {
  std::vector<Point> points;
  return Points(r, 20, r.U32(16), kSmall, *renderer, &points) && renderer->Outline(points, false);
}

// Bounds (16), number of polygons, total points, the counts, the points.
template <bool kSmall>
bool PolyPolygon(const EmfRecord& r, Renderer* renderer, ObjectTable*) {
  if (r.size < 24) return false;
  const std::uint64_t n = r.U32(16), total = r.U32(20);
  if (n > (r.size - 24) / 4) return false;
  std::size_t at = 24 + static_cast<std::size_t>(n) * 4;
  std::uint64_t sum = 0;
  std::vector<std::vector<Point>> polygons;
  std::vector<Point> points;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint64_t count = r.U32(24 + i * 4);
    sum += count;
    if (sum > total || !Points(r, at, count, kSmall, *renderer, &points)) return false;
    polygons.push_back(points);
    at += static_cast<std::size_t>(count) * (kSmall ? 4 : 8);
  }
  return renderer->Shape(polygons);
}

// Bounds (16), xDest, yDest, xSrc, ySrc, cxSrc, cySrc, offBmi, cbBmi,
// offBits, cbBits, usage, rop, cxDest, cyDest; offsets from the record start.
bool StretchDiBits(const EmfRecord& r, Renderer* renderer, ObjectTable*) {
  const std::uint64_t offBmi = r.U32(40), cbBmi = r.U32(44), offBits = r.U32(48), cbBits = r.U32(52);
  const std::uint64_t recordSize = r.size + kRecordHeaderSize;
  if (offBmi < 8 || cbBmi > recordSize || offBmi > recordSize - cbBmi) return false;
  if (offBits < 8 || cbBits > recordSize || offBits > recordSize - cbBits) return false;
  std::vector<std::uint8_t> dib(r.body + (offBmi - 8), r.body + (offBmi - 8 + cbBmi));
  dib.insert(dib.end(), r.body + (offBits - 8), r.body + (offBits - 8 + cbBits));
  return DrawDib(renderer, dib.data(), dib.size(), r.U32(60), true, r.S32(24), r.S32(28), r.S32(32), r.S32(36),
                 r.S32(16), r.S32(20), r.S32(64), r.S32(68));
}

// ---- the table ------------------------------------------------------------------------------

// Every record this reader knows by name, sorted by type; a null handler is
// a record the portable renderer does not draw.
constexpr RecordEntry<EmfRecord> kRecords[] = {
    {1, "EMR_HEADER", nullptr},
    {2, "EMR_POLYBEZIER", nullptr},
    {3, "EMR_POLYGON", Polygon<false>},
    {4, "EMR_POLYLINE", Polyline<false>},
    {5, "EMR_POLYBEZIERTO", nullptr},
    {6, "EMR_POLYLINETO", nullptr},
    {7, "EMR_POLYPOLYLINE", nullptr},
    {8, "EMR_POLYPOLYGON", PolyPolygon<false>},
    {9, "EMR_SETWINDOWEXTEX", SetWindowExtEx},
    {10, "EMR_SETWINDOWORGEX", SetWindowOrgEx},
    {11, "EMR_SETVIEWPORTEXTEX", SetViewportExtEx},
    {12, "EMR_SETVIEWPORTORGEX", SetViewportOrgEx},
    {14, "EMR_EOF", nullptr},
    {17, "EMR_SETMAPMODE", SetMapMode},
    {18, "EMR_SETBKMODE", Ignore},
    {19, "EMR_SETPOLYFILLMODE", SetPolyFillMode},
    {20, "EMR_SETROP2", Ignore},
    {21, "EMR_SETSTRETCHBLTMODE", Ignore},
    {22, "EMR_SETTEXTALIGN", Ignore},
    {24, "EMR_SETTEXTCOLOR", Ignore},
    {25, "EMR_SETBKCOLOR", Ignore},
    {27, "EMR_MOVETOEX", MoveToEx},
    {30, "EMR_INTERSECTCLIPRECT", IntersectClipRect},
    {33, "EMR_SAVEDC", SaveDc},
    {34, "EMR_RESTOREDC", RestoreDc},
    {35, "EMR_SETWORLDTRANSFORM", nullptr},
    {36, "EMR_MODIFYWORLDTRANSFORM", nullptr},
    {37, "EMR_SELECTOBJECT", SelectObject},
    {38, "EMR_CREATEPEN", CreatePen},
    {39, "EMR_CREATEBRUSHINDIRECT", CreateBrushIndirect},
    {40, "EMR_DELETEOBJECT", DeleteObject},
    {42, "EMR_ELLIPSE", Ellipse},
    {43, "EMR_RECTANGLE", Rectangle},
    {44, "EMR_ROUNDRECT", nullptr},
    {45, "EMR_ARC", nullptr},
    {46, "EMR_CHORD", nullptr},
    {47, "EMR_PIE", nullptr},
    {54, "EMR_LINETO", LineTo},
    {58, "EMR_SETMITERLIMIT", Ignore},  // pens are drawn round
    {59, "EMR_BEGINPATH", nullptr},
    {70, "EMR_GDICOMMENT", Ignore},
    {75, "EMR_EXTSELECTCLIPRGN", nullptr},
    {76, "EMR_BITBLT", nullptr},
    {77, "EMR_STRETCHBLT", nullptr},
    {81, "EMR_STRETCHDIBITS", StretchDiBits},
    {82, "EMR_EXTCREATEFONTINDIRECTW", CreateFont},
    {83, "EMR_EXTTEXTOUTA", nullptr},
    {84, "EMR_EXTTEXTOUTW", nullptr},
    {85, "EMR_POLYBEZIER16", nullptr},
    {86, "EMR_POLYGON16", Polygon<true>},
    {87, "EMR_POLYLINE16", Polyline<true>},
    {90, "EMR_POLYPOLYLINE16", nullptr},
    {91, "EMR_POLYPOLYGON16", PolyPolygon<true>},
    {95, "EMR_EXTCREATEPEN", ExtCreatePen},
    {98, "EMR_SETICMMODE", Ignore},
};
static_assert(IsSortedByCode(kRecords), "EMF records sorted by type");

}  // namespace

bool DecodeEmfFile(const ByteSpan& in, CPicture* picture, PictureError* error) {
  const std::uint32_t headerSize = in.LE32(4);
  if (headerSize < kHeaderMinSize) return Fail(error, kEmf, "header record shorter than 88 bytes");
  if (headerSize > in.Size()) return FailShort(error, kEmf, "truncated header");
  const std::int32_t frameLeft = static_cast<std::int32_t>(in.LE32(24));
  const std::int32_t frameTop = static_cast<std::int32_t>(in.LE32(28));
  const std::int32_t frameRight = static_cast<std::int32_t>(in.LE32(32));
  const std::int32_t frameBottom = static_cast<std::int32_t>(in.LE32(36));
  const std::uint32_t handles = in.LE16(56);
  const double devW = static_cast<std::int32_t>(in.LE32(72)), devH = static_cast<std::int32_t>(in.LE32(76));
  const double mmW = static_cast<std::int32_t>(in.LE32(80)), mmH = static_cast<std::int32_t>(in.LE32(84));
  if (!(devW > 0 && devH > 0 && mmW > 0 && mmH > 0)) return Fail(error, kEmf, "reference device without a size");
  // The record chain up to EMR_EOF.
  std::size_t end = 0;
  for (std::size_t p = headerSize;;) {
    if (!in.Has(p, kRecordHeaderSize)) return FailShort(error, kEmf, "truncated: no end-of-file record");
    const std::uint32_t type = in.LE32(p), bytes = in.LE32(p + 4);
    if (bytes < kRecordHeaderSize || bytes % 4 != 0) return Fail(error, kEmf, "bad record size");
    if (bytes > in.Size() - p) return FailShort(error, kEmf, "record past the end of the file");
    p += bytes;
    if (type == kEmrEof) {
      end = p;
      break;
    }
  }
  // The frame (0.01 mm, inclusive) in the reference device's pixels, and
  // the picture at 96 pixels per inch.
  const double frameW = (double(frameRight) - frameLeft) + 1, frameH = (double(frameBottom) - frameTop) + 1;
  unsigned width = 0, height = 0;
  if (frameW <= 0 || frameH <= 0 || !PictureSize(frameW * 96 / 2540, frameH * 96 / 2540, &width, &height)) {
    return Fail(error, kEmf, "empty picture frame");
  }
  if (!CPicture::CheckSize(width, height, 24, error)) return false;

  std::vector<std::uint8_t> bgr;
  std::string systemError;
  const platform::MetafileResult result = platform::RenderMetafile(platform::keMetafileEmf, in.Data(), end,
                                                                   platform::MetafileWindow(), width, height, &bgr,
                                                                   &systemError);
  Canvas canvas(width, height);
  if (result == platform::keMetafileFailed) return Fail(error, kEmf, systemError);
  if (result == platform::keMetafileRendered) {
    canvas.Pixels() = std::move(bgr);
    return CopyToPicture(canvas, picture, error);
  }

  Mapping mapping;
  mapping.emf = true;
  mapping.pictureW = width;
  mapping.pictureH = height;
  mapping.frameX = frameLeft * devW / (mmW * 100);
  mapping.frameY = frameTop * devH / (mmH * 100);
  mapping.frameW = frameW * devW / (mmW * 100);
  mapping.frameH = frameH * devH / (mmH * 100);
  Renderer renderer(&canvas, mapping);
  ObjectTable objects(handles);
  for (std::size_t p = headerSize; p < end;) {
    const std::uint32_t type = in.LE32(p), bytes = in.LE32(p + 4);
    const EmfRecord r{in.Data() + p + kRecordHeaderSize, bytes - kRecordHeaderSize, type};
    if (type == kEmrEof) break;
    const RecordEntry<EmfRecord>* entry = FindRecord(kRecords, type);
    if (entry == nullptr || entry->draw == nullptr || !entry->draw(r, &renderer, &objects)) {
      *error = {keErrNoData, canvas.Exhausted()
                                 ? std::string(kEmf) + ": too complex to draw"
                                 : UnsupportedRecordText(kEmf, entry != nullptr ? entry->name : nullptr, type)};
      return false;
    }
    p += bytes;
  }
  return CopyToPicture(canvas, picture, error);
}

}  // namespace metafile
