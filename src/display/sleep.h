// Sleeping, with the key-press flag able to end long sleeps early.
#pragma once
#include <cstdint>

namespace display {

// n = -1: wait for a key press (checked every 50 ms). 1..99: one sleep of n ms.
// >= 100: 50 ms slices, checking the key-press flag before each, then the last
// 1..50 ms. 0 or other negatives: return at once. Holds no lock while sleeping.
void SleepMs(int32_t milliseconds);

}  // namespace display
