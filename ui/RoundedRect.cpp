#include "ui/RoundedRect.h"

#include <algorithm>
#include <cmath>

namespace ui {
namespace {

constexpr int kSamples = 16;

// Signed distance from (x, y) to the rounded rectangle's edge: negative
// inside.
double Distance(const RoundedRectShape& s, double x, double y) {
  const double cx = (s.left + s.right) / 2, cy = (s.top + s.bottom) / 2;
  const double r = std::min({s.radius, (s.right - s.left) / 2, (s.bottom - s.top) / 2});
  const double qx = std::fabs(x - cx) - ((s.right - s.left) / 2 - r);
  const double qy = std::fabs(y - cy) - ((s.bottom - s.top) / 2 - r);
  const double ox = std::max(qx, 0.0), oy = std::max(qy, 0.0);
  return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0) - r;
}

std::uint8_t Mix(std::uint8_t under, std::uint8_t line, std::uint8_t fill, int outer, int inner) {
  // outer: samples inside the outline's outer edge; inner: inside its inner
  // edge (both of kSamples^2).
  const int total = kSamples * kSamples;
  const int value = under * (total - outer) + line * (outer - inner) + fill * inner;
  return static_cast<std::uint8_t>((value + total / 2) / total);
}

}  // namespace

CStatus DrawRoundedRect(CImageBuffer& target, const RoundedRectShape& shape, Rgb outline, Rgb fill) {
  if (target.IsEmpty() || target.AccessFormat() != keFormatBGR) return MakeStatus(keErrBadArgument);
  const double half = shape.lineWidth / 2;
  const int x0 = std::max(0, static_cast<int>(std::floor(shape.left - half)));
  const int y0 = std::max(0, static_cast<int>(std::floor(shape.top - half)));
  const int x1 = std::min(target.Width(), static_cast<int>(std::ceil(shape.right + half)));
  const int y1 = std::min(target.Height(), static_cast<int>(std::ceil(shape.bottom + half)));
  for (int y = y0; y < y1; ++y) {
    CRowWriter row(target, y);
    for (int x = x0; x < x1; ++x) {
      std::uint8_t* p = row.Row() + 3 * x;
      const double centre = Distance(shape, x + 0.5, y + 0.5);
      int outer = 0, inner = 0;
      if (centre < -half - 0.75) {
        outer = inner = kSamples * kSamples;  // wholly inside the outline
      } else if (centre > half + 0.75) {
        continue;  // wholly outside
      } else {
        for (int sy = 0; sy < kSamples; ++sy) {
          for (int sx = 0; sx < kSamples; ++sx) {
            const double d = Distance(shape, x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples);
            if (d <= half) ++outer;
            if (d < -half) ++inner;
          }
        }
      }
      p[0] = Mix(p[0], outline.b, fill.b, outer, inner);
      p[1] = Mix(p[1], outline.g, fill.g, outer, inner);
      p[2] = Mix(p[2], outline.r, fill.r, outer, inner);
    }
  }
  return CStatus();
}

CStatus MakeCellBackground(CImageBuffer* cell, Size size, bool selected, Rgb window, Rgb background, Rgb selection) {
  const CColorRef windowColour(window.r, window.g, window.b);
  CStatus status = cell->Create(size.width, size.height, keFormatBGR, &windowColour);
  if (status.IsError()) return status;
  auto less7 = [](std::uint8_t v) { return static_cast<std::uint8_t>(v > 7 ? v - 7 : 0); };
  const Rgb fill = selected ? selection : Rgb{less7(background.r), less7(background.g), less7(background.b)};
  const Rgb outline = selected ? Rgb{170, 170, 170} : Rgb{200, 200, 200};
  RoundedRectShape shape;
  shape.left = shape.top = 2.5;
  shape.right = size.width - 2.5;
  shape.bottom = size.height - 2.5;
  shape.radius = 3;
  shape.lineWidth = 0.5;
  return DrawRoundedRect(*cell, shape, outline, fill);
}

}  // namespace ui
