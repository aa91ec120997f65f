// Internal to the display library: what runs the window. One Runtime exists while
// a screen is open: the back end, the window record, and either a real window
// thread or the headless virtual clock that makes the passes when a thread sleeps.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "display/platform/backend.h"
#include "display/screen_state.h"

namespace display {

// An eventfd that other threads raise and the window thread waits on.
class WakeSignal {
 public:
  WakeSignal();
  ~WakeSignal();
  WakeSignal(const WakeSignal&) = delete;
  WakeSignal& operator=(const WakeSignal&) = delete;
  void Raise();
  void Drain();
  int fd() const { return fd_; }

 private:
  int fd_;
};

struct Runtime {
  Screen* screen = nullptr;
  std::unique_ptr<platform::Backend> backend;
  platform::Window* window = nullptr;
  bool virtualTime = false;

  // Real timing: the window thread and its stop request.
  std::thread thread;
  std::atomic<bool> stopRequested{false};
  std::atomic<bool> active{true};
  // Ends the window thread's wait before its next pass is due (see WakeWindow);
  // on the virtual clock the flag asks the sleeping thread for a step instead.
  WakeSignal wake;
  std::atomic<bool> wakeRequested{false};

  // Virtual timing: the clock, the next pass and workers waiting for the pass to end.
  std::atomic<int64_t> virtualNow{0};
  int64_t nextPass = 0;
  std::mutex workerMutex;
  std::vector<std::pair<uint32_t (*)(void*), void*>> pendingWorkers;

  // Requests from other threads, served at the start of each pass.
  std::mutex requestMutex;
  std::string title;
  bool titleChanged = false;
  platform::PointerState pointer;
  bool pointerChanged = false;
  bool destroyRequested = false;

  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

// The runtime of the open screen, or null.
Runtime* CurrentRuntime();

// Milliseconds since the screen opened: virtual or wall time.
int64_t RuntimeNow(const Runtime& runtime);

// One window pass: present the marked band, clear the marks, refresh the key table
// while active, dispatch messages and due timers. Takes and releases the screen mutex.
void WindowPass(Runtime& runtime);

// The real window thread's loop after its window opened: a pass, then a wait until
// the next pass (about 10 ms on), the next timer's due time, a WakeWindow call or
// an event from the window system, whichever comes first; until a stop request.
void RunWindowThread(Runtime& runtime);

// Something for the window thread arrived (a finished frame, a key): it runs a
// pass now instead of at its next one. Any thread; calls nothing of the window
// system. On the virtual clock the sleeping thread makes that pass at the
// current time, before its clock moves on.
void WakeWindow(Runtime& runtime);

// Sleeps on the runtime's clock: a real sleep, or on the virtual clock the passes,
// the steps asked for by WakeWindow, the timers at their due times and the
// workers they start, run on this thread in time order.
void RuntimeSleep(Runtime& runtime, int64_t ms);

// The pass hook and keyboard state of the headless back end (set by its API).
void HeadlessBeforePass(int64_t nowMs);

// The layer's handling of an activation change (WM_ACTIVATE's wParam): the active
// flag (not active while minimised), a cleared key table, every row marked. Run
// by the dispatch step whichever procedure is installed.
void ApplyActivation(Runtime& runtime, uintptr_t wParam);

// The layer's own message procedure, installed on every new window.
intptr_t LayerWindowProc(platform::Window* window, uint32_t message, uintptr_t wParam,
                         intptr_t lParam);

}  // namespace display
