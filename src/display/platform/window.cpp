// The window-system calls behind platform/window.h: message procedures, window
// destruction, the quit message, timers and worker threads.
#include "display/platform/window.h"

#include <algorithm>
#include <cstdint>
#include <system_error>
#include <thread>

#include "display/platform/window_internal.h"
#include "display/runtime.h"
#include "display/screen_state.h"

namespace display::platform {

namespace {

bool OnPassThread(const Window* window) {
  return std::this_thread::get_id() == window->passThread;
}

}  // namespace

WindowProc SetWindowProc(Window* window, WindowProc procedure) {
  if (window == nullptr || !window->alive.load()) return nullptr;
  return window->procedure.exchange(procedure);
}

intptr_t DefWindowProc(Window* window, uint32_t message, uintptr_t, intptr_t) {
  if (message == WM_CLOSE) DestroyWindow(window);
  return 0;
}

bool DestroyWindow(Window* window) {
  if (window == nullptr || !window->alive.load()) return false;
  if (!OnPassThread(window)) {
    // The window system may only be touched from the pass thread: ask it.
    std::lock_guard guard(window->runtime->requestMutex);
    window->runtime->destroyRequested = true;
    return true;
  }
  if (window->alive.exchange(false) == false) return false;
  {
    std::lock_guard guard(window->timerMutex);
    window->timers.clear();
  }
  {
    std::lock_guard guard(window->queueMutex);
    window->queue.clear();
  }
  if (WindowProc procedure = window->procedure.load()) procedure(window, WM_DESTROY, 0, 0);
  window->runtime->backend->DestroyWindow();
  return true;
}

void PostQuitMessage(int exitCode) {
  if (Runtime* runtime = CurrentRuntime(); runtime != nullptr && runtime->window != nullptr) {
    runtime->window->quitCode.store(exitCode);
  }
}

uintptr_t SetTimer(Window* window, uintptr_t id, uint32_t periodMs, TimerProc callback) {
  if (window == nullptr || !window->alive.load() || id == 0) return 0;
  const int64_t due = RuntimeNow(*window->runtime) + periodMs;
  std::lock_guard guard(window->timerMutex);
  for (Timer& timer : window->timers) {
    if (timer.id == id) {
      timer = Timer{id, periodMs, due, callback};
      return id;
    }
  }
  window->timers.push_back(Timer{id, periodMs, due, callback});
  return id;
}

bool KillTimer(Window* window, uintptr_t id) {
  if (window == nullptr) return false;
  std::lock_guard guard(window->timerMutex);
  for (auto it = window->timers.begin(); it != window->timers.end(); ++it) {
    if (it->id == id) {
      window->timers.erase(it);
      return true;
    }
  }
  return false;
}

bool StartWorker(ThreadStart start, void* parameter) {
  Runtime* runtime = CurrentRuntime();
  if (runtime != nullptr && runtime->virtualTime) {
    std::lock_guard guard(runtime->workerMutex);
    runtime->pendingWorkers.emplace_back(start, parameter);
    return true;
  }
  try {
    std::thread(start, parameter).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

bool IsWindowAlive(const Window* window) { return window != nullptr && window->alive.load(); }

bool CloseRequested(const Window* window) {
  return window != nullptr && window->closeRequested.load();
}

void PostWindowMessage(Window* window, const PendingMessage& message) {
  if (!window->alive.load()) return;
  std::lock_guard guard(window->queueMutex);
  window->queue.push_back(message);
}

void DispatchWindow(Window* window, int64_t nowMs) {
  for (;;) {
    PendingMessage message;
    {
      std::lock_guard guard(window->queueMutex);
      if (window->queue.empty()) break;
      message = window->queue.front();
      window->queue.pop_front();
    }
    if (!window->alive.load()) return;
    if (message.message == WM_CLOSE) window->closeRequested.store(true);
    // The layer owns the key table and the page: a focus change lets go of the
    // keys (keyboard and pads alike) and an exposed window is presented whole
    // again, whoever's procedure is installed.
    if (message.message == WM_ACTIVATE) ApplyActivation(*window->runtime, message.wParam);
    if (message.message == WM_PAINT) {
      Screen& screen = *window->runtime->screen;
      MarkRows(screen, 0, screen.height - 1);
    }
    if (WindowProc procedure = window->procedure.load()) {
      procedure(window, message.message, message.wParam, message.lParam);
    }
  }
  std::lock_guard guard(window->timerMutex);
  // Index loop: a callback may arm or kill timers (the mutex is recursive).
  for (size_t i = 0; i < window->timers.size(); ++i) {
    Timer& timer = window->timers[i];
    if (timer.dueMs > nowMs) continue;
    timer.dueMs += timer.periodMs;
    if (timer.dueMs <= nowMs) timer.dueMs = nowMs + timer.periodMs;  // fell behind: no burst
    const uintptr_t id = timer.id;
    const TimerProc callback = timer.callback;
    if (callback != nullptr) callback(window, WM_TIMER, id, static_cast<uint32_t>(nowMs));
  }
}

int64_t NextTimerDue(Window* window) {
  std::lock_guard guard(window->timerMutex);
  int64_t due = INT64_MAX;
  for (const Timer& timer : window->timers) due = std::min(due, timer.dueMs);
  return due;
}

}  // namespace display::platform
