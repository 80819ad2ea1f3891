// Smooth wheel scrolling: step sizes and the speed-up.

#include "ui/SmoothWheel.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(SmoothWheelTest, FirstStepByCellHeight) {
  EXPECT_EQ(1, ui::WheelStepFor(95));
  EXPECT_EQ(1, ui::WheelStepFor(100));
  EXPECT_EQ(3, ui::WheelStepFor(101));
  EXPECT_EQ(3, ui::WheelStepFor(200));
  EXPECT_EQ(5, ui::WheelStepFor(201));
}

// The steps of a wheel delta when each step takes `msPerStep`.
std::vector<int> Steps(int delta, int cellHeight, double msPerStep) {
  ui::CSmoothWheel wheel(delta, cellHeight);
  std::vector<int> steps;
  double elapsed = 0;
  while (!wheel.Done() && steps.size() < 1000) {
    steps.push_back(wheel.NextStep(elapsed));
    elapsed += msPerStep;
  }
  return steps;
}

TEST(SmoothWheelTest, ANotchWithNinetyFivePixelCellsGoesInOnePixelStepsWhenFast) {
  // 1 ms a step: 120 ms for the notch, no reason to speed up.
  const std::vector<int> steps = Steps(-120, 95, 1);
  EXPECT_EQ(120u, steps.size());
  for (int s : steps) EXPECT_EQ(1, s);
}

TEST(SmoothWheelTest, SpeedsUpAfterThirtyMillisecondsWhenItWouldTakeOverASecond) {
  // 10 ms a step: the notch would take 1.2 s at one pixel a step.
  const std::vector<int> steps = Steps(120, 95, 10);
  int total = 0;
  for (int s : steps) {
    EXPECT_LT(s, 0);  // a positive delta scrolls up
    total -= s;
  }
  EXPECT_EQ(120, total);
  // One pixel while under 30 ms, then growing steps.
  EXPECT_EQ(-1, steps[0]);
  EXPECT_EQ(-1, steps[3]);
  EXPECT_EQ(-2, steps[4]);
  // ...so that the notch ends within the second.
  EXPECT_LT(steps.size() * 10, 1000u);
}

TEST(SmoothWheelTest, EndsExactlyAtTheDelta) {
  for (int delta : {-120, 120, -360, 7}) {
    int total = 0;
    for (int s : Steps(delta, 250, 20)) total += s;
    EXPECT_EQ(-delta, total) << delta;
  }
}

}  // namespace
