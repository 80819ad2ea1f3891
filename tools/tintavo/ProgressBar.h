#pragma once
// A one-line progress bar on stderr, drawn only when stderr is a terminal.

#include <cstdio>

class ProgressBar {
 public:
  explicit ProgressBar(const char* label);
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  // 0-100.
  void Show(int percent);
  // Ends the line (the bar stays at its last value).
  void Finish();

 private:
  const char* m_label;
  bool m_enabled;
  bool m_drawn = false;
  int m_last = -1;
};
