#pragma once
// The drawing state WMF and EMF records act on, for the portable renderer:
// pens, brushes and the object table, the device context's state with its
// window/viewport mapping and save stack, and the record tables.
//
// Each format's records (imagefiles/WmfRecords.cpp, EmfRecords.cpp) are one
// table of {record code, name, handler}: the reader looks the record up, and
// a record without a handler, or one whose handler answers false, ends the
// decode with "<format> record <name> is not supported" (the number when
// the table does not know it).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "imagefiles/Decoders_p.h"
#include "imagefiles/MetafileCanvas.h"

class CPicture;
struct PictureError;

namespace metafile {

constexpr std::size_t kMaxSavedStates = 256;
constexpr std::uint32_t kMaxObjects = 65535;

struct Pen {
  bool visible = true;
  double width = 0;  // logical units; 0: one pixel
  Color color;
};

struct Brush {
  bool visible = true;
  Color color{255, 255, 255};
};

enum ObjectKind { keObjectFree, keObjectPen, keObjectBrush, keObjectOther };

struct GdiObjectRecord {
  ObjectKind kind = keObjectFree;
  Pen pen;
  Brush brush;
};

struct DcState {
  Pen pen;
  Brush brush;
  bool winding = false;  // polygon fill mode
  int mapMode = 1;       // MM_TEXT
  double winOrgX = 0, winOrgY = 0, winExtX = 1, winExtY = 1;
  double vpOrgX = 0, vpOrgY = 0, vpExtX = 1, vpExtY = 1;
  Point position{0, 0};
  ClipRect clip{-1e300, -1e300, 1e300, 1e300};
};

// Logical coordinates to picture coordinates.
//  WMF: the window is mapped onto the whole picture (the viewport is the
//  picture; the file's viewport records are not used).
//  EMF: the window/viewport mapping of the mapping mode gives the reference
//  device's pixels, and the frame (in those pixels) is mapped onto the picture.
struct Mapping {
  bool emf = false;
  double pictureW = 1, pictureH = 1;
  double frameX = 0, frameY = 0, frameW = 1, frameH = 1;  // EMF, device pixels

  Point Map(const DcState& s, double x, double y) const;
  // A pen width in logical units as pixels (at least one).
  double PenWidth(const DcState& s, double width) const;
};

// The device context: the state, its save stack and the shapes drawn with
// the selected pen and brush.
class Renderer {
 public:
  Renderer(Canvas* canvas, Mapping mapping) : m_canvas(canvas), m_mapping(mapping) {}

  DcState& State() { return m_state; }
  Canvas& GetCanvas() { return *m_canvas; }
  Point Map(double x, double y) const { return m_mapping.Map(m_state, x, y); }

  bool Save();
  // n < 0: the state saved -n steps back; n > 0: the n-th saved state.
  bool Restore(long n);
  void IntersectClip(double left, double top, double right, double bottom);

  // Fills with the brush, then outlines with the pen.
  bool Shape(const std::vector<std::vector<Point>>& polygons);
  bool Outline(const std::vector<Point>& points, bool closed);
  bool Rectangle(double left, double top, double right, double bottom);
  bool Ellipse(double left, double top, double right, double bottom);
  bool LineTo(double x, double y);

 private:
  Canvas* m_canvas;
  Mapping m_mapping;
  DcState m_state;
  std::vector<DcState> m_saved;
};

// The object table: WMF puts a new object into the lowest free slot, EMF names
// the slot.
class ObjectTable {
 public:
  explicit ObjectTable(std::uint32_t size) : m_objects(size) {}
  bool AddLowest(const GdiObjectRecord& object);
  bool Put(std::uint32_t index, const GdiObjectRecord& object);
  // Null for a free slot or one past the table.
  const GdiObjectRecord* Get(std::uint32_t index) const;
  bool Delete(std::uint32_t index);

 private:
  std::vector<GdiObjectRecord> m_objects;
  std::size_t m_firstFree = 0;  // every slot below it is taken
};

// Selects an object into the state; false for a free slot.
bool Select(const GdiObjectRecord* object, DcState* state);
// Pen styles drawn: PS_SOLID, PS_NULL, PS_INSIDEFRAME; false for others.
bool MakePen(std::uint32_t style, double width, std::uint32_t colorRef, GdiObjectRecord* object);
// Brush styles drawn: BS_SOLID, BS_NULL; false for others.
bool MakeBrush(std::uint32_t style, std::uint32_t colorRef, GdiObjectRecord* object);
// The stock objects GetStockObject gives; false for an unknown index.
bool SelectStock(std::uint32_t index, DcState* state);

// Picture size from a size in pixels, the longer side at most kMaxSide;
// false for an empty or endless size.
bool PictureSize(double w, double h, unsigned* width, unsigned* height);
// The canvas as a 24-bit picture.
bool CopyToPicture(Canvas& canvas, CPicture* picture, PictureError* error);
// Decodes a DIB held in a record and draws it (source rectangle counted from
// the bottom with `sourceFromBottom`); the raster operation must be SRCCOPY.
bool DrawDib(Renderer* r, const std::uint8_t* dib, std::size_t dibSize, std::uint32_t rop, bool sourceFromBottom,
             double sx, double sy, double sw, double sh, double dx, double dy, double dw, double dh);

// ---- record tables ------------------------------------------------------------------

// One record type of a format: its code, its name in the format's
// documentation, and the handler that draws it (null: known, not drawn).
template <typename Record>
struct RecordEntry {
  std::uint32_t code;
  const char* name;
  bool (*draw)(const Record& record, Renderer* renderer, ObjectTable* objects);
};

// Whether the table is sorted by code without repeats (checked at compile
// time by each table, so lookups can halve).
template <typename Record, std::size_t N>
constexpr bool IsSortedByCode(const RecordEntry<Record> (&table)[N]) {
  for (std::size_t i = 1; i < N; ++i) {
    if (!(table[i - 1].code < table[i].code)) return false;
  }
  return true;
}

// The entry of `code`, or null.
template <typename Record, std::size_t N>
const RecordEntry<Record>* FindRecord(const RecordEntry<Record> (&table)[N], std::uint32_t code) {
  const RecordEntry<Record>* end = table + N;
  const RecordEntry<Record>* it =
      std::lower_bound(table, end, code, [](const RecordEntry<Record>& e, std::uint32_t c) { return e.code < c; });
  return it != end && it->code == code ? it : nullptr;
}

// "<format> record <name> is not supported", the code in hexadecimal when
// the table has no name for it.
std::string UnsupportedRecordText(const char* format, const char* name, std::uint32_t code);

// ---- the two formats ---------------------------------------------------------------

// WMF, with or without the placeable header (imagefiles/WmfRecords.cpp).
bool DecodeWmfFile(const picturedecode::ByteSpan& in, CPicture* picture, PictureError* error);
// EMF (imagefiles/EmfRecords.cpp).
bool DecodeEmfFile(const picturedecode::ByteSpan& in, CPicture* picture, PictureError* error);

}  // namespace metafile
