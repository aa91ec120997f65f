// A bounded single-producer, single-consumer queue of sound events, free of
// locks and allocation: the frame step pushes, the audio thread pops.
//
//   audio::EventQueue queue;
//   queue.Push(event);                    // false (event dropped) when full
//   while (queue.Pop(event)) Handle(event);
//
// One thread at a time pushes (the frame steps, which never overlap, and start-up
// before the frame clock runs) and one thread pops. Neither ever waits.
#pragma once
#include <array>
#include <atomic>
#include <cstddef>

#include "audio/events.h"

namespace audio {

class EventQueue {
 public:
  static constexpr size_t CAPACITY = 256;  // a power of two

  bool Push(const Event& event) {
    const size_t tail = tail_.load(std::memory_order_relaxed);
    if (tail - head_.load(std::memory_order_acquire) == CAPACITY) return false;
    slots_[tail % CAPACITY] = event;
    tail_.store(tail + 1, std::memory_order_release);
    return true;
  }

  bool Pop(Event& event) {
    const size_t head = head_.load(std::memory_order_relaxed);
    if (head == tail_.load(std::memory_order_acquire)) return false;
    event = slots_[head % CAPACITY];
    head_.store(head + 1, std::memory_order_release);
    return true;
  }

 private:
  std::array<Event, CAPACITY> slots_{};
  alignas(64) std::atomic<size_t> head_{0};  // next to pop; written by the consumer
  alignas(64) std::atomic<size_t> tail_{0};  // next to fill; written by the producer
};

}  // namespace audio
