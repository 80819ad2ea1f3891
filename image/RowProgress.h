#pragma once
// The progress object that long image operations report to: told the
// total first, asked once per step whether to go on.  Image code only needs
// this much of a command's progress object; CProgressAdapter lends it any
// object with SetTotal and Step (such as the command run's CProgress).

#include <cstdint>

class IRowProgress {
 public:
  virtual ~IRowProgress() = default;
  virtual void SetTotal(std::int64_t total) = 0;
  // Nonzero: the operation is to stop.
  virtual int Step(std::int64_t step) = 0;
};

template <class Progress>
class CProgressAdapter final : public IRowProgress {
 public:
  explicit CProgressAdapter(Progress& progress) : m_progress(progress) {}
  void SetTotal(std::int64_t total) override { m_progress.SetTotal(total); }
  int Step(std::int64_t step) override { return m_progress.Step(step); }

 private:
  Progress& m_progress;
};
