// SleepMs: plain sleeps, and 50 ms slices that a key press can end early.
#include "display/sleep.h"

#include <chrono>
#include <thread>

#include "display/runtime.h"
#include "display/screen_state.h"

namespace display {

namespace {

constexpr int32_t SLICE_MS = 50;

void PlatformSleep(int32_t ms) {
  if (Runtime* runtime = CurrentRuntime()) {
    RuntimeSleep(*runtime, ms);
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
}

bool KeyPressed() {
  Screen* screen = CurrentScreen();
  return screen != nullptr && TakeKeyPressFlag(*screen);
}

}  // namespace

void SleepMs(int32_t milliseconds) {
  if (milliseconds == -1) {
    if (CurrentScreen() == nullptr) return;  // nothing could ever set the flag
    while (!KeyPressed()) PlatformSleep(SLICE_MS);
    return;
  }
  if (milliseconds <= 0) return;
  if (milliseconds < 100) {
    PlatformSleep(milliseconds);
    return;
  }
  int32_t remaining = milliseconds;
  while (remaining > SLICE_MS) {
    if (KeyPressed()) return;
    PlatformSleep(SLICE_MS);
    remaining -= SLICE_MS;
  }
  PlatformSleep(remaining);
}

}  // namespace display

namespace display {

void SleepWhile(const std::atomic<bool>& flag, bool value) {
  Runtime* runtime = CurrentRuntime();
  const bool virtualClock = runtime != nullptr && runtime->virtualTime;
  while (flag.load() == value) {
    if (virtualClock) {
      SleepMs(1);
    } else {
      flag.wait(value);
    }
  }
}

}  // namespace display
