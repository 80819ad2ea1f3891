#include "imagefiles/MetafileDrawing_p.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "imagefiles/Decoders.h"
#include "imagefiles/Picture.h"

namespace metafile {

// ---- mapping ---------------------------------------------------------------------------

Point Mapping::Map(const DcState& s, double x, double y) const {
  if (!emf) return {(x - s.winOrgX) * pictureW / s.winExtX, (y - s.winOrgY) * pictureH / s.winExtY};
  double dx = x - s.winOrgX + s.vpOrgX, dy = y - s.winOrgY + s.vpOrgY;
  if (s.mapMode == 7 || s.mapMode == 8) {  // MM_ISOTROPIC, MM_ANISOTROPIC
    dx = (x - s.winOrgX) * s.vpExtX / s.winExtX + s.vpOrgX;
    dy = (y - s.winOrgY) * s.vpExtY / s.winExtY + s.vpOrgY;
  }
  return {(dx - frameX) * pictureW / frameW, (dy - frameY) * pictureH / frameH};
}

double Mapping::PenWidth(const DcState& s, double width) const {
  const Point o = Map(s, 0, 0), w = Map(s, width, 0);
  return std::max(1.0, std::fabs(w.x - o.x));
}

// ---- the device context ------------------------------------------------------------------

bool Renderer::Save() {
  if (m_saved.size() >= kMaxSavedStates) return false;
  m_saved.push_back(m_state);
  return true;
}

bool Renderer::Restore(long n) {
  const long count = static_cast<long>(m_saved.size());
  const long keep = n < 0 ? count + n : n - 1;
  if (n == 0 || keep < 0 || keep >= count) return false;
  m_state = m_saved[static_cast<std::size_t>(keep)];
  m_saved.resize(static_cast<std::size_t>(keep));
  m_canvas->SetClip(m_state.clip);
  return true;
}

void Renderer::IntersectClip(double left, double top, double right, double bottom) {
  const Point a = Map(left, top), b = Map(right, bottom);
  ClipRect& c = m_state.clip;
  c.left = std::max(c.left, std::min(a.x, b.x));
  c.top = std::max(c.top, std::min(a.y, b.y));
  c.right = std::min(c.right, std::max(a.x, b.x));
  c.bottom = std::min(c.bottom, std::max(a.y, b.y));
  m_canvas->SetClip(c);
}

bool Renderer::Shape(const std::vector<std::vector<Point>>& polygons) {
  if (m_state.brush.visible && !m_canvas->FillPolygons(polygons, m_state.winding, m_state.brush.color)) {
    return false;
  }
  for (const std::vector<Point>& p : polygons) {
    if (!Outline(p, true)) return false;
  }
  return true;
}

bool Renderer::Outline(const std::vector<Point>& points, bool closed) {
  if (!m_state.pen.visible) return true;
  return m_canvas->Stroke(points, closed, m_mapping.PenWidth(m_state, m_state.pen.width), m_state.pen.color);
}

bool Renderer::Rectangle(double left, double top, double right, double bottom) {
  const Point a = Map(left, top), b = Map(right, bottom);
  return Shape({{a, {b.x, a.y}, b, {a.x, b.y}}});
}

bool Renderer::Ellipse(double left, double top, double right, double bottom) {
  const Point a = Map(left, top), b = Map(right, bottom);
  return Shape({Canvas::EllipsePolygon(a.x, a.y, b.x, b.y)});
}

bool Renderer::LineTo(double x, double y) {
  const Point from = Map(m_state.position.x, m_state.position.y);
  m_state.position = {x, y};
  return Outline({from, Map(x, y)}, false);
}

// ---- objects -------------------------------------------------------------------------------

bool ObjectTable::AddLowest(const GdiObjectRecord& object) {
  for (; m_firstFree < m_objects.size(); ++m_firstFree) {
    if (m_objects[m_firstFree].kind == keObjectFree) {
      m_objects[m_firstFree++] = object;
      return true;
    }
  }
  return false;
}

bool ObjectTable::Put(std::uint32_t index, const GdiObjectRecord& object) {
  if (index >= m_objects.size()) return false;
  m_objects[index] = object;
  return true;
}

const GdiObjectRecord* ObjectTable::Get(std::uint32_t index) const {
  return index < m_objects.size() && m_objects[index].kind != keObjectFree ? &m_objects[index] : nullptr;
}

bool ObjectTable::Delete(std::uint32_t index) {
  if (index >= m_objects.size()) return false;
  m_objects[index] = GdiObjectRecord();
  m_firstFree = std::min<std::size_t>(m_firstFree, index);
  return true;
}

bool Select(const GdiObjectRecord* object, DcState* state) {
  if (object == nullptr) return false;
  if (object->kind == keObjectPen) state->pen = object->pen;
  if (object->kind == keObjectBrush) state->brush = object->brush;
  return true;
}

bool MakePen(std::uint32_t style, double width, std::uint32_t colorRef, GdiObjectRecord* object) {
  const std::uint32_t kind = style & 0x0F;
  if (kind != 0 && kind != 5 && kind != 6) return false;
  object->kind = keObjectPen;
  object->pen.visible = kind != 5;
  object->pen.width = std::fabs(width);
  object->pen.color = FromColorRef(colorRef);
  return true;
}

bool MakeBrush(std::uint32_t style, std::uint32_t colorRef, GdiObjectRecord* object) {
  if (style != 0 && style != 1) return false;
  object->kind = keObjectBrush;
  object->brush.visible = style == 0;
  object->brush.color = FromColorRef(colorRef);
  return true;
}

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

// ---- pictures --------------------------------------------------------------------------------

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

bool DrawDib(Renderer* r, const std::uint8_t* dib, std::size_t dibSize, std::uint32_t rop, bool sourceFromBottom,
             double sx, double sy, double sw, double sh, double dx, double dy, double dw, double dh) {
  if (rop != 0x00CC0020) return false;
  CPicture source;
  PictureError ignored;
  if (!DecodeDib(dib, dibSize, false, &source, &ignored)) return false;
  const double top = sourceFromBottom ? double(source.GetHeight()) - sy - sh : sy;
  return r->GetCanvas().Blit(source, sx, top, sw, sh, r->Map(dx, dy), r->Map(dx + dw, dy + dh));
}

std::string UnsupportedRecordText(const char* format, const char* name, std::uint32_t code) {
  char number[16];
  std::snprintf(number, sizeof(number), "0x%04X", static_cast<unsigned>(code));
  return std::string(format) + " record " + (name != nullptr ? name : number) + " is not supported";
}

}  // namespace metafile
