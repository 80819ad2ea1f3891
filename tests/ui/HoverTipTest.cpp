// When the grid's tooltip shows and hides, on a fake clock.

#include "ui/HoverTip.h"

#include <gtest/gtest.h>

namespace {

// Runs the tip with a timer that fires when the fake time passes it.
struct Driver {
  ui::CHoverTip tip;
  int now = 0;
  int due = -1;  // when timer 101 fires next
  int period = 0;
  bool visible = false;
  int shownAt = -1;
  std::string text;
  bool active = true;
  bool onHovered = true;

  void Apply(const ui::HoverActions& a) {
    if (a.killTimer) due = -1;
    if (a.setTimerMs > 0) {
      period = a.setTimerMs;
      due = now + period;
    }
    if (a.hideTip) visible = false;
    if (a.showTip) {
      visible = true;
      text = a.text;
      if (shownAt < 0) shownAt = now;
    }
  }
  void Move(int item) { Apply(tip.OnMove(item, active)); }
  void Advance(int ms) {
    for (int i = 0; i < ms; ++i) {
      ++now;
      if (due >= 0 && now >= due) {
        due = now + period;
        Apply(tip.OnTimer(active, onHovered, [](int item) { return "tip " + std::to_string(item); }));
      }
    }
  }
};

TEST(HoverTipTest, ShowsEightHundredMillisecondsAfterThePointerRests) {
  Driver d;
  d.Move(3);
  d.Advance(799);
  EXPECT_FALSE(d.visible);
  d.Advance(1);
  EXPECT_TRUE(d.visible);
  EXPECT_EQ("tip 3", d.text);
  EXPECT_EQ(700, d.period);  // then 700 ms ticks
  // Moving within the same item changes nothing.
  d.Move(3);
  d.Advance(5000);
  EXPECT_TRUE(d.visible);
}

TEST(HoverTipTest, MovingToAnotherItemStartsAgain) {
  Driver d;
  d.Move(3);
  d.Advance(900);
  d.Move(4);
  EXPECT_FALSE(d.visible);
  d.Advance(799);
  EXPECT_FALSE(d.visible);
  d.Advance(1);
  EXPECT_EQ("tip 4", d.text);
}

TEST(HoverTipTest, HidesWhenThePointerLeavesTheView) {
  Driver d;
  d.Move(2);
  d.Advance(800);
  ASSERT_TRUE(d.visible);
  d.active = false;
  d.Advance(700);
  EXPECT_FALSE(d.visible);
  EXPECT_EQ(-1, d.due);
  // Back over the view, on another item and then on the same one again.
  d.active = true;
  d.Move(3);
  d.Move(2);
  d.Advance(800);
  ASSERT_TRUE(d.visible);
  // Leaving the item (no item under the pointer) hides at once.
  d.Move(-1);
  EXPECT_FALSE(d.visible);
  EXPECT_EQ(-1, d.due);
}

TEST(HoverTipTest, HidesAfterAHundredTicksAndDoesNotComeBackOnTheSameItem) {
  Driver d;
  d.Move(1);
  d.Advance(800);
  ASSERT_TRUE(d.visible);
  d.Advance(700 * 99);
  EXPECT_TRUE(d.visible);
  d.Advance(700);  // the counter passes 9999
  EXPECT_FALSE(d.visible);
  d.Advance(5000);
  EXPECT_FALSE(d.visible);
}

TEST(HoverTipTest, NothingWhileInactiveOrOffTheItemOrWithoutText) {
  Driver d;
  d.active = false;
  d.Move(1);
  EXPECT_EQ(-1, d.due);  // a drag, or the pointer over another window: no timer
  d.active = true;
  d.onHovered = false;
  d.Move(1);
  d.Advance(3000);
  EXPECT_FALSE(d.visible);
  ui::CHoverTip tip;
  tip.OnMove(5, true);
  EXPECT_FALSE(tip.OnTimer(true, true, [](int) { return std::string(); }).showTip);
}

}  // namespace
