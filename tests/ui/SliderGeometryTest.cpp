#include "ui/SliderGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

using ui::Rect;
using ui::SliderRange;

const Rect kMonitor{0, 0, 1280, 1024};
const Rect kWork{0, 0, 1280, 994};  // a task bar at the bottom
const SliderRange kPercent{-100, 100, ui::NumericScale::kLinear};

// The drop-down button of a field, 15 by 17 pixels, at (x, y) on the screen.
Rect Button(int x, int y) { return {x, y, x + 15, y + 17}; }

TEST(SliderGeometryTest, OpensUnderTheButtonWithTheThumbUnderThePointer) {
  for (double value : {-100.0, -40.0, 0.0, 33.0, 100.0}) {
    for (int clickX : {2, 7, 13}) {
      SCOPED_TRACE(testing::Message() << "value " << value << " click " << clickX);
      const Rect button = Button(600, 300);
      const ui::SliderPlacement p = ui::PlaceSlider(button, clickX, value, kPercent, -1, kMonitor, kWork);
      EXPECT_EQ(p.rect.top, button.bottom + 2);
      EXPECT_EQ(p.rect.Height(), ui::kSliderHeight);
      EXPECT_EQ(p.rect.Width(), ui::kSliderDefaultWidth + 7);
      EXPECT_EQ(p.pointerShift, ui::Point{});
      // The pointer, in the popup's client coordinates, lies on the thumb
      // (9 pixels wide).
      const int pointer = button.left + clickX - p.rect.left;
      const int thumb = ui::SliderThumbX(value, ui::SliderTrack(p.rect.Width(), p.rect.Height()), kPercent);
      EXPECT_LE(std::abs(pointer - thumb), 4) << "pointer " << pointer << " thumb " << thumb;
    }
  }
}

TEST(SliderGeometryTest, IsKeptInsideTheWorkAreaAndTakesThePointerAlong) {
  struct Case {
    const char* name;
    Rect button;
    double value;
    Rect expected;
    ui::Point shift;
  };
  // At value 100 the popup would open to the left of the button, at -100 to
  // its right; at the bottom it would cover the task bar.
  const Case cases[] = {
      {"right edge", Button(1270, 300), -100, {1173, 319, 1280, 339}, {-101, 0}},
      {"left edge", Button(0, 300), 100, {0, 319, 107, 339}, {96, 0}},
      {"bottom edge", Button(600, 980), 0, {554, 974, 661, 994}, {0, -25}},
      {"inside", Button(600, 300), 0, {554, 319, 661, 339}, {0, 0}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    const ui::SliderPlacement p = ui::PlaceSlider(k.button, 7, k.value, kPercent, -1, kMonitor, kWork);
    EXPECT_EQ(p.rect, k.expected) << p.rect.left << "," << p.rect.top << "," << p.rect.right << "," << p.rect.bottom;
    EXPECT_EQ(p.pointerShift, k.shift) << p.pointerShift.x << "," << p.pointerShift.y;
    EXPECT_GE(p.rect.left, kWork.left);
    EXPECT_LE(p.rect.right, kWork.right);
    EXPECT_LE(p.rect.bottom, kWork.bottom);
  }
}

TEST(SliderGeometryTest, AMonitorNarrowerThanTheSliderGetsTwoThirdsOfItsWidth) {
  const Rect small{0, 0, 90, 200};
  const ui::SliderPlacement p = ui::PlaceSlider(Button(10, 10), 7, 0, kPercent, -1, small, small);
  EXPECT_EQ(p.rect.Width(), 60);
  EXPECT_GE(p.rect.left, 0);
  EXPECT_LE(p.rect.right, 90);
}

TEST(SliderGeometryTest, ThePointerSetsValuesAcrossTheTrackAndCtrlGivesWholeNumbers) {
  const Rect track = ui::SliderTrack(107, 20);
  EXPECT_EQ(track, (Rect{3, 3, 104, 17}));
  EXPECT_EQ(ui::SliderValueAt(track.left, track, kPercent, false), -100);
  EXPECT_EQ(ui::SliderValueAt(track.right, track, kPercent, false), 100);
  EXPECT_EQ(ui::SliderValueAt(-50, track, kPercent, false), -100);
  EXPECT_EQ(ui::SliderValueAt(500, track, kPercent, false), 100);
  int fractional = 0;
  for (int x = track.left; x <= track.right; ++x) {
    const double free = ui::SliderValueAt(x, track, kPercent, false);
    const double whole = ui::SliderValueAt(x, track, kPercent, true);
    if (free != std::trunc(free)) ++fractional;
    EXPECT_EQ(whole, std::trunc(free)) << x;
  }
  // Without Ctrl a 101-pixel track over 200 units lands between whole
  // numbers almost everywhere.
  EXPECT_GT(fractional, 50);
  // A whole number below the minimum is raised into the range.
  const SliderRange small{0.5, 3, ui::NumericScale::kLinear};
  EXPECT_EQ(ui::SliderValueAt(track.left + 2, track, small, true), 1);
}

TEST(SliderGeometryTest, ALogarithmicScaleSpreadsValuesByRatio) {
  const Rect track = ui::SliderTrack(107, 20);
  const SliderRange log{1, 100, ui::NumericScale::kLogarithmic};
  const double middle = ui::SliderValueAt((track.left + track.right) / 2, track, log, false);
  EXPECT_NEAR(middle, 10, 0.6);
  EXPECT_NEAR(ui::SliderThumbX(10, track, log), (track.left + track.right) / 2, 1);
}

}  // namespace
