// Internal to the display library: the window record behind platform::Window* and
// the calls the window pass makes on it.
#pragma once
#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "display/platform/backend.h"
#include "display/platform/window.h"

namespace display {
struct Runtime;
}

namespace display::platform {

struct Timer {
  uintptr_t id;
  uint32_t periodMs;
  int64_t dueMs;
  TimerProc callback;
};

struct Window {
  Runtime* runtime = nullptr;
  std::atomic<WindowProc> procedure{nullptr};
  std::atomic<bool> alive{true};
  std::thread::id passThread;  // the thread that runs the passes

  std::mutex queueMutex;
  std::deque<PendingMessage> queue;

  // Timers fire with this mutex held, so KillTimer returning means no later tick;
  // recursive so that a callback may re-arm or kill timers itself.
  std::recursive_mutex timerMutex;
  std::vector<Timer> timers;

  std::atomic<int> quitCode{-1};
  std::atomic<bool> closeRequested{false};  // a WM_CLOSE was dispatched
};

// Queues a message for the next dispatch step.
void PostWindowMessage(Window* window, const PendingMessage& message);
// The dispatch step of a pass: every queued message, then every due timer.
void DispatchWindow(Window* window, int64_t nowMs);
// The earliest due time of the window's timers; INT64_MAX when none is armed.
int64_t NextTimerDue(Window* window);

}  // namespace display::platform
