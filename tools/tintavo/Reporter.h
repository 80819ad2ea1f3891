#pragma once
// The tool's one voice on stderr: its messages and its progress line.
//
// The threads of a batch report at the same time, and the progress line
// shares the terminal with the messages: every output goes through one lock,
// and a message first clears the line the bar is drawn on; the bar comes
// back with its next step.  The bar is drawn only when stderr is a terminal
// and the tool was not asked to be quiet; quiet also drops the notes (what
// is worth knowing but not a problem), never warnings or errors.

#include <mutex>
#include <string>

class Reporter {
 public:
  // The process's reporter.
  static Reporter& Get();

  void SetQuiet(bool quiet);
  bool IsQuiet() const;

  // A line as it is.
  void Line(const std::string& text);
  // "tintavo: <text>".
  void Error(const std::string& text);
  // "tintavo: warning: <text>".
  void Warning(const std::string& text);
  // "tintavo: note: <text>"; nothing when quiet.
  void Note(const std::string& text);

  // The progress line: a bar at `percent` (0-100) and a label.
  void Progress(int percent, const std::string& label);
  // Ends the progress line where it is (a new line after the bar).
  void EndProgress();

 private:
  Reporter();
  void ClearBar();  // with the lock held

  mutable std::mutex m_lock;
  bool m_quiet = false;
  bool m_terminal = false;
  std::size_t m_drawn = 0;  // characters of the bar on the line, 0 when none
  int m_percent = -1;
  std::string m_label;
};
