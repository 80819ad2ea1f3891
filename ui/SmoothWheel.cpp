#include "ui/SmoothWheel.h"

#include <algorithm>
#include <cstdlib>

namespace ui {

int WheelStepFor(int cellHeight) {
  if (cellHeight > 200) return 5;
  if (cellHeight <= 100) return 1;
  return 3;
}

CSmoothWheel::CSmoothWheel(int delta, int cellHeight)
    : m_total(std::abs(delta)), m_direction(delta > 0 ? -1 : 1), m_step(WheelStepFor(cellHeight)) {}

int CSmoothWheel::NextStep(double elapsedMs) {
  if (Done()) return 0;
  // After the first step: too slow for a second a notch, one pixel more.
  if (m_scrolled > 0 && elapsedMs > 30 && m_total * elapsedMs / m_scrolled > 1000) ++m_step;
  const int step = std::min(m_step, m_total - m_scrolled);
  m_scrolled += step;
  return step * m_direction;
}

}  // namespace ui
