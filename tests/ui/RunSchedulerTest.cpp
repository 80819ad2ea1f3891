#include "ui/RunScheduler.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using ui::CRunScheduler;

// A fake clock: the timer fires when the test advances time past it.
class FakeTimer : public ui::IRunTimer {
 public:
  void StartTimer(int milliseconds) override { m_due = m_now + milliseconds; }
  void KillTimer() override { m_due = -1; }
  // Advances the clock in 1 ms ticks, firing the timer on the way.
  void Advance(int milliseconds, CRunScheduler& scheduler) {
    for (int i = 0; i < milliseconds; ++i) {
      ++m_now;
      if (m_due >= 0 && m_now >= m_due) {
        m_due = -1;
        scheduler.OnTimer();
      }
    }
  }
  int Now() const { return m_now; }

 private:
  int m_now = 0;
  int m_due = -1;
};

// A command whose worker runs until the test finishes it.
class FakeTarget : public ui::IRunTarget {
 public:
  bool CanRun() const override { return canRun; }
  bool IsBusy() const override { return busy; }
  void StopAndWait() override {
    ++stops;
    if (busy) queued.push_back(current);  // a stopped worker posts its failure
    busy = false;
  }
  void DropRunMessages() override { queued.clear(); }
  bool StartRun(unsigned run) override {
    EXPECT_FALSE(busy) << "a run started while the previous one was still going";
    starts.push_back(run);
    startTimes.push_back(clock != nullptr ? clock->Now() : 0);
    current = run;
    busy = true;
    return true;
  }
  // The worker ends and posts its done message.
  void Finish() {
    busy = false;
    queued.push_back(current);
  }

  bool canRun = true;
  bool busy = false;
  unsigned current = 0;
  int stops = 0;
  std::vector<unsigned> starts;
  std::vector<int> startTimes;
  std::vector<unsigned> queued;  // run numbers of messages waiting in the queue
  const FakeTimer* clock = nullptr;
};

struct Fixture {
  FakeTimer timer;
  FakeTarget target;
  CRunScheduler scheduler{timer, target};
  Fixture() { target.clock = &timer; }
};

TEST(RunSchedulerTest, ABurstOfRequestsEndsInOneRun50MsAfterTheLast) {
  Fixture f;
  for (int i = 0; i < 10; ++i) {
    f.scheduler.Request(true);
    f.timer.Advance(10, f.scheduler);
  }
  EXPECT_TRUE(f.target.starts.empty());  // 10 ms after the last request
  f.timer.Advance(39, f.scheduler);
  EXPECT_TRUE(f.target.starts.empty());
  f.timer.Advance(1, f.scheduler);
  ASSERT_EQ(1u, f.target.starts.size());
  EXPECT_EQ(90 + 50, f.target.startTimes[0]);
  f.timer.Advance(500, f.scheduler);
  EXPECT_EQ(1u, f.target.starts.size());
}

TEST(RunSchedulerTest, AnImmediateRequestStopsTheRunningJobAndStartsANewOne) {
  Fixture f;
  f.scheduler.Request(false);
  ASSERT_EQ(1u, f.target.starts.size());
  f.scheduler.Request(true);  // pending, then overtaken
  f.scheduler.Request(false);
  EXPECT_EQ(2u, f.target.starts.size());
  EXPECT_EQ(1, f.target.stops);
  EXPECT_FALSE(f.scheduler.TimerPending());
  f.timer.Advance(100, f.scheduler);
  EXPECT_EQ(2u, f.target.starts.size());
}

// The done message of a stopped run can be waiting when the next run is
// started: it must not hand over the output the new worker is writing.
TEST(RunSchedulerTest, OnlyTheCurrentRunsResultIsAccepted) {
  Fixture f;
  f.scheduler.Request(false);
  const unsigned first = f.scheduler.CurrentRun();
  f.target.Finish();  // done posted, not yet read
  f.scheduler.Request(false);  // the next run starts before it is read
  const unsigned second = f.scheduler.CurrentRun();
  EXPECT_NE(first, second);
  EXPECT_TRUE(f.target.queued.empty()) << "messages of the replaced run were left in the queue";
  EXPECT_FALSE(f.scheduler.AcceptDone(first));
  EXPECT_FALSE(f.scheduler.AcceptProgress(first));
  EXPECT_FALSE(f.scheduler.AcceptDone(second)) << "accepted while the worker is still busy";
  f.target.Finish();
  EXPECT_TRUE(f.scheduler.AcceptDone(second));
  EXPECT_FALSE(f.scheduler.AcceptDone(second)) << "a result is handed over once";
  EXPECT_FALSE(f.scheduler.Running());
}

TEST(RunSchedulerTest, CancelStopsARunFirstAndEndsTheDialogSecond) {
  Fixture f;
  f.scheduler.Request(false);
  const unsigned run = f.scheduler.CurrentRun();
  EXPECT_EQ(CRunScheduler::CancelAction::kStoppedRun, f.scheduler.Cancel());
  EXPECT_FALSE(f.target.busy);
  EXPECT_FALSE(f.scheduler.AcceptFailed(run));  // its failure message is stale
  EXPECT_EQ(CRunScheduler::CancelAction::kEndDialog, f.scheduler.Cancel());
  // A pending debounced run does not keep the dialog open, and never starts.
  f.scheduler.Request(true);
  EXPECT_EQ(CRunScheduler::CancelAction::kEndDialog, f.scheduler.Cancel());
  f.timer.Advance(100, f.scheduler);
  EXPECT_EQ(1u, f.target.starts.size());
}

TEST(RunSchedulerTest, NoRunStartsWithoutATemplate) {
  Fixture f;
  f.target.canRun = false;
  f.scheduler.Request(false);
  f.scheduler.Request(true);
  f.timer.Advance(60, f.scheduler);
  EXPECT_TRUE(f.target.starts.empty());
  EXPECT_FALSE(f.scheduler.Running());
  f.target.canRun = true;
  f.scheduler.Request(false);
  EXPECT_EQ(1u, f.target.starts.size());
}

TEST(RunSchedulerTest, AFailedRunIsReportedOnce) {
  Fixture f;
  f.scheduler.Request(false);
  const unsigned run = f.scheduler.CurrentRun();
  f.target.busy = false;
  EXPECT_TRUE(f.scheduler.AcceptProgress(run));
  EXPECT_TRUE(f.scheduler.AcceptFailed(run));
  EXPECT_FALSE(f.scheduler.AcceptFailed(run));
  EXPECT_FALSE(f.scheduler.AcceptProgress(run));
}

}  // namespace
