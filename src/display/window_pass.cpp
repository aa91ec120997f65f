// The window pass, the clocks it runs on (a real window thread or the headless
// virtual clock), and the layer's own window procedure.
#include <algorithm>
#include <chrono>
#include <cstring>

#include "display/platform/window_internal.h"
#include "display/runtime.h"
#include "display/screen_state.h"

namespace display {

namespace {

// Serves the requests other threads left for the window: destroy, title, pointer.
void ServeRequests(Runtime& runtime) {
  bool destroy = false;
  std::string title;
  bool titleChanged = false;
  platform::PointerState pointer;
  bool pointerChanged = false;
  {
    std::lock_guard guard(runtime.requestMutex);
    std::swap(destroy, runtime.destroyRequested);
    std::swap(titleChanged, runtime.titleChanged);
    if (titleChanged) title = runtime.title;
    std::swap(pointerChanged, runtime.pointerChanged);
    pointer = runtime.pointer;
    runtime.pointer.warp = false;
  }
  if (destroy) platform::DestroyWindow(runtime.window);
  if (!platform::IsWindowAlive(runtime.window)) return;
  if (titleChanged) runtime.backend->SetTitle(title);
  if (pointerChanged) runtime.backend->SetPointer(pointer);
}

// Presents the band from the first to the last marked row in one transfer.
void PresentMarkedBand(Runtime& runtime) {
  Screen& screen = *runtime.screen;
  const auto begin = screen.marks.begin();
  const auto first = std::find(begin, screen.marks.end(), uint8_t{1});
  if (first == screen.marks.end()) return;
  const auto last = std::find(screen.marks.rbegin(), screen.marks.rend(), uint8_t{1});
  const int32_t firstRow = int32_t(first - begin);
  const int32_t lastRow = int32_t(screen.marks.rend() - last) - 1;
  if (platform::IsWindowAlive(runtime.window)) {
    const platform::PageView page{screen.page.data(), screen.pitch, screen.bytesPerPixel,
                                  screen.palette};
    runtime.backend->Present(page, firstRow, lastRow);
  }
  std::fill(first, screen.marks.end(), uint8_t{0});
}

void RunPendingWorkers(Runtime& runtime) {
  std::vector<std::pair<uint32_t (*)(void*), void*>> workers;
  {
    std::lock_guard guard(runtime.workerMutex);
    workers.swap(runtime.pendingWorkers);
  }
  for (auto& [start, parameter] : workers) start(parameter);
}

}  // namespace

int64_t RuntimeNow(const Runtime& runtime) {
  if (runtime.virtualTime) return runtime.virtualNow.load();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               runtime.start)
      .count();
}

void WindowPass(Runtime& runtime) {
  Screen& screen = *runtime.screen;
  if (!screen.mutex.Acquire(ScreenMutex::Hold::Pass)) return;  // the screen is closing
  const int64_t now = RuntimeNow(runtime);
  ServeRequests(runtime);
  PresentMarkedBand(runtime);
  std::vector<platform::PendingMessage> messages;
  runtime.backend->PumpEvents(now, messages);
  if (runtime.active.load()) runtime.backend->ReadKeyboard(screen.keyTable);
  runtime.wakeRequested.store(false);  // what asked for a pass until now is served
  for (const auto& message : messages) platform::PostWindowMessage(runtime.window, message);
  platform::DispatchWindow(runtime.window, now);
  screen.mutex.Release();
}

void RuntimeSleep(Runtime& runtime, int64_t ms) {
  if (ms < 0) return;
  if (!runtime.virtualTime) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return;
  }
  // Virtual clock: run on this thread, in time order, what the window thread would
  // run within the interval: a pass asked for by WakeWindow at once (a sleep of 0
  // serves only those), the 10 ms passes, and each timer at its due time. A
  // sleeper holding the screen lock gets none of them, as the window thread would
  // wait for the lock. Workers started by a step (frame steps) run right after
  // it and may sleep themselves, which moves the clock on from inside this loop.
  const int64_t target = runtime.virtualNow.load() + ms;
  for (;;) {
    const bool held = runtime.screen->mutex.HeldByMe();
    if (!held && runtime.wakeRequested.load()) {
      WindowPass(runtime);
      RunPendingWorkers(runtime);
      continue;
    }
    int64_t next = runtime.nextPass;
    if (!held) next = std::min(next, platform::NextTimerDue(runtime.window));
    if (next > target) break;
    runtime.virtualNow.store(std::max(runtime.virtualNow.load(), next));
    if (next == runtime.nextPass) runtime.nextPass += 10;
    if (held) continue;
    WindowPass(runtime);
    RunPendingWorkers(runtime);
  }
  if (runtime.virtualNow.load() < target) runtime.virtualNow.store(target);
}

void ApplyActivation(Runtime& runtime, uintptr_t wParam) {
  Screen& screen = *runtime.screen;
  const bool minimised = (wParam >> 16) != 0;
  runtime.active.store((wParam & 0xFFFF) != platform::WA_INACTIVE && !minimised);
  std::memset(screen.keyTable, 0, sizeof screen.keyTable);
  MarkRows(screen, 0, screen.height - 1);
}

intptr_t LayerWindowProc(platform::Window* window, uint32_t message, uintptr_t wParam,
                         intptr_t lParam) {
  Screen& screen = *window->runtime->screen;
  switch (message) {
    case platform::WM_CLOSE:
      QueueKey(screen, CLOSE_KEY_CODE);
      return 0;
    case platform::WM_KEYDOWN:
      // Keys without a character (the extended ones) are queued as 0xE0 plus
      // their scan code; character keys arrive through WM_CHAR.
      if (lParam & (intptr_t{1} << 24)) QueueKey(screen, uint16_t(0xE0 | ((lParam >> 16) & 0xFF) << 8));
      return 0;
    case platform::WM_CHAR:
      QueueKey(screen, uint16_t(wParam & 0xFF));
      return 0;
    case platform::WM_KEYUP:
    case platform::WM_SETCURSOR:
    case platform::WM_ACTIVATE:  // the dispatch step applied it (ApplyActivation)
    case platform::WM_PAINT:     // the dispatch step marked the page for presenting
      return 0;
    default:
      return platform::DefWindowProc(window, message, wParam, lParam);
  }
}

}  // namespace display
