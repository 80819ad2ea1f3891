#pragma once
// Smooth scrolling by the mouse wheel: one notch scrolls in small steps
// rather than one jump, and speeds up by a pixel per step whenever the
// notch would otherwise take more than a second to finish.

namespace ui {

// The first step: 5 pixels for cells above 200 pixels high, 1 for cells
// up to 100, else 3.
int WheelStepFor(int cellHeight);

class CSmoothWheel {
 public:
  // `delta` as the wheel message gives it (120 a notch; positive scrolls up).
  CSmoothWheel(int delta, int cellHeight);

  bool Done() const { return m_scrolled >= m_total; }
  // The next step in pixels, signed (negative: up), after `elapsedMs` since
  // the first step; 0 when done.  The last step ends exactly at the delta.
  int NextStep(double elapsedMs);
  int Step() const { return m_step; }

 private:
  int m_total;
  int m_direction;
  int m_step;
  int m_scrolled = 0;
};

}  // namespace ui
