#include "tools/tintavo/Reporter.h"

#include <cstdio>

#include "platform/Console.h"

namespace {

constexpr int kBarWidth = 30;
constexpr std::size_t kMaxLine = 79;

}  // namespace

Reporter& Reporter::Get() {
  static Reporter s_reporter;
  return s_reporter;
}

Reporter::Reporter() : m_terminal(platform::IsTerminal(stderr)) {}

void Reporter::SetQuiet(bool quiet) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_quiet = quiet;
}

bool Reporter::IsQuiet() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_quiet;
}

void Reporter::ClearBar() {
  if (m_drawn == 0) return;
  std::fprintf(stderr, "\r%*s\r", static_cast<int>(m_drawn), "");
  m_drawn = 0;
  m_percent = -1;
}

void Reporter::Line(const std::string& text) {
  std::lock_guard<std::mutex> lock(m_lock);
  ClearBar();
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
}

void Reporter::Error(const std::string& text) { Line("tintavo: " + text); }

void Reporter::Warning(const std::string& text) { Line("tintavo: warning: " + text); }

void Reporter::Note(const std::string& text) {
  if (IsQuiet()) return;
  Line("tintavo: note: " + text);
}

void Reporter::Progress(int percent, const std::string& label) {
  std::lock_guard<std::mutex> lock(m_lock);
  if (m_quiet || !m_terminal) return;
  percent = percent < 0 ? 0 : percent > 100 ? 100 : percent;
  if (percent == m_percent && label == m_label && m_drawn != 0) return;
  m_percent = percent;
  m_label = label;
  std::string line = "[";
  const int filled = percent * kBarWidth / 100;
  for (int i = 0; i < kBarWidth; ++i) line += i < filled ? '#' : '.';
  line += "] " + std::to_string(percent) + "% " + label;
  if (line.size() > kMaxLine) line.resize(kMaxLine);
  const std::size_t previous = m_drawn;
  std::fprintf(stderr, "\r%s", line.c_str());
  // Blanks over what a longer previous line left.
  if (previous > line.size()) std::fprintf(stderr, "%*s", static_cast<int>(previous - line.size()), "");
  std::fflush(stderr);
  m_drawn = line.size() > previous ? line.size() : previous;
}

void Reporter::EndProgress() {
  std::lock_guard<std::mutex> lock(m_lock);
  if (m_drawn == 0) return;
  std::fprintf(stderr, "\n");
  std::fflush(stderr);
  m_drawn = 0;
  m_percent = -1;
}
