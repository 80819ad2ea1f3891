#include "imagefiles/MetafileCanvas.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "imagefiles/Picture.h"

namespace metafile {

namespace {

// Sorting n crossings costs about n log n.
std::uint64_t SortCost(std::size_t n) {
  std::uint64_t log = 1;
  while ((std::size_t(1) << log) < n && log < 63) ++log;
  return std::uint64_t(n) * log;
}

}  // namespace

Color FromColorRef(std::uint32_t ref) {
  Color c;
  c.r = static_cast<std::uint8_t>(ref);
  c.g = static_cast<std::uint8_t>(ref >> 8);
  c.b = static_cast<std::uint8_t>(ref >> 16);
  return c;
}

Canvas::Canvas(unsigned width, unsigned height)
    : m_width(width), m_height(height), m_pixels(std::size_t(width) * height * 3, 0xFF) {}

bool Canvas::Spend(std::uint64_t cost) {
  m_work += cost;
  return m_work <= kWorkLimit;
}

bool Canvas::FillPolygons(const std::vector<std::vector<Point>>& polygons, bool winding, Color color) {
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
    // Sorting is charged too, so that many edges crossing every row cannot
    // take far more time than the limit allows.
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

bool Canvas::Stroke(const std::vector<Point>& points, bool closed, double width, Color color) {
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
    // Wound the same way round as EllipsePolygon's outlines, so that under
    // the non-zero rule overlapping pieces add up instead of cancelling.
    shapes.push_back({{a.x - nx, a.y - ny}, {b.x - nx, b.y - ny}, {b.x + nx, b.y + ny}, {a.x + nx, a.y + ny}});
  }
  for (const Point& p : points) shapes.push_back(EllipsePolygon(p.x - r, p.y - r, p.x + r, p.y + r));
  return FillPolygons(shapes, true, color);
}

std::vector<Point> Canvas::EllipsePolygon(double left, double top, double right, double bottom) {
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

bool Canvas::Blit(const CPicture& source, double sx, double sy, double sw, double sh, Point d0, Point d1) {
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

int Canvas::ClampRow(double y) const { return static_cast<int>(std::min<double>(m_height, std::max(0.0, y))); }

int Canvas::ClampColumn(double x) const { return static_cast<int>(std::min<double>(m_width, std::max(0.0, x))); }

bool Canvas::Span(int y, double xa, double xb, Color color) {
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

bool Canvas::Dot(Point p, Color color) {
  const double x = std::floor(p.x), y = std::floor(p.y);
  if (x < std::max(0.0, std::floor(m_clip.left)) || y < std::max(0.0, std::floor(m_clip.top))) return true;
  if (x >= std::min<double>(m_width, m_clip.right) || y >= std::min<double>(m_height, m_clip.bottom)) return true;
  std::uint8_t* out = m_pixels.data() + (static_cast<std::size_t>(y) * m_width + static_cast<std::size_t>(x)) * 3;
  out[0] = color.b;
  out[1] = color.g;
  out[2] = color.r;
  return true;
}

bool Canvas::ThinLine(Point a, Point b, Color color) {
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

bool Canvas::ClippedLongLine(Point a, Point b, Color color) {
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

}  // namespace metafile
