#pragma once
// The wall time of each step of one `apply`, printed to stderr when asked
// for (--timings).

#include <string>
#include <vector>

class StepTimes {
 public:
  explicit StepTimes(bool enabled);

  // Seconds since the last mark (or the start), recorded under `name`.
  double Mark(const std::string& name);
  // A step measured elsewhere, indented under the one before it.
  void Add(const std::string& name, double seconds, int indent);
  // Every step and the total, when enabled.
  void Print() const;

 private:
  struct Step {
    std::string name;
    double seconds;
    int indent;
  };
  bool m_enabled;
  double m_start;
  double m_last;
  std::vector<Step> m_steps;
};
