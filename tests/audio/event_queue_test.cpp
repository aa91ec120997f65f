// The event queue between the frame step and the audio thread.
#include "audio/event_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace audio {
namespace {

Event Numbered(size_t n) {
  Event e;
  e.postedAt = static_cast<int64_t>(n);
  return e;
}

TEST(EventQueueTest, KeepsOrderAndDropsWhatDoesNotFit) {
  EventQueue queue;
  for (size_t n = 0; n < EventQueue::CAPACITY; ++n) ASSERT_TRUE(queue.Push(Numbered(n)));
  EXPECT_FALSE(queue.Push(Numbered(999)));
  Event e;
  for (size_t n = 0; n < EventQueue::CAPACITY; ++n) {
    ASSERT_TRUE(queue.Pop(e));
    EXPECT_EQ(e.postedAt, int64_t(n));
  }
  EXPECT_FALSE(queue.Pop(e));
  // Room again after the wrap.
  EXPECT_TRUE(queue.Push(Numbered(7)));
  ASSERT_TRUE(queue.Pop(e));
  EXPECT_EQ(e.postedAt, 7);
}

// A producer and a consumer on two threads, the producer trying again when the
// queue is full: every event arrives, once, in order (run under ThreadSanitizer too).
TEST(EventQueueTest, OneProducerAndOneConsumerOnTwoThreads) {
  static EventQueue queue;
  constexpr size_t COUNT = 200000;
  std::atomic<bool> done{false};
  std::thread producer([&] {
    for (size_t n = 0; n < COUNT; ++n) {
      while (!queue.Push(Numbered(n))) std::this_thread::yield();
    }
    done.store(true, std::memory_order_release);
  });
  std::vector<size_t> received;
  Event e;
  for (;;) {
    const bool finished = done.load(std::memory_order_acquire);
    while (queue.Pop(e)) received.push_back(static_cast<size_t>(e.postedAt));
    if (finished) break;
    std::this_thread::yield();
  }
  producer.join();
  ASSERT_EQ(received.size(), COUNT);
  for (size_t n = 0; n < COUNT; ++n) ASSERT_EQ(received[n], n);
}

}  // namespace
}  // namespace audio
