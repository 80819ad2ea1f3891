#include "ui/PreviewScaler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "image/PixelFormat.h"

namespace ui {
namespace {

constexpr int kFixedOne = 10000;  // source positions in 1/10000 pixel steps
constexpr int kCheckerSquare = 10;
constexpr std::uint8_t kCheckerLight[3] = {255, 255, 255};
constexpr std::uint8_t kCheckerDark[3] = {195, 205, 208};  // B, G, R
constexpr std::uint8_t kTint[3] = {0, 0, 255};               // red, as B, G, R

// Which source column or row a destination one shows: (d × 10000) ÷ step,
// kept inside the image.  The step is the zoom in fixed point.
struct FixedMap {
  long long step;
  int last;
  int operator()(int d) const {
    const long long s = static_cast<long long>(d) * kFixedOne / step;
    return static_cast<int>(std::min<long long>(s, last));
  }
};

// The destination rectangle: the zoomed source rectangle, inside `visible`.
Rect DestinationRect(const Rect& source, double zoom, const Rect& visible) {
  const Rect zoomed{static_cast<int>(std::floor(zoom * source.left)), static_cast<int>(std::floor(zoom * source.top)),
                    static_cast<int>(std::ceil(zoom * source.right)),
                    static_cast<int>(std::ceil(zoom * source.bottom))};
  return zoomed.Intersect(visible);
}

// Plain scaler: the image's own pixels, one per destination pixel.
bool ScalePlain(const CImageBuffer& image, const Rect& d, const FixedMap& columns, const FixedMap& rows,
                PreviewRegion* region) {
  // Indexed pictures are read through a converting view of the same pixels.
  CImageBuffer view;
  view.Share(image).RaiseIfError();
  const int format = image.AccessFormat();
  if (format == keFormatIndex1) {
    view.SetAccessFormat(keFormatGrey, keAccessRead).RaiseIfError();
  } else if (format == keFormatIndex4 || format == keFormatIndex8) {
    view.SetAccessFormat(keFormatBGR, keAccessRead).RaiseIfError();
  }
  const int outFormat = view.AccessFormat();
  const int bytes = FormatBitsPerPixel(outFormat) / 8;
  if (bytes < 1) return false;
  region->pixels.Create(d.Width(), d.Height(), outFormat).RaiseIfError();

  std::vector<int> offsets(static_cast<std::size_t>(d.Width()));
  for (int x = d.left; x < d.right; ++x) offsets[static_cast<std::size_t>(x - d.left)] = columns(x) * bytes;

  int previousSource = -1;
  for (int y = d.top; y < d.bottom; ++y) {
    const int sy = rows(y);
    CRowWriter out(region->pixels, y - d.top);
    if (!out) RaiseError(keErrNoData);
    if (sy == previousSource) {
      CRowReader above(region->pixels, y - d.top - 1);
      std::memcpy(out.Row(), above.Row(), static_cast<std::size_t>(d.Width()) * bytes);
      continue;
    }
    CRowReader in(view, sy);
    if (!in) RaiseError(keErrNoData);
    std::uint8_t* o = out.Row();
    for (int offset : offsets) {
      std::memcpy(o, in.Row() + offset, static_cast<std::size_t>(bytes));
      o += bytes;
    }
    previousSource = sy;
  }
  return true;
}

// One source pixel as B, G, R, A, whatever 8-bit format the image has.
struct PixelReader {
  int bytes;
  bool grey;
  bool alpha;
  void operator()(const std::uint8_t* p, std::uint8_t bgra[4]) const {
    if (grey) {
      bgra[0] = bgra[1] = bgra[2] = p[0];
      bgra[3] = alpha ? p[1] : 255;
    } else {
      bgra[0] = p[0];
      bgra[1] = p[1];
      bgra[2] = p[2];
      bgra[3] = alpha ? p[3] : 255;
    }
  }
};

bool ScaleCompositing(const CImageBuffer& image, const CImageBuffer& mask, const Rect& d, const FixedMap& columns,
                      const FixedMap& rows, PreviewRegion* region) {
  PixelReader read{};
  switch (image.AccessFormat()) {
    case keFormatGrey: read = {1, true, false}; break;
    case keFormatGreyA: read = {2, true, true}; break;
    case keFormatBGR: read = {3, false, false}; break;
    case keFormatBGRA: read = {4, false, true}; break;
    default: return false;
  }
  const bool masked = !mask.IsEmpty() && mask.AccessFormat() == keFormatGrey && mask.Width() >= image.Width() &&
                      mask.Height() >= image.Height();
  region->pixels.CreateBGR(d.Width(), d.Height()).RaiseIfError();

  std::vector<int> sourceColumns(static_cast<std::size_t>(d.Width()));
  for (int x = d.left; x < d.right; ++x) sourceColumns[static_cast<std::size_t>(x - d.left)] = columns(x);

  int previousSource = -1, previousPhase = -1;
  for (int y = d.top; y < d.bottom; ++y) {
    const int sy = rows(y);
    const int phase = (y / kCheckerSquare) & 1;
    CRowWriter out(region->pixels, y - d.top);
    if (!out) RaiseError(keErrNoData);
    if (sy == previousSource && phase == previousPhase) {
      CRowReader above(region->pixels, y - d.top - 1);
      std::memcpy(out.Row(), above.Row(), static_cast<std::size_t>(d.Width()) * 3);
      continue;
    }
    CRowReader in(image, sy);
    if (!in) RaiseError(keErrNoData);
    const std::uint8_t* maskRow = nullptr;
    CRowReader maskReader(masked ? mask : image, masked ? sy : 0);
    if (masked) maskRow = maskReader.Row();
    std::uint8_t* o = out.Row();
    for (int x = d.left; x < d.right; ++x, o += 3) {
      const int sx = sourceColumns[static_cast<std::size_t>(x - d.left)];
      std::uint8_t bgra[4];
      read(in.Row() + static_cast<std::size_t>(sx) * read.bytes, bgra);
      if (bgra[3] == 255) {
        o[0] = bgra[0];
        o[1] = bgra[1];
        o[2] = bgra[2];
      } else {
        std::uint8_t checker[3];
        CheckerColour(x, y, checker);
        for (int c = 0; c < 3; ++c) {
          o[c] = static_cast<std::uint8_t>(checker[c] + (bgra[c] - checker[c]) * bgra[3] / 255);
        }
      }
      if (maskRow != nullptr) {
        const int t = (255 - maskRow[sx]) / 2;
        if (t != 0) {
          for (int c = 0; c < 3; ++c) o[c] = static_cast<std::uint8_t>(o[c] + (kTint[c] - o[c]) * t / 255);
        }
      }
    }
    previousSource = sy;
    previousPhase = phase;
  }
  return true;
}

}  // namespace

void CheckerColour(int x, int y, std::uint8_t bgr[3]) {
  const bool dark = (((x / kCheckerSquare) + (y / kCheckerSquare)) & 1) == 0;
  std::memcpy(bgr, dark ? kCheckerDark : kCheckerLight, 3);
}

bool NeedsCompositing(const CImageBuffer& image, const CImageBuffer& mask) {
  return FormatHasAlpha(image.AccessFormat()) || !mask.IsEmpty();
}

Rect SourceRectForClip(Size image, double zoom, const Rect& clip) {
  if (zoom <= 0 || clip.IsEmpty()) return {};
  const Rect r{static_cast<int>(clip.left / zoom), static_cast<int>(clip.top / zoom),
               static_cast<int>(clip.right / zoom) + 1, static_cast<int>(clip.bottom / zoom) + 1};
  return r.Intersect({0, 0, image.width, image.height});
}

bool ScalePreview(const CImageBuffer& image, const CImageBuffer& mask, double zoom, const Rect& clip,
                  const Rect& visible, PreviewRegion* region) {
  if (image.IsEmpty() || !(zoom > 0)) return false;
  const Size size{image.Width(), image.Height()};
  const Rect zoomedImage{0, 0, static_cast<int>(size.width * zoom), static_cast<int>(size.height * zoom)};
  const Rect source = SourceRectForClip(size, zoom, clip.Intersect(zoomedImage));
  if (source.IsEmpty()) return false;
  const Rect d = DestinationRect(source, zoom, visible);
  if (d.IsEmpty()) return false;
  // The zoom in fixed point; at least 1 so that no division is by 0.
  const long long step = std::max<long long>(1, static_cast<long long>(zoom * kFixedOne));
  const FixedMap columns{step, size.width - 1};
  const FixedMap rows{step, size.height - 1};
  region->place = d;
  return NeedsCompositing(image, mask) ? ScaleCompositing(image, mask, d, columns, rows, region)
                                        : ScalePlain(image, d, columns, rows, region);
}

}  // namespace ui
