#pragma once
// When the thumbnail grid shows an item's tooltip: 800 ms after the
// pointer comes to rest on an item, then checked every 700 ms until the
// pointer leaves the item or the view, or about 70 s have passed.
//
// The window reports pointer moves and timer ticks; the answers say what
// to do with timer 101 and the tooltip window.

#include <functional>
#include <string>

namespace ui {

constexpr int kHoverTimerId = 101;
constexpr int kHoverShowDelayMs = 800;
constexpr int kHoverTickMs = 700;

struct HoverActions {
  bool killTimer = false;
  int setTimerMs = 0;      // 0: leave the timer as it is
  bool hideTip = false;
  bool showTip = false;    // at the pointer, with `text`
  std::string text;
};

class CHoverTip {
 public:
  // The pointer moved (or the view scrolled): `item` under it (-1: none);
  // `active` when tooltips may show (the source has them, no drag runs, the
  // pointer is over the view or its tooltip).
  HoverActions OnMove(int item, bool active);
  // Timer 101.  `onHovered`: the pointer is over the view, on the hovered
  // item.  `textOf` gives an item's tooltip text.
  HoverActions OnTimer(bool active, bool onHovered, const std::function<std::string(int)>& textOf);

  int Hovered() const { return m_hovered; }
  int Shown() const { return m_shown; }
  bool TipVisible() const { return m_visible; }

 private:
  int m_hovered = -1;
  int m_shown = -1;  // the item whose tooltip was shown last
  bool m_visible = false;
  int m_ticks = 0;
};

}  // namespace ui
