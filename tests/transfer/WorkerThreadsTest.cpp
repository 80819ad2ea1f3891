#include "transfer/WorkerThreads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "transfer/RowBands.h"

namespace {

using transfer_detail::CWorkerThreads;
using transfer_detail::RunRowBands;

TEST(WorkerThreadsTest, EveryPartRunsOnceOnSomeWorker) {
  for (int threads : {1, 2, 4}) {
    SCOPED_TRACE(testing::Message() << threads << " threads");
    CWorkerThreads workers(threads);
    EXPECT_EQ(threads, workers.Count());
    // Two runs on the same threads: the helpers pick up the second one too.
    for (int parts : {1, 37, 200}) {
      std::vector<std::atomic<int>> runs(static_cast<std::size_t>(parts));
      std::atomic<int> badWorker{0};
      EXPECT_TRUE(workers.Run(parts, [&](int part, int worker) {
        runs[static_cast<std::size_t>(part)].fetch_add(1);
        if (worker < 0 || worker >= threads) badWorker.fetch_add(1);
      }));
      for (int part = 0; part < parts; ++part) ASSERT_EQ(1, runs[static_cast<std::size_t>(part)].load()) << part;
      EXPECT_EQ(0, badWorker.load());
    }
  }
}

// Progress is reported on the calling thread, once per finished part; an
// answer of false starts no further part.
TEST(WorkerThreadsTest, AfterPartRunsOnTheCallerAndCanStop) {
  CWorkerThreads workers(3);
  const std::thread::id caller = std::this_thread::get_id();
  std::atomic<int> started{0}, finished{0};
  int reports = 0, finishedAtStop = 0;
  bool elsewhere = false;
  const bool complete = workers.Run(
      1000,
      [&](int, int) {
        started.fetch_add(1);
        std::this_thread::yield();
        finished.fetch_add(1);
      },
      [&]() {
        elsewhere = elsewhere || std::this_thread::get_id() != caller;
        if (++reports < 5) return true;
        finishedAtStop = finished.load();
        return false;
      });
  EXPECT_FALSE(complete);
  EXPECT_FALSE(elsewhere);
  EXPECT_EQ(5, reports);
  // Parts already taken when the answer came still finish (at most one per
  // thread); no more start.
  EXPECT_LE(started.load(), finishedAtStop + workers.Count());

  // Without a stop every part is reported.
  reports = 0;
  EXPECT_TRUE(workers.Run(50, [](int, int) {}, [&]() { return ++reports > 0; }));
  EXPECT_EQ(50, reports);
}

TEST(WorkerThreadsTest, AnExceptionOfAnyPartReachesTheCaller) {
  CWorkerThreads workers(4);
  std::atomic<int> ran{0};
  // Parts that take a while: the failure comes long before the last one
  // could start.
  EXPECT_THROW(workers.Run(500,
                           [&](int part, int) {
                             ran.fetch_add(1);
                             if (part == 7) throw std::runtime_error("row failed");
                             std::this_thread::sleep_for(std::chrono::milliseconds(2));
                           }),
               std::runtime_error);
  EXPECT_LT(ran.load(), 500);
  // The threads are still there for the next run.
  std::atomic<int> after{0};
  EXPECT_TRUE(workers.Run(20, [&](int, int) { after.fetch_add(1); }));
  EXPECT_EQ(20, after.load());
}

TEST(WorkerThreadsTest, RowBandsCoverEveryRowOnce) {
  CWorkerThreads workers(3);
  for (int bandRows : {1, 4, 64}) {
    for (CWorkerThreads* pool : {static_cast<CWorkerThreads*>(nullptr), &workers}) {
      std::vector<std::atomic<int>> rows(101);
      RunRowBands(pool, 101, bandRows, [&](int y0, int y1, int) {
        EXPECT_LE(y1 - y0, bandRows);
        for (int y = y0; y < y1; ++y) rows[static_cast<std::size_t>(y)].fetch_add(1);
      });
      for (int y = 0; y < 101; ++y) ASSERT_EQ(1, rows[static_cast<std::size_t>(y)].load()) << y;
    }
  }
}

}  // namespace
