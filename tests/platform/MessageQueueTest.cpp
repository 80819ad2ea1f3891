#include "platform/MessageQueue.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(MessageQueueTest, TakesMessagesByNumberInPostingOrder) {
  platform::MessageQueue queue;
  ASSERT_NE(nullptr, queue.Handle());
  ASSERT_TRUE(platform::PostWindowMessage(queue.Handle(), 1725, 1, 10));
  ASSERT_TRUE(platform::PostWindowMessage(queue.Handle(), 1794, 0, 0));
  ASSERT_TRUE(platform::PostWindowMessage(queue.Handle(), 1725, 2, 20));

  platform::WindowMessage m;
  ASSERT_TRUE(queue.PeekRemove(1794, 1795, &m));
  EXPECT_EQ(1794u, m.id);
  EXPECT_FALSE(queue.PeekRemove(1794, 1795, &m));
  ASSERT_TRUE(queue.PeekRemove(1725, 1725, &m));
  EXPECT_EQ(10, m.lParam);
  ASSERT_TRUE(queue.PeekRemove(1725, 1725, &m));
  EXPECT_EQ(2u, m.wParam);
  EXPECT_FALSE(queue.PeekRemove(0, 0xFFFF, &m));
  EXPECT_FALSE(platform::PostWindowMessage(nullptr, 1725, 0, 0));
}

TEST(MessageQueueTest, WaitReturnsWhatAnotherThreadPosts) {
  platform::MessageQueue queue;
  platform::WindowMessage m;
  EXPECT_FALSE(queue.Wait(1794, 1795, &m, 10));
  std::thread worker([handle = queue.Handle()] {
    for (int i = 0; i < 100; ++i) platform::PostWindowMessage(handle, 1725, 0, i);
    platform::PostWindowMessage(handle, 1795, 0, 0);
  });
  ASSERT_TRUE(queue.Wait(1794, 1795, &m));
  EXPECT_EQ(1795u, m.id);
  worker.join();
  int progress = 0;
  while (queue.PeekRemove(1725, 1725, &m)) ++progress;
  EXPECT_EQ(100, progress);
}

}  // namespace
