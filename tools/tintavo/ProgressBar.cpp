#include "tools/tintavo/ProgressBar.h"

#include "platform/Console.h"

ProgressBar::ProgressBar(const char* label) : m_label(label), m_enabled(platform::IsTerminal(stderr)) {}

ProgressBar::~ProgressBar() { Finish(); }

void ProgressBar::Show(int percent) {
  if (!m_enabled) return;
  percent = percent < 0 ? 0 : percent > 100 ? 100 : percent;
  if (percent == m_last) return;
  m_last = percent;
  constexpr int kWidth = 40;
  char bar[kWidth + 1];
  const int filled = percent * kWidth / 100;
  for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '.';
  bar[kWidth] = '\0';
  std::fprintf(stderr, "\r%s [%s] %3d%%", m_label, bar, percent);
  std::fflush(stderr);
  m_drawn = true;
}

void ProgressBar::Finish() {
  if (m_drawn) {
    std::fprintf(stderr, "\n");
    std::fflush(stderr);
  }
  m_drawn = false;
}
