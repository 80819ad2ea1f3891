// Metafile reader: Windows metafiles (WMF, with or without the 22-byte
// placeable header) and enhanced metafiles (EMF), drawn into a 24-bit
// picture on white.
//
// The reader checks the file's structure itself - header, the chain of
// records up to the end-of-file record inside the data - and chooses the
// picture's size: a placeable WMF from its bounding box and units per inch
// at 96 pixels per inch, a plain WMF from its window extent in pixels, an EMF
// from its frame (0.01 mm) at 96 pixels per inch; the longer side is kept at
// most kMaxSide pixels.  Windows then plays the file through GDI
// (platform/Metafile.h).  Elsewhere the records are drawn here: polygons,
// polylines, lines, rectangles, ellipses, solid pens and brushes, stock
// objects, window and viewport mapping, SaveDC/RestoreDC, an intersecting
// clip rectangle and embedded DIBs (read by DecodeDib).  The first record
// this renderer cannot draw ends the decode with an error naming it, for
// example "WMF record META_TEXTOUT is not supported".  Renderer limits: pens
// are drawn solid and round (dashed styles are refused), shapes are not
// anti-aliased, raster operations other than copying are refused.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "imagefiles/Decoders.h"
#include "imagefiles/Decoders_p.h"
#include "imagefiles/Picture.h"
#include "platform/Metafile.h"

using picturedecode::ByteSpan;
using picturedecode::Fail;
using picturedecode::FailShort;

namespace {

const char kWmf[] = "WMF";
const char kEmf[] = "EMF";

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::uint32_t kEmfSignature = 0x464D4520;  // " EMF"
// The longer side of a rendered metafile, in pixels.
constexpr double kMaxSide = 2048;
// Pixel and edge visits one file may cost the renderer.
constexpr std::uint64_t kWorkLimit = std::uint64_t(1) << 26;
constexpr std::size_t kMaxSavedStates = 256;
constexpr std::uint32_t kMaxObjects = 65535;

// ---- geometry and the canvas ---------------------------------------------------------

struct Point {
  double x;
  double y;
};

struct Color {
  std::uint8_t r = 0, g = 0, b = 0;
};

Color FromColorRef(std::uint32_t ref) {
  Color c;
  c.r = static_cast<std::uint8_t>(ref);
  c.g = static_cast<std::uint8_t>(ref >> 8);
  c.b = static_cast<std::uint8_t>(ref >> 16);
  return c;
}

struct ClipRect {
  double left, top, right, bottom;  // picture coordinates
};

// The picture being drawn: top row first, 3 bytes per pixel (B, G, R), white.
class Canvas {
 public:
  Canvas(unsigned width, unsigned height)
      : m_width(width), m_height(height), m_pixels(std::size_t(width) * height * 3, 0xFF) {}

  unsigned Width() const { return m_width; }
  unsigned Height() const { return m_height; }
  const std::uint8_t* Row(unsigned y) const { return m_pixels.data() + std::size_t(y) * m_width * 3; }
  std::vector<std::uint8_t>& Pixels() { return m_pixels; }

  // Adds `cost` to the work done; false once the limit is passed.
  bool Spend(std::uint64_t cost) {
    m_work += cost;
    return m_work <= kWorkLimit;
  }
  bool Exhausted() const { return m_work > kWorkLimit; }

  void SetClip(const ClipRect& clip) { m_clip = clip; }

  // Fills the polygons (each closed implicitly) by sampling pixel centres:
  // even-odd rule or, with `winding`, the non-zero rule.
  bool FillPolygons(const std::vector<std::vector<Point>>& polygons, bool winding, Color color) {
    struct Edge {
      Point a, b;
      int dir;
    };
    std::vector<Edge> edges;
    double minY = 1e300, maxY = -1e300;
    for (const std::vector<Point>& poly : polygons) {
      for (std::size_t i = 0; i < poly.size(); ++i) {
        const Point a = poly[i];
        const Point b = poly[(i + 1) % poly.size()];
        if (a.y == b.y) continue;
        edges.push_back(a.y < b.y ? Edge{a, b, 1} : Edge{b, a, -1});
        minY = std::min(minY, std::min(a.y, b.y));
        maxY = std::max(maxY, std::max(a.y, b.y));
      }
    }
    if (edges.empty()) return true;
    const int y0 = ClampRow(std::ceil(std::max(minY, m_clip.top) - 0.5));
    const int y1 = ClampRow(std::ceil(std::min(maxY, m_clip.bottom) - 0.5));
    if (y1 > y0 && !Spend(std::uint64_t(y1 - y0) * edges.size())) return false;
    std::vector<std::pair<double, int>> crossings;
    for (int y = y0; y < y1; ++y) {
      const double yc = y + 0.5;
      crossings.clear();
      for (const Edge& e : edges) {
        if (yc < e.a.y || yc >= e.b.y) continue;
        crossings.emplace_back(e.a.x + (yc - e.a.y) * (e.b.x - e.a.x) / (e.b.y - e.a.y), e.dir);
      }
      // Sorting costs about n log n: charged as such, so that many edges
      // crossing every row cannot take far more time than the limit allows.
      if (!Spend(SortCost(crossings.size()))) return false;
      std::sort(crossings.begin(), crossings.end());
      int count = 0;
      for (std::size_t i = 0; i + 1 < crossings.size(); ++i) {
        count += winding ? crossings[i].second : 1;
        const bool inside = winding ? count != 0 : (count & 1) != 0;
        if (inside && !Span(y, crossings[i].first, crossings[i + 1].first, color)) return false;
      }
    }
    return true;
  }

  // Draws the polyline with a round pen of `width` pixels.
  bool Stroke(const std::vector<Point>& points, bool closed, double width, Color color) {
    if (points.empty()) return true;
    const std::size_t segments = closed ? points.size() : points.size() - 1;
    if (width <= 1.5) {
      if (points.size() == 1) return Dot(points[0], color);
      for (std::size_t i = 0; i < segments; ++i) {
        if (!ThinLine(points[i], points[(i + 1) % points.size()], color)) return false;
      }
      return true;
    }
    const double r = width / 2;
    // Each point adds a round join of up to 256 vertices: charged up front
    // so that long wide polylines cannot build gigabytes of outlines.
    if (!Spend(std::uint64_t(points.size()) * 4096)) return false;
    std::vector<std::vector<Point>> shapes;
    for (std::size_t i = 0; i < segments; ++i) {
      const Point a = points[i];
      const Point b = points[(i + 1) % points.size()];
      const double len = std::hypot(b.x - a.x, b.y - a.y);
      if (len == 0) continue;
      const double nx = -(b.y - a.y) / len * r, ny = (b.x - a.x) / len * r;
      shapes.push_back({{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}});
    }
    for (const Point& p : points) shapes.push_back(EllipsePolygon(p.x - r, p.y - r, p.x + r, p.y + r));
    return FillPolygons(shapes, true, color);
  }

  // The outline of the ellipse inside the box, as a polygon.
  static std::vector<Point> EllipsePolygon(double left, double top, double right, double bottom) {
    const double cx = (left + right) / 2, cy = (top + bottom) / 2;
    const double rx = std::fabs(right - left) / 2, ry = std::fabs(bottom - top) / 2;
    const int n = static_cast<int>(std::min(256.0, std::max(16.0, (rx + ry) * 2)));
    std::vector<Point> poly(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
      const double t = 2 * 3.14159265358979323846 * i / n;
      poly[static_cast<std::size_t>(i)] = {cx + rx * std::cos(t), cy + ry * std::sin(t)};
    }
    return poly;
  }

  // Copies `source` (a decoded DIB) scaled into the destination rectangle
  // (picture coordinates; a negative size mirrors), nearest pixel.  The source
  // rectangle is counted from the DIB's top row.
  bool Blit(const CPicture& source, double sx, double sy, double sw, double sh, Point d0, Point d1) {
    const int x0 = ClampColumn(std::ceil(std::max(std::min(d0.x, d1.x), m_clip.left) - 0.5));
    const int x1 = ClampColumn(std::ceil(std::min(std::max(d0.x, d1.x), m_clip.right) - 0.5));
    const int y0 = ClampRow(std::ceil(std::max(std::min(d0.y, d1.y), m_clip.top) - 0.5));
    const int y1 = ClampRow(std::ceil(std::min(std::max(d0.y, d1.y), m_clip.bottom) - 0.5));
    if (x1 <= x0 || y1 <= y0 || d0.x == d1.x || d0.y == d1.y) return true;
    if (!Spend(std::uint64_t(x1 - x0) * std::uint64_t(y1 - y0))) return false;
    const double sourceWidth = source.GetWidth(), sourceHeight = source.GetHeight();
    // A source position as a pixel index; -1 for anything outside the DIB.
    const auto index = [](double v, double limit) { return v >= 0 && v < limit ? static_cast<long>(v) : -1L; };
    for (int y = y0; y < y1; ++y) {
      const long row = index(sy + (y + 0.5 - d0.y) / (d1.y - d0.y) * sh, sourceHeight);
      std::uint8_t* out = m_pixels.data() + (std::size_t(y) * m_width + std::size_t(x0)) * 3;
      for (int x = x0; x < x1; ++x, out += 3) {
        const long column = index(sx + (x + 0.5 - d0.x) / (d1.x - d0.x) * sw, sourceWidth);
        // Outside the DIB: black.
        const PictureRgbQuad q = row < 0 || column < 0
                                     ? PictureRgbQuad()
                                     : source.GetPixelColor(column, long(sourceHeight) - 1 - row, false);
        out[0] = q.rgbBlue;
        out[1] = q.rgbGreen;
        out[2] = q.rgbRed;
      }
    }
    return true;
  }

 private:
  static std::uint64_t SortCost(std::size_t n) {
    std::uint64_t log = 1;
    while ((std::size_t(1) << log) < n && log < 63) ++log;
    return std::uint64_t(n) * log;
  }

  int ClampRow(double y) const { return static_cast<int>(std::min<double>(m_height, std::max(0.0, y))); }
  int ClampColumn(double x) const { return static_cast<int>(std::min<double>(m_width, std::max(0.0, x))); }

  // Pixels of row y whose centres lie in [xa, xb).
  bool Span(int y, double xa, double xb, Color color) {
    const int x0 = ClampColumn(std::ceil(std::max(xa, m_clip.left) - 0.5));
    const int x1 = ClampColumn(std::ceil(std::min(xb, m_clip.right) - 0.5));
    if (x1 <= x0) return true;
    if (!Spend(std::uint64_t(x1 - x0))) return false;
    std::uint8_t* out = m_pixels.data() + (std::size_t(y) * m_width + std::size_t(x0)) * 3;
    for (int x = x0; x < x1; ++x, out += 3) {
      out[0] = color.b;
      out[1] = color.g;
      out[2] = color.r;
    }
    return true;
  }

  bool Dot(Point p, Color color) {
    const double x = std::floor(p.x), y = std::floor(p.y);
    if (x < std::max(0.0, std::floor(m_clip.left)) || y < std::max(0.0, std::floor(m_clip.top))) return true;
    if (x >= std::min<double>(m_width, m_clip.right) || y >= std::min<double>(m_height, m_clip.bottom)) return true;
    std::uint8_t* out = m_pixels.data() + (static_cast<std::size_t>(y) * m_width + static_cast<std::size_t>(x)) * 3;
    out[0] = color.b;
    out[1] = color.g;
    out[2] = color.r;
    return true;
  }

  // A one-pixel line, both ends drawn, stepping along the longer axis.
  bool ThinLine(Point a, Point b, Color color) {
    // Clip the steps to the picture so a far-away line costs nothing.
    const double steps = std::ceil(std::max(std::fabs(b.x - a.x), std::fabs(b.y - a.y)));
    if (!(steps < 4.0 * kMaxSide * 4)) return ClippedLongLine(a, b, color);
    const int n = static_cast<int>(steps);
    if (!Spend(std::uint64_t(n) + 1)) return false;
    for (int i = 0; i <= n; ++i) {
      const double t = n == 0 ? 0 : double(i) / n;
      Dot({a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}, color);
    }
    return true;
  }

  // Lines far longer than the picture: cut to the picture's box first.
  bool ClippedLongLine(Point a, Point b, Color color) {
    double t0 = 0, t1 = 1;
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x + 1, m_width + 1 - a.x, a.y + 1, m_height + 1 - a.y};
    for (int i = 0; i < 4; ++i) {
      if (p[i] == 0) {
        if (q[i] < 0) return true;
        continue;
      }
      const double t = q[i] / p[i];
      if (p[i] < 0) t0 = std::max(t0, t);
      else t1 = std::min(t1, t);
      if (t0 > t1) return true;
    }
    const Point c{a.x + dx * t0, a.y + dy * t0}, d{a.x + dx * t1, a.y + dy * t1};
    if (std::max(std::fabs(d.x - c.x), std::fabs(d.y - c.y)) >= 4.0 * kMaxSide * 4) return true;
    return ThinLine(c, d, color);
  }

  unsigned m_width;
  unsigned m_height;
  std::vector<std::uint8_t> m_pixels;
  ClipRect m_clip{-1e300, -1e300, 1e300, 1e300};
  std::uint64_t m_work = 0;
};

// ---- the drawing state shared by WMF and EMF ----------------------------------------------

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

  Point Map(const DcState& s, double x, double y) const {
    if (!emf) return {(x - s.winOrgX) * pictureW / s.winExtX, (y - s.winOrgY) * pictureH / s.winExtY};
    double dx = x - s.winOrgX + s.vpOrgX, dy = y - s.winOrgY + s.vpOrgY;
    if (s.mapMode == 7 || s.mapMode == 8) {  // MM_ISOTROPIC, MM_ANISOTROPIC
      dx = (x - s.winOrgX) * s.vpExtX / s.winExtX + s.vpOrgX;
      dy = (y - s.winOrgY) * s.vpExtY / s.winExtY + s.vpOrgY;
    }
    return {(dx - frameX) * pictureW / frameW, (dy - frameY) * pictureH / frameH};
  }
  // A pen width in logical units as pixels (0: one pixel).
  double PenWidth(const DcState& s, double width) const {
    const Point o = Map(s, 0, 0), w = Map(s, width, 0);
    return std::max(1.0, std::fabs(w.x - o.x));
  }
};

class Renderer {
 public:
  Renderer(Canvas* canvas, Mapping mapping) : m_canvas(canvas), m_mapping(mapping) {}

  DcState& State() { return m_state; }
  Canvas& GetCanvas() { return *m_canvas; }
  Point Map(double x, double y) const { return m_mapping.Map(m_state, x, y); }

  bool Save() {
    if (m_saved.size() >= kMaxSavedStates) return false;
    m_saved.push_back(m_state);
    return true;
  }
  // n < 0: the state saved -n steps back; n > 0: the n-th saved state.
  bool Restore(long n) {
    const long count = static_cast<long>(m_saved.size());
    const long keep = n < 0 ? count + n : n - 1;
    if (n == 0 || keep < 0 || keep >= count) return false;
    m_state = m_saved[static_cast<std::size_t>(keep)];
    m_saved.resize(static_cast<std::size_t>(keep));
    m_canvas->SetClip(m_state.clip);
    return true;
  }
  void IntersectClip(double left, double top, double right, double bottom) {
    const Point a = Map(left, top), b = Map(right, bottom);
    ClipRect& c = m_state.clip;
    c.left = std::max(c.left, std::min(a.x, b.x));
    c.top = std::max(c.top, std::min(a.y, b.y));
    c.right = std::min(c.right, std::max(a.x, b.x));
    c.bottom = std::min(c.bottom, std::max(a.y, b.y));
    m_canvas->SetClip(c);
  }

  // Fills with the brush, then outlines with the pen.
  bool Shape(const std::vector<std::vector<Point>>& polygons) {
    if (m_state.brush.visible && !m_canvas->FillPolygons(polygons, m_state.winding, m_state.brush.color)) {
      return false;
    }
    for (const std::vector<Point>& p : polygons) {
      if (!Outline(p, true)) return false;
    }
    return true;
  }
  bool Outline(const std::vector<Point>& points, bool closed) {
    if (!m_state.pen.visible) return true;
    return m_canvas->Stroke(points, closed, m_mapping.PenWidth(m_state, m_state.pen.width), m_state.pen.color);
  }
  bool Rectangle(double left, double top, double right, double bottom) {
    const Point a = Map(left, top), b = Map(right, bottom);
    return Shape({{a, {b.x, a.y}, b, {a.x, b.y}}});
  }
  bool Ellipse(double left, double top, double right, double bottom) {
    const Point a = Map(left, top), b = Map(right, bottom);
    return Shape({Canvas::EllipsePolygon(a.x, a.y, b.x, b.y)});
  }
  bool LineTo(double x, double y) {
    const Point from = Map(m_state.position.x, m_state.position.y);
    m_state.position = {x, y};
    return Outline({from, Map(x, y)}, false);
  }

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
  bool AddLowest(const GdiObjectRecord& object) {
    // Every slot below m_firstFree is taken, so long tables stay cheap.
    for (; m_firstFree < m_objects.size(); ++m_firstFree) {
      if (m_objects[m_firstFree].kind == keObjectFree) {
        m_objects[m_firstFree++] = object;
        return true;
      }
    }
    return false;
  }
  bool Put(std::uint32_t index, const GdiObjectRecord& object) {
    if (index >= m_objects.size()) return false;
    m_objects[index] = object;
    return true;
  }
  const GdiObjectRecord* Get(std::uint32_t index) const {
    return index < m_objects.size() && m_objects[index].kind != keObjectFree ? &m_objects[index] : nullptr;
  }
  bool Delete(std::uint32_t index) {
    if (index >= m_objects.size()) return false;
    m_objects[index] = GdiObjectRecord();
    m_firstFree = std::min<std::size_t>(m_firstFree, index);
    return true;
  }

 private:
  std::vector<GdiObjectRecord> m_objects;
  std::size_t m_firstFree = 0;
};

// Selects an object into the state; false for a free slot.
bool Select(const GdiObjectRecord* object, DcState* state) {
  if (object == nullptr) return false;
  if (object->kind == keObjectPen) state->pen = object->pen;
  if (object->kind == keObjectBrush) state->brush = object->brush;
  return true;
}

// Pen styles drawn: PS_SOLID, PS_NULL, PS_INSIDEFRAME.
bool MakePen(std::uint32_t style, double width, std::uint32_t colorRef, GdiObjectRecord* object) {
  const std::uint32_t kind = style & 0x0F;
  if (kind != 0 && kind != 5 && kind != 6) return false;
  object->kind = keObjectPen;
  object->pen.visible = kind != 5;
  object->pen.width = std::fabs(width);
  object->pen.color = FromColorRef(colorRef);
  return true;
}

// Brush styles drawn: BS_SOLID, BS_NULL.
bool MakeBrush(std::uint32_t style, std::uint32_t colorRef, GdiObjectRecord* object) {
  if (style != 0 && style != 1) return false;
  object->kind = keObjectBrush;
  object->brush.visible = style == 0;
  object->brush.color = FromColorRef(colorRef);
  return true;
}

// The stock objects GetStockObject gives (EMF selects them with the high bit).
bool SelectStock(std::uint32_t index, DcState* state) {
  switch (index) {
    case 0: state->brush = {true, {255, 255, 255}}; return true;  // WHITE_BRUSH
    case 1: state->brush = {true, {192, 192, 192}}; return true;  // LTGRAY_BRUSH
    case 2: state->brush = {true, {128, 128, 128}}; return true;  // GRAY_BRUSH
    case 3: state->brush = {true, {64, 64, 64}}; return true;     // DKGRAY_BRUSH
    case 4: state->brush = {true, {0, 0, 0}}; return true;        // BLACK_BRUSH
    case 5: state->brush.visible = false; return true;           // NULL_BRUSH
    case 6: state->pen = {true, 0, {255, 255, 255}}; return true; // WHITE_PEN
    case 7: state->pen = {true, 0, {0, 0, 0}}; return true;       // BLACK_PEN
    case 8: state->pen.visible = false; return true;             // NULL_PEN
    case 10: case 11: case 12: case 13: case 14: case 15: case 16: case 17:  // fonts, palette
      return true;
    default: return false;
  }
}

// Picture size from a size in pixels, the longer side at most kMaxSide.
bool PictureSize(double w, double h, unsigned* width, unsigned* height) {
  w = std::fabs(w);
  h = std::fabs(h);
  if (!(w >= 0.5 && h >= 0.5) || !std::isfinite(w) || !std::isfinite(h)) return false;
  const double scale = std::max(w, h) > kMaxSide ? kMaxSide / std::max(w, h) : 1.0;
  *width = static_cast<unsigned>(std::max(1.0, std::floor(w * scale + 0.5)));
  *height = static_cast<unsigned>(std::max(1.0, std::floor(h * scale + 0.5)));
  return true;
}

bool CopyToPicture(Canvas& canvas, CPicture* picture, PictureError* error) {
  if (!picture->Create(canvas.Width(), canvas.Height(), 24, error)) return false;
  for (unsigned y = 0; y < canvas.Height(); ++y) {
    std::memcpy(picture->GetBits(canvas.Height() - 1 - y), canvas.Row(y), std::size_t(canvas.Width()) * 3);
  }
  return true;
}

// Decodes a DIB held in a record and draws it; ROP must be SRCCOPY.
bool DrawDib(Renderer* r, const std::uint8_t* dib, std::size_t dibSize, std::uint32_t rop, bool sourceFromBottom,
             double sx, double sy, double sw, double sh, double dx, double dy, double dw, double dh) {
  if (rop != 0x00CC0020) return false;
  CPicture source;
  PictureError ignored;
  if (!DecodeDib(dib, dibSize, false, &source, &ignored)) return false;
  const double top = sourceFromBottom ? double(source.GetHeight()) - sy - sh : sy;
  return r->GetCanvas().Blit(source, sx, top, sw, sh, r->Map(dx, dy), r->Map(dx + dw, dy + dh));
}

// ---- WMF ---------------------------------------------------------------------------------

const char* WmfRecordName(unsigned function) {
  switch (function) {
    case 0x0000: return "META_EOF";
    case 0x0035: return "META_REALIZEPALETTE";
    case 0x0037: return "META_SETPALENTRIES";
    case 0x0102: return "META_SETBKMODE";
    case 0x0103: return "META_SETMAPMODE";
    case 0x0104: return "META_SETROP2";
    case 0x0106: return "META_SETPOLYFILLMODE";
    case 0x0107: return "META_SETSTRETCHBLTMODE";
    case 0x0108: return "META_SETTEXTCHAREXTRA";
    case 0x0127: return "META_RESTOREDC";
    case 0x012D: return "META_SELECTOBJECT";
    case 0x012E: return "META_SETTEXTALIGN";
    case 0x0142: return "META_DIBCREATEPATTERNBRUSH";
    case 0x01F0: return "META_DELETEOBJECT";
    case 0x01F9: return "META_CREATEPATTERNBRUSH";
    case 0x001E: return "META_SAVEDC";
    case 0x0201: return "META_SETBKCOLOR";
    case 0x0209: return "META_SETTEXTCOLOR";
    case 0x020B: return "META_SETWINDOWORG";
    case 0x020C: return "META_SETWINDOWEXT";
    case 0x020D: return "META_SETVIEWPORTORG";
    case 0x020E: return "META_SETVIEWPORTEXT";
    case 0x020F: return "META_OFFSETWINDOWORG";
    case 0x0211: return "META_OFFSETVIEWPORTORG";
    case 0x0213: return "META_LINETO";
    case 0x0214: return "META_MOVETO";
    case 0x0220: return "META_OFFSETCLIPRGN";
    case 0x0228: return "META_FILLREGION";
    case 0x0231: return "META_SETMAPPERFLAGS";
    case 0x0234: return "META_SELECTPALETTE";
    case 0x02FA: return "META_CREATEPENINDIRECT";
    case 0x02FB: return "META_CREATEFONTINDIRECT";
    case 0x02FC: return "META_CREATEBRUSHINDIRECT";
    case 0x00F7: return "META_CREATEPALETTE";
    case 0x0324: return "META_POLYGON";
    case 0x0325: return "META_POLYLINE";
    case 0x0410: return "META_SCALEWINDOWEXT";
    case 0x0412: return "META_SCALEVIEWPORTEXT";
    case 0x0415: return "META_EXCLUDECLIPRECT";
    case 0x0416: return "META_INTERSECTCLIPRECT";
    case 0x0418: return "META_ELLIPSE";
    case 0x0419: return "META_FLOODFILL";
    case 0x041B: return "META_RECTANGLE";
    case 0x041F: return "META_SETPIXEL";
    case 0x0429: return "META_FRAMEREGION";
    case 0x0521: return "META_TEXTOUT";
    case 0x0538: return "META_POLYPOLYGON";
    case 0x0548: return "META_EXTFLOODFILL";
    case 0x061C: return "META_ROUNDRECT";
    case 0x061D: return "META_PATBLT";
    case 0x0626: return "META_ESCAPE";
    case 0x06FF: return "META_CREATEREGION";
    case 0x0817: return "META_ARC";
    case 0x081A: return "META_PIE";
    case 0x0830: return "META_CHORD";
    case 0x0922: return "META_BITBLT";
    case 0x0940: return "META_DIBBITBLT";
    case 0x0A32: return "META_EXTTEXTOUT";
    case 0x0B23: return "META_STRETCHBLT";
    case 0x0B41: return "META_DIBSTRETCHBLT";
    case 0x0D33: return "META_SETDIBTODEV";
    case 0x0F43: return "META_STRETCHDIB";
    default: return nullptr;
  }
}

std::string RecordText(const char* format, const char* name, unsigned function) {
  char number[16];
  std::snprintf(number, sizeof(number), "0x%04X", function);
  return std::string(format) + " record " + (name != nullptr ? name : number) + " is not supported";
}

// One WMF record: its parameters as 16-bit words (reads past the record give 0).
struct WmfRecord {
  const std::uint8_t* params;
  std::size_t size;  // bytes of parameters
  unsigned function;
  std::uint16_t U16(std::size_t i) const {
    return 2 * i + 1 < size ? static_cast<std::uint16_t>(params[2 * i] | (params[2 * i + 1] << 8)) : 0;
  }
  int S16(std::size_t i) const { return static_cast<std::int16_t>(U16(i)); }
  std::uint32_t U32(std::size_t i) const { return U16(i) | (std::uint32_t(U16(i + 1)) << 16); }
  std::size_t Words() const { return size / 2; }
};

struct WmfFile {
  std::size_t recordsAt = 0;  // the standard header
  bool placeable = false;
  int bboxLeft = 0, bboxTop = 0, bboxRight = 0, bboxBottom = 0;
  unsigned inch = 0;
  std::uint32_t objects = 0;
  std::size_t end = 0;  // just past the end-of-file record
};

// Header, and the record chain up to META_EOF inside the data.
bool ReadWmfStructure(const ByteSpan& in, WmfFile* file, PictureError* error) {
  std::size_t at = 0;
  if (in.Has(0, 4) && in.LE32(0) == kPlaceableKey) {
    if (!in.Has(0, 22)) return FailShort(error, kWmf, "truncated placeable header");
    file->placeable = true;
    file->bboxLeft = static_cast<std::int16_t>(in.LE16(6));
    file->bboxTop = static_cast<std::int16_t>(in.LE16(8));
    file->bboxRight = static_cast<std::int16_t>(in.LE16(10));
    file->bboxBottom = static_cast<std::int16_t>(in.LE16(12));
    file->inch = in.LE16(14);
    at = 22;
  }
  if (!in.Has(at, 18)) return Fail(error, kWmf, "not a metafile");
  const unsigned type = in.LE16(at), headerWords = in.LE16(at + 2), version = in.LE16(at + 4);
  if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300)) {
    return Fail(error, kWmf, "not a metafile");
  }
  file->recordsAt = at;
  file->objects = in.LE16(at + 10);
  std::size_t p = at + 18;
  while (true) {
    if (!in.Has(p, 6)) return FailShort(error, kWmf, "truncated: no end-of-file record");
    const std::uint64_t bytes = std::uint64_t(in.LE32(p)) * 2;
    if (bytes < 6) return Fail(error, kWmf, "record size below the record header");
    if (bytes > in.Size() - p) return FailShort(error, kWmf, "record past the end of the file");
    const unsigned function = in.LE16(p + 4);
    p += static_cast<std::size_t>(bytes);
    if (function == 0) break;
  }
  file->end = p;
  return true;
}

// The first window origin and extent the records set, if any.
void FindWmfWindow(const ByteSpan& in, const WmfFile& file, bool* haveOrg, platform::MetafileWindow* window,
                   bool* haveExt) {
  for (std::size_t p = file.recordsAt + 18; p < file.end;) {
    const std::size_t bytes = static_cast<std::size_t>(in.LE32(p)) * 2;
    const WmfRecord r{in.Data() + p + 6, bytes - 6, in.LE16(p + 4)};
    if (r.function == 0x020B && !*haveOrg) {
      window->orgY = r.S16(0);
      window->orgX = r.S16(1);
      *haveOrg = true;
    } else if (r.function == 0x020C && !*haveExt) {
      window->extY = r.S16(0);
      window->extX = r.S16(1);
      *haveExt = true;
    }
    p += bytes;
  }
}

// Points of a polygon record: count at word `at`, then x, y pairs.
bool WmfPoints(const WmfRecord& r, std::size_t at, std::size_t count, const Renderer& renderer,
               std::vector<Point>* points) {
  if (at + 2 * count > r.Words()) return false;
  points->clear();
  for (std::size_t i = 0; i < count; ++i) {
    points->push_back(renderer.Map(r.S16(at + 2 * i), r.S16(at + 2 * i + 1)));
  }
  return true;
}

// Draws one record; false when it cannot.
bool DrawWmfRecord(const WmfRecord& r, Renderer* renderer, ObjectTable* objects) {
  DcState& s = renderer->State();
  std::vector<Point> points;
  switch (r.function) {
    // State without effect on what this renderer draws.
    case 0x0102: case 0x0104: case 0x0107: case 0x0108: case 0x012E: case 0x0201: case 0x0209:
    case 0x0231: case 0x020D: case 0x020E: case 0x0234: case 0x0035: case 0x0626:
      return true;
    case 0x0103: s.mapMode = r.S16(0); return true;  // the window is mapped onto the picture whatever the mode
    case 0x0106: s.winding = r.U16(0) == 2; return true;
    case 0x020B: s.winOrgY = r.S16(0); s.winOrgX = r.S16(1); return true;
    case 0x020C:
      if (r.S16(0) == 0 || r.S16(1) == 0) return false;
      s.winExtY = r.S16(0);
      s.winExtX = r.S16(1);
      return true;
    case 0x001E: return renderer->Save();
    case 0x0127: return renderer->Restore(r.S16(0));
    case 0x0416: renderer->IntersectClip(r.S16(3), r.S16(2), r.S16(1), r.S16(0)); return true;
    case 0x02FA: {  // CREATEPENINDIRECT: style, width (x, y), COLORREF
      GdiObjectRecord o;
      return MakePen(r.U16(0), r.S16(1), r.U32(3), &o) && objects->AddLowest(o);
    }
    case 0x02FC: {  // CREATEBRUSHINDIRECT: style, COLORREF, hatch
      GdiObjectRecord o;
      return MakeBrush(r.U16(0), r.U32(1), &o) && objects->AddLowest(o);
    }
    case 0x02FB: case 0x00F7: {  // fonts and palettes take a slot; text is refused when drawn
      GdiObjectRecord o;
      o.kind = keObjectOther;
      return objects->AddLowest(o);
    }
    case 0x012D: return Select(objects->Get(r.U16(0)), &s);
    case 0x01F0: return objects->Delete(r.U16(0));
    case 0x0214: s.position = {double(r.S16(1)), double(r.S16(0))}; return true;
    case 0x0213: return renderer->LineTo(r.S16(1), r.S16(0));
    case 0x041B: return renderer->Rectangle(r.S16(3), r.S16(2), r.S16(1), r.S16(0));
    case 0x0418: return renderer->Ellipse(r.S16(3), r.S16(2), r.S16(1), r.S16(0));
    case 0x0324:  // POLYGON
      return WmfPoints(r, 1, r.U16(0), *renderer, &points) && renderer->Shape({points});
    case 0x0325:  // POLYLINE
      return WmfPoints(r, 1, r.U16(0), *renderer, &points) && renderer->Outline(points, false);
    case 0x0538: {  // POLYPOLYGON: number of polygons, their point counts, the points
      const std::size_t n = r.U16(0);
      if (1 + n > r.Words()) return false;
      std::vector<std::vector<Point>> polygons;
      std::size_t at = 1 + n;
      for (std::size_t i = 0; i < n; ++i) {
        const std::size_t count = r.U16(1 + i);
        if (!WmfPoints(r, at, count, *renderer, &points)) return false;
        polygons.push_back(points);
        at += 2 * count;
      }
      return renderer->Shape(polygons);
    }
    case 0x0F43: {  // STRETCHDIB: rop, usage, src h, w, y, x, dest h, w, y, x, DIB
      if (r.size < 22) return false;
      return DrawDib(renderer, r.params + 22, r.size - 22, r.U32(0), true, r.S16(6), r.S16(5), r.S16(4), r.S16(3),
                     r.S16(10), r.S16(9), r.S16(8), r.S16(7));
    }
    case 0x0B41: {  // DIBSTRETCHBLT with a DIB: rop, src h, w, y, x, dest h, w, y, x, DIB
      if (r.size < 20 || r.Words() == 11) return false;  // 11 words: no DIB (a pattern operation)
      return DrawDib(renderer, r.params + 20, r.size - 20, r.U32(0), false, r.S16(5), r.S16(4), r.S16(3), r.S16(2),
                     r.S16(9), r.S16(8), r.S16(7), r.S16(6));
    }
    case 0x0940: {  // DIBBITBLT with a DIB: rop, src y, x, h, w, dest y, x, DIB
      if (r.size < 16 || r.Words() == 9) return false;
      return DrawDib(renderer, r.params + 16, r.size - 16, r.U32(0), false, r.S16(3), r.S16(2), r.S16(5), r.S16(4),
                     r.S16(7), r.S16(6), r.S16(5), r.S16(4));
    }
    default:
      return false;
  }
}

bool DecodeWmfFile(const ByteSpan& in, CPicture* picture, PictureError* error) {
  WmfFile file;
  if (!ReadWmfStructure(in, &file, error)) return false;
  platform::MetafileWindow window;
  double w = 0, h = 0;
  if (file.placeable) {
    if (file.inch == 0) return Fail(error, kWmf, "placeable header with zero units per inch");
    window = {file.bboxLeft, file.bboxTop, file.bboxRight - file.bboxLeft, file.bboxBottom - file.bboxTop};
    w = double(window.extX) * 96 / file.inch;
    h = double(window.extY) * 96 / file.inch;
  } else {
    bool haveOrg = false, haveExt = false;
    FindWmfWindow(in, file, &haveOrg, &window, &haveExt);
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
  for (std::size_t p = file.recordsAt + 18; p < file.end;) {
    const std::size_t bytes = static_cast<std::size_t>(in.LE32(p)) * 2;
    const WmfRecord r{in.Data() + p + 6, bytes - 6, in.LE16(p + 4)};
    if (r.function == 0) break;
    if (!DrawWmfRecord(r, &renderer, &objects)) {
      *error = {keErrNoData, canvas.Exhausted() ? std::string(kWmf) + ": too complex to draw"
                                                : RecordText(kWmf, WmfRecordName(r.function), r.function)};
      return false;
    }
    p += bytes;
  }
  return CopyToPicture(canvas, picture, error);
}

// ---- EMF ---------------------------------------------------------------------------------

const char* EmfRecordName(std::uint32_t type) {
  switch (type) {
    case 1: return "EMR_HEADER";
    case 2: return "EMR_POLYBEZIER";
    case 3: return "EMR_POLYGON";
    case 4: return "EMR_POLYLINE";
    case 5: return "EMR_POLYBEZIERTO";
    case 6: return "EMR_POLYLINETO";
    case 7: return "EMR_POLYPOLYLINE";
    case 8: return "EMR_POLYPOLYGON";
    case 9: return "EMR_SETWINDOWEXTEX";
    case 10: return "EMR_SETWINDOWORGEX";
    case 11: return "EMR_SETVIEWPORTEXTEX";
    case 12: return "EMR_SETVIEWPORTORGEX";
    case 14: return "EMR_EOF";
    case 17: return "EMR_SETMAPMODE";
    case 18: return "EMR_SETBKMODE";
    case 19: return "EMR_SETPOLYFILLMODE";
    case 20: return "EMR_SETROP2";
    case 21: return "EMR_SETSTRETCHBLTMODE";
    case 22: return "EMR_SETTEXTALIGN";
    case 24: return "EMR_SETTEXTCOLOR";
    case 25: return "EMR_SETBKCOLOR";
    case 27: return "EMR_MOVETOEX";
    case 30: return "EMR_INTERSECTCLIPRECT";
    case 33: return "EMR_SAVEDC";
    case 34: return "EMR_RESTOREDC";
    case 35: return "EMR_SETWORLDTRANSFORM";
    case 36: return "EMR_MODIFYWORLDTRANSFORM";
    case 37: return "EMR_SELECTOBJECT";
    case 38: return "EMR_CREATEPEN";
    case 39: return "EMR_CREATEBRUSHINDIRECT";
    case 40: return "EMR_DELETEOBJECT";
    case 42: return "EMR_ELLIPSE";
    case 43: return "EMR_RECTANGLE";
    case 44: return "EMR_ROUNDRECT";
    case 45: return "EMR_ARC";
    case 46: return "EMR_CHORD";
    case 47: return "EMR_PIE";
    case 54: return "EMR_LINETO";
    case 59: return "EMR_BEGINPATH";
    case 70: return "EMR_GDICOMMENT";
    case 75: return "EMR_EXTSELECTCLIPRGN";
    case 76: return "EMR_BITBLT";
    case 77: return "EMR_STRETCHBLT";
    case 81: return "EMR_STRETCHDIBITS";
    case 82: return "EMR_EXTCREATEFONTINDIRECTW";
    case 83: return "EMR_EXTTEXTOUTA";
    case 84: return "EMR_EXTTEXTOUTW";
    case 85: return "EMR_POLYBEZIER16";
    case 86: return "EMR_POLYGON16";
    case 87: return "EMR_POLYLINE16";
    case 90: return "EMR_POLYPOLYLINE16";
    case 91: return "EMR_POLYPOLYGON16";
    case 95: return "EMR_EXTCREATEPEN";
    case 98: return "EMR_SETICMMODE";
    default: return nullptr;
  }
}

// One EMF record: the bytes after its type and size.
struct EmfRecord {
  const std::uint8_t* body;
  std::size_t size;
  std::uint32_t type;
  std::uint32_t U32(std::size_t at) const {
    if (at > size || size - at < 4) return 0;
    return static_cast<std::uint32_t>(body[at]) | (static_cast<std::uint32_t>(body[at + 1]) << 8) |
           (static_cast<std::uint32_t>(body[at + 2]) << 16) | (static_cast<std::uint32_t>(body[at + 3]) << 24);
  }
  std::int32_t S32(std::size_t at) const { return static_cast<std::int32_t>(U32(at)); }
  std::int16_t S16(std::size_t at) const {
    return at + 1 < size ? static_cast<std::int16_t>(body[at] | (body[at + 1] << 8)) : 0;
  }
};

// Points: `count` at byte `at`, 32-bit (x, y) or 16-bit with `small`.
bool EmfPoints(const EmfRecord& r, std::size_t at, std::uint64_t count, bool small, const Renderer& renderer,
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

bool EmfPolyPolygon(const EmfRecord& r, bool small, Renderer* renderer) {
  // Bounds (16), number of polygons, total points, the counts, the points.
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
    if (sum > total || !EmfPoints(r, at, count, small, *renderer, &points)) return false;
    polygons.push_back(points);
    at += static_cast<std::size_t>(count) * (small ? 4 : 8);
  }
  return renderer->Shape(polygons);
}

bool DrawEmfRecord(const EmfRecord& r, Renderer* renderer, ObjectTable* objects) {
  DcState& s = renderer->State();
  std::vector<Point> points;
  switch (r.type) {
    case 18: case 20: case 21: case 22: case 24: case 25: case 70: case 98: case 58:  // no effect here
      return true;
    case 9:
      if (r.S32(0) == 0 || r.S32(4) == 0) return false;
      s.winExtX = r.S32(0);
      s.winExtY = r.S32(4);
      return true;
    case 10: s.winOrgX = r.S32(0); s.winOrgY = r.S32(4); return true;
    case 11:
      if (r.S32(0) == 0 || r.S32(4) == 0) return false;
      s.vpExtX = r.S32(0);
      s.vpExtY = r.S32(4);
      return true;
    case 12: s.vpOrgX = r.S32(0); s.vpOrgY = r.S32(4); return true;
    case 17: {  // MM_TEXT, MM_ISOTROPIC, MM_ANISOTROPIC
      const std::int32_t mode = r.S32(0);
      if (mode != 1 && mode != 7 && mode != 8) return false;
      s.mapMode = mode;
      return true;
    }
    case 19: s.winding = r.U32(0) == 2; return true;
    case 27: s.position = {double(r.S32(0)), double(r.S32(4))}; return true;
    case 54: return renderer->LineTo(r.S32(0), r.S32(4));
    case 30: renderer->IntersectClip(r.S32(0), r.S32(4), r.S32(8), r.S32(12)); return true;
    case 33: return renderer->Save();
    case 34: return renderer->Restore(r.S32(0));
    case 37: {
      const std::uint32_t index = r.U32(0);
      if (index & 0x80000000u) return SelectStock(index & 0x7FFFFFFFu, &s);
      return Select(objects->Get(index), &s);
    }
    case 40: return objects->Delete(r.U32(0));
    case 38: {  // CREATEPEN: index, style, width (x, y), COLORREF
      GdiObjectRecord o;
      return MakePen(r.U32(4), r.S32(8), r.U32(16), &o) && objects->Put(r.U32(0), o);
    }
    case 95: {  // EXTCREATEPEN: index, DIB offsets and sizes, style, width, brush style, colour
      GdiObjectRecord o;
      if (r.U32(8) != 0 || r.U32(28) != 0) return false;  // only pens of a solid colour
      return MakePen(r.U32(20), r.U32(24), r.U32(32), &o) && objects->Put(r.U32(0), o);
    }
    case 39: {  // CREATEBRUSHINDIRECT: index, style, COLORREF, hatch
      GdiObjectRecord o;
      return MakeBrush(r.U32(4), r.U32(8), &o) && objects->Put(r.U32(0), o);
    }
    case 82: {  // fonts take a slot; text is refused when drawn
      GdiObjectRecord o;
      o.kind = keObjectOther;
      return objects->Put(r.U32(0), o);
    }
    case 43: return renderer->Rectangle(r.S32(0), r.S32(4), r.S32(8), r.S32(12));
    case 42: return renderer->Ellipse(r.S32(0), r.S32(4), r.S32(8), r.S32(12));
    case 3: case 86:  // POLYGON, POLYGON16: bounds, count, points
      return EmfPoints(r, 20, r.U32(16), r.type == 86, *renderer, &points) && renderer->Shape({points});
    case 4: case 87:  // POLYLINE, POLYLINE16
      return EmfPoints(r, 20, r.U32(16), r.type == 87, *renderer, &points) && renderer->Outline(points, false);
    case 8: case 91: return EmfPolyPolygon(r, r.type == 91, renderer);
    case 81: {  // STRETCHDIBITS
      // Bounds (16), xDest, yDest, xSrc, ySrc, cxSrc, cySrc, offBmi, cbBmi,
      // offBits, cbBits, usage, rop, cxDest, cyDest; offsets from the record start.
      const std::uint64_t offBmi = r.U32(40), cbBmi = r.U32(44), offBits = r.U32(48), cbBits = r.U32(52);
      const std::uint64_t recordSize = r.size + 8;
      if (offBmi < 8 || cbBmi > recordSize || offBmi > recordSize - cbBmi) return false;
      if (offBits < 8 || cbBits > recordSize || offBits > recordSize - cbBits) return false;
      std::vector<std::uint8_t> dib(r.body + (offBmi - 8), r.body + (offBmi - 8 + cbBmi));
      dib.insert(dib.end(), r.body + (offBits - 8), r.body + (offBits - 8 + cbBits));
      return DrawDib(renderer, dib.data(), dib.size(), r.U32(60), true, r.S32(24), r.S32(28), r.S32(32), r.S32(36),
                     r.S32(16), r.S32(20), r.S32(64), r.S32(68));
    }
    default:
      return false;
  }
}

bool DecodeEmfFile(const ByteSpan& in, CPicture* picture, PictureError* error) {
  const std::uint32_t headerSize = in.LE32(4);
  if (headerSize < 88) return Fail(error, kEmf, "header record shorter than 88 bytes");
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
    if (!in.Has(p, 8)) return FailShort(error, kEmf, "truncated: no end-of-file record");
    const std::uint32_t type = in.LE32(p), bytes = in.LE32(p + 4);
    if (bytes < 8 || bytes % 4 != 0) return Fail(error, kEmf, "bad record size");
    if (bytes > in.Size() - p) return FailShort(error, kEmf, "record past the end of the file");
    p += bytes;
    if (type == 14) {
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
    const EmfRecord r{in.Data() + p + 8, bytes - 8u, type};
    if (type == 14) break;
    if (!DrawEmfRecord(r, &renderer, &objects)) {
      *error = {keErrNoData, canvas.Exhausted() ? std::string(kEmf) + ": too complex to draw"
                                                : RecordText(kEmf, EmfRecordName(type), type)};
      return false;
    }
    p += bytes;
  }
  return CopyToPicture(canvas, picture, error);
}

}  // namespace

bool DecodeWmf(const std::uint8_t* data, std::size_t size, int /*frame*/, CPicture* picture, PictureError* error) {
  const ByteSpan in(data, size);
  if (in.Has(0, 44) && in.LE32(0) == 1 && in.LE32(40) == kEmfSignature) return DecodeEmfFile(in, picture, error);
  return DecodeWmfFile(in, picture, error);
}
