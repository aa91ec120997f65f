// The send window of local keys: a ring of at most MAX_INPUT_FRAMES frames.
#include "net/input_window.h"

#include <algorithm>

namespace net {

bool InputSendWindow::Push(uint8_t keys) {
  // Frame numbers end at UINT32_MAX; a window that reached it takes no more.
  if (Full() || NextFrame() < first_) return false;
  keys_[(start_ + size_) % MAX_INPUT_FRAMES] = keys & KEY_BITS_MASK;
  ++size_;
  return true;
}

void InputSendWindow::Acknowledge(uint32_t ack) {
  // Compared as distances from first_, so that numbers near the end of the range work.
  const uint32_t ahead = ack - first_;
  if (ahead > UINT32_MAX / 2) return;  // older than first_: a reordered packet
  const size_t dropped = std::min<size_t>(ahead, size_);
  start_ = (start_ + dropped) % MAX_INPUT_FRAMES;
  size_ -= dropped;
  first_ += static_cast<uint32_t>(dropped);
}

Input InputSendWindow::Packet(uint32_t received) const {
  Input packet;
  packet.first = first_;
  packet.count = static_cast<uint8_t>(size_);
  packet.ack = received;
  for (size_t i = 0; i < size_; ++i) packet.keys[i] = keys_[(start_ + i) % MAX_INPUT_FRAMES];
  return packet;
}

}  // namespace net
