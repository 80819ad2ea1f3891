#include "ui/SliderGeometry.h"

#include <algorithm>
#include <cmath>

namespace ui {

SliderPlacement PlaceSlider(const Rect& button, int clickX, double value, const SliderRange& range, int sliderWidth,
                            const Rect& monitor, const Rect& workArea) {
  const double span = range.maximum - range.minimum;
  // The value's place on a linear track.
  double b = value;
  if (range.scale == NumericScale::kLogarithmic && range.minimum > 0 && value > 0 && range.maximum > range.minimum) {
    b = range.minimum + (std::log(value) - std::log(range.minimum)) /
                            (std::log(range.maximum) - std::log(range.minimum)) * span;
  }
  int width = (sliderWidth < 0 ? kSliderDefaultWidth : sliderWidth) + 7;
  if (width > monitor.Width()) width = monitor.Width() * 2 / 3;

  int left;
  if (span == 0) {
    left = button.left + clickX - width + 3;
  } else {
    double t = (b - range.minimum) * (width - 7) / span - clickX + 4;
    if (b < span / 2 + 1) t -= 1;
    left = button.left - static_cast<int>(t);
  }
  int top = button.bottom + 2;

  SliderPlacement placement;
  const int keptLeft = std::max(workArea.left, std::min(left, workArea.right - width));
  const int keptTop = std::max(workArea.top, std::min(top, workArea.bottom - kSliderHeight));
  placement.pointerShift = {keptLeft - left, keptTop - top};
  placement.rect = {keptLeft, keptTop, keptLeft + width, keptTop + kSliderHeight};
  return placement;
}

Rect SliderTrack(int width, int height) {
  return {kSliderInset, kSliderInset, width - kSliderInset, height - kSliderInset};
}

double SliderValueAt(int x, const Rect& track, const SliderRange& range, bool wholeNumbers) {
  const int width = track.Width();
  double v = range.minimum;
  if (width > 0) {
    const double f = static_cast<double>(x - track.left) / width;
    if (range.scale == NumericScale::kLogarithmic && range.minimum > 0 && range.maximum > 0) {
      v = std::exp(std::log(range.minimum) + (std::log(range.maximum) - std::log(range.minimum)) * f);
    } else {
      v = range.minimum + f * (range.maximum - range.minimum);
    }
  }
  v = std::max(range.minimum, std::min(range.maximum, v));
  if (wholeNumbers) {
    double whole = std::trunc(v);
    if (whole < range.minimum) whole += 1;
    v = whole;
  }
  return v;
}

int SliderThumbX(double value, const Rect& track, const SliderRange& range) {
  const int width = track.Width();
  const double span = range.maximum - range.minimum;
  if (range.scale == NumericScale::kLogarithmic && range.minimum > 0 && value > 0 && range.maximum > range.minimum) {
    return static_cast<int>((std::log(value) - std::log(range.minimum)) /
                                (std::log(range.maximum) - std::log(range.minimum)) * width +
                            track.left);
  }
  int r = span == 0 ? track.left : static_cast<int>((value - range.minimum) * width / span + track.left) + 4;
  r = std::max(track.left, std::min(track.right, r));
  // Right of the middle the thumb is drawn a little inward, so it stays on
  // the track at the maximum.
  if (r > (track.left + track.right) / 2 && track.right > 0) r = static_cast<int>(r - r * 5.0 / track.right);
  return r;
}

}  // namespace ui
