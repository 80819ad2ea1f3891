#pragma once
// Where a numeric field's slider popup opens, where its thumb is drawn and
// which value a pointer position means.
//
// The popup is a strip 20 pixels high under the drop-down button, placed so
// that the thumb lies under the pointer that pressed the button (the user
// can drag at once), then kept inside the monitor's work area - the pointer
// moves by the same shift so it stays over the thumb.  Its track is the
// client area inset by 3 pixels.

#include "ui/Geometry.h"
#include "ui/NumericField.h"

namespace ui {

constexpr int kSliderHeight = 20;
constexpr int kSliderDefaultWidth = 100;
constexpr int kSliderInset = 3;

struct SliderRange {
  double minimum = 0;
  double maximum = 100;
  NumericScale scale = NumericScale::kLinear;
};

struct SliderPlacement {
  Rect rect;           // the popup in screen coordinates
  Point pointerShift;  // how far the pointer moves with it
};

// The popup for value `value`, opened by a click `clickX` pixels inside the
// drop-down button whose screen rectangle is `button`.  `sliderWidth` is the
// field's slider width (-1 or less: the default); `monitor` the monitor's
// rectangle and `workArea` its work area.
SliderPlacement PlaceSlider(const Rect& button, int clickX, double value, const SliderRange& range, int sliderWidth,
                            const Rect& monitor, const Rect& workArea);

// The track of a popup whose client area is `width` by `height`.
Rect SliderTrack(int width, int height);

// The value at client x `x` on `track`; with `wholeNumbers` (Ctrl held) its
// integer part, one more when that lies below the minimum.
double SliderValueAt(int x, const Rect& track, const SliderRange& range, bool wholeNumbers);

// The thumb's x for `value` on `track`.
int SliderThumbX(double value, const Rect& track, const SliderRange& range);

}  // namespace ui
