#include "transfer/Progress.h"

#include "platform/Clock.h"

CProgress::CProgress() { Reset(); }

void CProgress::Reset() {
  m_owner = nullptr;
  m_noAbort = false;
  m_reportPosition = true;
  m_lastTime = 0.0;
  m_range = 100.0;
  m_rangeInt = 100;
  m_total = 100;
  m_current = 0;
  m_offset = 0;
  m_position = 0;
  m_positionCallback = nullptr;
  m_abortCallback = nullptr;
  m_clock = &platform::MonotonicSeconds;
}

void CProgress::SetClock(ClockFunction clock) { m_clock = clock != nullptr ? clock : &platform::MonotonicSeconds; }

int CProgress::Step(std::int64_t n) {
  const double now = m_clock();
  if (now - m_lastTime < kMinStepInterval) return 0;
  m_lastTime = now;
  m_current = n;

  if (m_reportPosition && m_positionCallback != nullptr) {
    std::uint64_t position = 0;
    if (m_total != 0) {
      position = static_cast<std::uint64_t>(m_rangeInt) * static_cast<std::uint64_t>(n) /
                     static_cast<std::uint64_t>(m_total) +
                 static_cast<std::uint64_t>(m_offset);
    }
    const std::uint64_t previous = m_position;
    m_position = position;
    if (position != previous) {
      const int answer = m_positionCallback(this);
      return m_noAbort ? 0 : answer;
    }
  }
  if (m_noAbort) return 0;
  if (m_abortCallback != nullptr) return m_abortCallback(this) != 0 ? 1 : 0;
  return 0;
}
