#pragma once
// Progress and cancellation of one command run.
//
// The engine calls Step(n) once per row; Step reaches the callbacks at most
// once per 0.2 s of a monotonic clock, so a fast run costs nothing and the
// position callback (which posts a message to the dialog) is not flooded.
// Step is the only way a running engine learns that it is to stop: a nonzero
// answer means abort.
//
// The clock is replaceable so tests can drive the throttle without sleeping.

#include <cstdint>

class CProgress {
 public:
  using Callback = int (*)(CProgress* progress);
  using ClockFunction = double (*)();

  static constexpr double kMinStepInterval = 0.2;  // seconds between accepted steps

  CProgress();

  // Back to the state of a new object (callbacks, owner and clock included).
  void Reset();

  void SetTotal(std::int64_t total) { m_total = total; }
  // Nonzero: the run is to stop.
  int Step(std::int64_t n);

  void SetOwner(void* owner) { m_owner = owner; }
  void* Owner() const { return m_owner; }
  void SetNoAbort(bool noAbort) { m_noAbort = noAbort; }
  void SetReportPosition(bool report) { m_reportPosition = report; }
  void SetRange(double range) {
    m_range = range;
    m_rangeInt = static_cast<std::int64_t>(range);
  }
  void SetOffset(std::int64_t offset) { m_offset = offset; }
  void SetPositionCallback(Callback callback) { m_positionCallback = callback; }
  void SetAbortCallback(Callback callback) { m_abortCallback = callback; }
  // Null restores the platform's monotonic clock.
  void SetClock(ClockFunction clock);

  std::int64_t Total() const { return m_total; }
  std::int64_t Current() const { return m_current; }
  std::uint64_t Position() const { return m_position; }
  double LastStepTime() const { return m_lastTime; }

 private:
  void* m_owner;
  bool m_noAbort;
  bool m_reportPosition;
  double m_lastTime;
  double m_range;
  std::int64_t m_rangeInt;
  std::int64_t m_total;
  std::int64_t m_current;
  std::int64_t m_offset;
  std::uint64_t m_position;
  Callback m_positionCallback;
  Callback m_abortCallback;
  ClockFunction m_clock;
};
