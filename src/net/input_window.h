// The local keys not yet acknowledged by the other side, and the Input packet
// that repeats them all. Keys travel unreliably: each packet carries every
// unacknowledged frame, so one that arrives makes up for those lost before it.
//
//   net::InputSendWindow window(startFrame);
//   if (!window.Push(keys)) { /* 64 frames unacknowledged: wait for the other side */ }
//   transport.Send(net::Channel::Unreliable, net::Encode(window.Packet(received)).span());
//   window.Acknowledge(input.ack);   // from each Input the other side sends
//
// The window holds at most MAX_INPUT_FRAMES frames, what one packet can carry. A
// full window refuses new keys rather than forget old ones: a frame dropped
// unacknowledged would never reach the other side.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "net/protocol.h"

namespace net {

class InputSendWindow {
 public:
  explicit InputSendWindow(uint32_t firstFrame = 0) : first_(firstFrame) {}

  // Keys (TankKey bits) for the next frame, NextFrame(). False, and nothing kept,
  // when the window is full.
  bool Push(uint8_t keys);
  // The other side has every frame below `ack`. Older acks (reordered packets)
  // change nothing; one beyond what was sent counts as far as was sent.
  void Acknowledge(uint32_t ack);
  // An Input with every unacknowledged frame, telling the other side that its
  // frames below `received` have arrived.
  Input Packet(uint32_t received) const;

  uint32_t FirstUnacknowledged() const { return first_; }
  uint32_t NextFrame() const { return first_ + static_cast<uint32_t>(size_); }
  size_t Size() const { return size_; }
  bool Full() const { return size_ == MAX_INPUT_FRAMES; }

 private:
  std::array<uint8_t, MAX_INPUT_FRAMES> keys_ = {};  // a ring; keys_[start_] is frame first_
  size_t start_ = 0;
  size_t size_ = 0;
  uint32_t first_;
};

}  // namespace net
