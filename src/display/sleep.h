// Sleeping, with the key-press flag able to end long sleeps early.
#pragma once
#include <atomic>
#include <cstdint>

namespace display {

// n = -1: wait for a key press (checked every 50 ms). 1..99: one sleep of n ms.
// >= 100: 50 ms slices, checking the key-press flag before each, then the last
// 1..50 ms. 0 or other negatives: return at once. Holds no lock while sleeping.
void SleepMs(int32_t milliseconds);

// Sleeps while `flag` holds `value`, as a loop of SleepMs(1) would. On the
// headless virtual clock it is exactly that loop (the sleeps move the clock); on a
// real clock the thread is parked until the flag changes, so a long wait costs no
// CPU. Whoever changes the flag must call flag.notify_all() after the store.
void SleepWhile(const std::atomic<bool>& flag, bool value);

}  // namespace display
