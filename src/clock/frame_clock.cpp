// The frame clock: the game window's hook, the periodic timer and the frame workers.
#include "clock/frame_clock.h"

#include <atomic>

#include "display/screen.h"
#include "display/sleep.h"

namespace frameclock {

namespace {

using display::platform::Window;

constexpr uintptr_t TIMER_ID = 1;

std::atomic<Window*> g_window{nullptr};
std::atomic<bool> g_running{false};
std::atomic<FrameRoutine> g_routine{nullptr};
// Set from the tick that starts a frame step until that step returns: a tick that
// finds it set starts nothing, so two frame steps never overlap and the game's
// state needs no lock of its own.
std::atomic<bool> g_frameRunning{false};

}  // namespace

intptr_t OpenGameWindow(int32_t width, int32_t height, int32_t depth, int32_t pages,
                        int32_t flags) {
  display::SetScreenMode(width, height, depth, pages, flags, 0);
  Window* window = display::GetWindowHandle();
  g_window.store(window);
  if (window == nullptr) return 0;
  auto replaced = display::platform::SetWindowProc(window, GameWindowHook);
  return reinterpret_cast<intptr_t>(replaced);
}

int RunFrameClock(int32_t periodMs, FrameRoutine routine) {
  g_routine.store(routine);
  Window* window = g_window.load();
  if (window == nullptr) return 0;
  // Set before looking at the window: a WM_DESTROY from here on clears it again.
  g_running.store(true);
  // A close that came during start-up, before the hook was installed, reached the
  // layer's own procedure, which only queues a key: honour it now.
  if (display::platform::CloseRequested(window)) display::platform::DestroyWindow(window);
  display::platform::SetTimer(window, TIMER_ID, uint32_t(periodMs), ClockTick);
  // Destroyed already (a close while the sprites loaded): its WM_DESTROY has come
  // and gone, and nothing would clear `running` again.
  if (!display::platform::IsWindowAlive(window)) return 0;
  // The first thread parks until the hook clears `running`; on a real clock it
  // is woken by that change instead of looking every millisecond.
  display::SleepWhile(g_running, true);
  return 0;
}

bool StopFrameClock() { return display::platform::KillTimer(g_window.load(), TIMER_ID); }

void RestartFrameClock(int32_t periodMs) {
  display::platform::SetTimer(g_window.load(), TIMER_ID, uint32_t(periodMs), ClockTick);
}

void WaitForFrameStep() {
  // On the headless virtual clock frame steps run on the sleeping thread and are
  // over by the time anyone can ask; on threads this waits for the worker.
  g_frameRunning.wait(true);
}

intptr_t GameWindowHook(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  using namespace display::platform;
  switch (message) {
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      g_running.store(false);
      g_running.notify_all();
      return 0;
    case WM_COMMAND:
    case WM_SIZE:
      return 0;
    default:
      return DefWindowProc(window, message, wParam, lParam);
  }
}

void ClockTick(Window*, uint32_t, uintptr_t, uint32_t) {
  display::PollEvents();
  if (g_frameRunning.exchange(true)) return;  // the previous frame step still runs
  if (!display::platform::StartWorker(FrameWorker, nullptr)) {
    g_frameRunning.store(false);
    g_frameRunning.notify_all();
  }
}

uint32_t FrameWorker(void*) {
  if (FrameRoutine routine = g_routine.load()) routine();
  g_frameRunning.store(false);
  g_frameRunning.notify_all();
  return 0;
}

}  // namespace frameclock
