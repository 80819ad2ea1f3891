#include "transfer/Progress.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/Clock.h"

namespace {

double g_now = 0.0;
double FakeClock() { return g_now; }

int g_positionCalls = 0;
int g_positionAnswer = 0;
int g_abortCalls = 0;
int g_abortAnswer = 0;
void* g_seenOwner = nullptr;

int OnPosition(CProgress* progress) {
  ++g_positionCalls;
  g_seenOwner = progress->Owner();
  return g_positionAnswer;
}

int OnAbortQuery(CProgress*) {
  ++g_abortCalls;
  return g_abortAnswer;
}

class ProgressTest : public testing::Test {
 protected:
  void SetUp() override {
    g_now = 0.0;
    g_positionCalls = g_abortCalls = 0;
    g_positionAnswer = g_abortAnswer = 0;
    g_seenOwner = nullptr;
    m_progress.SetClock(&FakeClock);
    m_progress.SetPositionCallback(&OnPosition);
    m_progress.SetAbortCallback(&OnAbortQuery);
  }
  CProgress m_progress;
};

TEST_F(ProgressTest, StepsWithinTheIntervalReachNoCallback) {
  m_progress.SetTotal(10);
  g_positionAnswer = 1;
  g_abortAnswer = 1;
  // The first step counts from time 0, as after a reset.
  for (double t : {0.0, 0.1, 0.199}) {
    g_now = t;
    EXPECT_EQ(0, m_progress.Step(5)) << t;
  }
  EXPECT_EQ(0, g_positionCalls + g_abortCalls);
  EXPECT_EQ(0, m_progress.Current());

  g_now = 0.25;
  EXPECT_EQ(1, m_progress.Step(5));
  EXPECT_EQ(1, g_positionCalls);
  // The interval counts from the last accepted step.
  g_now = 0.44;
  EXPECT_EQ(0, m_progress.Step(6));
  EXPECT_EQ(5, m_progress.Current());
  g_now = 0.46;
  EXPECT_EQ(1, m_progress.Step(6));
  EXPECT_EQ(2, g_positionCalls);
  EXPECT_EQ(6, m_progress.Current());
  EXPECT_DOUBLE_EQ(0.46, m_progress.LastStepTime());
}

TEST_F(ProgressTest, PositionCallbackOnlyWhenThePositionMoves) {
  int owner = 0;
  m_progress.SetOwner(&owner);
  m_progress.SetTotal(300);
  m_progress.SetOffset(4);
  g_positionAnswer = 9;
  g_abortAnswer = 3;

  g_now = 1.0;
  EXPECT_EQ(9, m_progress.Step(150));  // 100 * 150 / 300 + 4 = 54: new position
  EXPECT_EQ(54u, m_progress.Position());
  EXPECT_EQ(&owner, g_seenOwner);
  EXPECT_EQ(0, g_abortCalls);

  g_now = 2.0;
  EXPECT_EQ(1, m_progress.Step(151));  // still 54: the abort query answers, as 0 or 1
  EXPECT_EQ(1, g_positionCalls);
  EXPECT_EQ(1, g_abortCalls);

  g_now = 3.0;
  m_progress.SetRange(1000.9);  // the integer part of the range counts
  EXPECT_EQ(9, m_progress.Step(3));
  EXPECT_EQ(14u, m_progress.Position());

  g_now = 4.0;
  m_progress.SetTotal(0);  // no total: position 0
  EXPECT_EQ(9, m_progress.Step(3));
  EXPECT_EQ(0u, m_progress.Position());
}

TEST_F(ProgressTest, NoAbortFlagAndDisabledReporting) {
  m_progress.SetTotal(10);
  g_positionAnswer = 5;
  g_abortAnswer = 1;
  m_progress.SetNoAbort(true);
  g_now = 1.0;
  EXPECT_EQ(0, m_progress.Step(3));  // the callback still runs; its answer is dropped
  EXPECT_EQ(1, g_positionCalls);
  g_now = 2.0;
  EXPECT_EQ(0, m_progress.Step(3));
  EXPECT_EQ(0, g_abortCalls);

  m_progress.SetNoAbort(false);
  m_progress.SetReportPosition(false);
  g_now = 3.0;
  EXPECT_EQ(1, m_progress.Step(7));
  EXPECT_EQ(1, g_positionCalls);
  EXPECT_EQ(1, g_abortCalls);

  m_progress.SetAbortCallback(nullptr);
  g_now = 4.0;
  EXPECT_EQ(0, m_progress.Step(8));
}

TEST_F(ProgressTest, ResetRestoresTheInitialState) {
  m_progress.SetTotal(7);
  m_progress.SetRange(3);
  m_progress.SetNoAbort(true);
  g_now = 5.0;
  (void)m_progress.Step(2);
  m_progress.Reset();
  EXPECT_EQ(100, m_progress.Total());
  EXPECT_EQ(0, m_progress.Current());
  EXPECT_EQ(0u, m_progress.Position());
  EXPECT_EQ(0.0, m_progress.LastStepTime());
  EXPECT_EQ(nullptr, m_progress.Owner());
  // No callbacks after a reset, and the platform clock is back.
  EXPECT_EQ(0, m_progress.Step(50));
  EXPECT_EQ(0, g_positionCalls + g_abortCalls);
}

TEST(ClockTest, MonotonicSecondsStartNearZeroAndAdvance) {
  const double first = platform::MonotonicSeconds();
  EXPECT_GE(first, 0.0);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const double second = platform::MonotonicSeconds();
  EXPECT_GT(second, first + 0.01);
  EXPECT_LT(second - first, 5.0);
}

}  // namespace
