// The relay's dice: one datagram's fate from five draws.
#include "impairment.h"

#include <algorithm>

namespace netrelay {
namespace {

// How far a reordered datagram falls behind: past any jitter, and noticeably.
uint32_t HoldBackMs(const Impairment& impairment) {
  return std::max<uint32_t>(20, 2 * impairment.jitterMs);
}

}  // namespace

Fate ImpairmentDice::Next() {
  const double lossDraw = Chance();
  const double duplicateDraw = Chance();
  const double reorderDraw = Chance();
  Fate fate;
  fate.delayMs[0] = Delay();
  fate.delayMs[1] = Delay();
  fate.dropped = lossDraw < impairment_.loss;
  fate.duplicated = !fate.dropped && duplicateDraw < impairment_.duplicate;
  fate.reordered = !fate.dropped && reorderDraw < impairment_.reorder;
  if (fate.reordered) fate.delayMs[0] += HoldBackMs(impairment_);
  return fate;
}

double ImpairmentDice::Chance() { return static_cast<double>(random_() >> 11) * 0x1.0p-53; }

uint32_t ImpairmentDice::Delay() {
  // delay - jitter .. delay + jitter, evenly (the modulo's bias is below 2^-40).
  const uint64_t spread = uint64_t{2} * impairment_.jitterMs + 1;
  const int64_t offset = static_cast<int64_t>(random_() % spread) - impairment_.jitterMs;
  return static_cast<uint32_t>(std::max<int64_t>(0, int64_t{impairment_.delayMs} + offset));
}

}  // namespace netrelay
