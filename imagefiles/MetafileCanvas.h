#pragma once
// The canvas the portable metafile renderer draws on: a white 24-bit picture,
// top row first, with the few operations GDI's records need - filled
// polygons, round pens, ellipses as polygons and stretched bitmaps - all
// cut to one clip rectangle.
//
// Shapes are not anti-aliased: a pixel belongs to a shape when its centre
// lies inside.  Every operation charges its pixel and edge visits against a
// work limit, so a small file of huge or numerous shapes cannot keep the
// reader busy for long: once the limit is passed every operation answers
// false and Exhausted() says why.

#include <cstddef>
#include <cstdint>
#include <vector>

class CPicture;

namespace metafile {

// The longer side of a rendered metafile, in pixels.
constexpr double kMaxSide = 2048;
// Pixel and edge visits one file may cost the canvas.
constexpr std::uint64_t kWorkLimit = std::uint64_t(1) << 26;

struct Point {
  double x;
  double y;
};

struct Color {
  std::uint8_t r = 0, g = 0, b = 0;
};

// The colour of a Windows COLORREF (red in the low byte).
Color FromColorRef(std::uint32_t ref);

struct ClipRect {
  double left, top, right, bottom;  // picture coordinates
};

class Canvas {
 public:
  Canvas(unsigned width, unsigned height);

  unsigned Width() const { return m_width; }
  unsigned Height() const { return m_height; }
  // Row y (0: the top), 3 bytes per pixel: blue, green, red.
  const std::uint8_t* Row(unsigned y) const { return m_pixels.data() + std::size_t(y) * m_width * 3; }
  std::vector<std::uint8_t>& Pixels() { return m_pixels; }

  // Adds `cost` to the work done; false once the limit is passed.
  bool Spend(std::uint64_t cost);
  bool Exhausted() const { return m_work > kWorkLimit; }

  void SetClip(const ClipRect& clip) { m_clip = clip; }

  // Fills the polygons (each closed implicitly) by sampling pixel centres:
  // even-odd rule or, with `winding`, the non-zero rule.
  bool FillPolygons(const std::vector<std::vector<Point>>& polygons, bool winding, Color color);

  // Draws the polyline with a round pen of `width` pixels; up to 1.5 pixels
  // a one-pixel line with both ends drawn.
  bool Stroke(const std::vector<Point>& points, bool closed, double width, Color color);

  // The outline of the ellipse inside the box, as a polygon.
  static std::vector<Point> EllipsePolygon(double left, double top, double right, double bottom);

  // Copies `source` (a decoded DIB) scaled into the destination rectangle
  // from d0 to d1 (picture coordinates; a negative size mirrors), nearest
  // pixel; destination pixels outside the DIB become black.  The source
  // rectangle (sx, sy, sw, sh) is counted from the DIB's top row.
  bool Blit(const CPicture& source, double sx, double sy, double sw, double sh, Point d0, Point d1);

 private:
  int ClampRow(double y) const;
  int ClampColumn(double x) const;
  // Pixels of row y whose centres lie in [xa, xb).
  bool Span(int y, double xa, double xb, Color color);
  bool Dot(Point p, Color color);
  // A one-pixel line, both ends drawn, stepping along the longer axis.
  bool ThinLine(Point a, Point b, Color color);
  // Lines far longer than the picture: cut to the picture's box first.
  bool ClippedLongLine(Point a, Point b, Color color);

  unsigned m_width;
  unsigned m_height;
  std::vector<std::uint8_t> m_pixels;
  ClipRect m_clip{-1e300, -1e300, 1e300, 1e300};
  std::uint64_t m_work = 0;
};

}  // namespace metafile
