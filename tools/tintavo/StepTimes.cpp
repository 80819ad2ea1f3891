#include "tools/tintavo/StepTimes.h"

#include <cstdio>

#include "platform/Clock.h"

StepTimes::StepTimes(bool enabled)
    : m_enabled(enabled), m_start(platform::MonotonicSeconds()), m_last(m_start) {}

double StepTimes::Mark(const std::string& name) {
  const double now = platform::MonotonicSeconds();
  const double seconds = now - m_last;
  Add(name, seconds, 0);
  m_last = now;
  return seconds;
}

void StepTimes::Add(const std::string& name, double seconds, int indent) {
  if (m_enabled) m_steps.push_back({name, seconds, indent});
}

void StepTimes::Print() const {
  if (!m_enabled) return;
  std::fprintf(stderr, "tintavo apply: wall time of each step, in seconds\n");
  for (const Step& step : m_steps) {
    std::fprintf(stderr, "  %*s%-*s %8.3f\n", 2 * step.indent, "", 28 - 2 * step.indent, step.name.c_str(),
                 step.seconds);
  }
  std::fprintf(stderr, "  %-28s %8.3f\n", "total", platform::MonotonicSeconds() - m_start);
}
