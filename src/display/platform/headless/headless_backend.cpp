// The headless back end: no window system. It keeps what is presented, takes the
// keyboard from its caller and hands each pass's time to the caller's hook.
#include <algorithm>
#include <cstring>
#include <mutex>

#include "display/headless.h"
#include "display/platform/backend.h"
#include "display/platform/window_internal.h"
#include "display/runtime.h"

namespace display::headless {

namespace {

struct State {
  std::mutex mutex;
  bool selected = false;
  Timing timing = Timing::Virtual;
  uint8_t keys[KEY_TABLE_SIZE] = {};
  std::function<void(int64_t)> passHook;
  std::vector<Presentation> presentations;
  std::vector<uint32_t> window;  // what the absent window shows
  int32_t width = 0, height = 0;
  std::string title;
  bool pointerVisible = true;
};

State& Shared() {
  static State state;
  return state;
}

// A key or message reaches the window thread when it happens, as a window
// system's event would; on the virtual clock, at the current time.
void WakeForEvent() {
  if (Runtime* runtime = CurrentRuntime()) WakeWindow(*runtime);
}

class HeadlessBackend final : public platform::Backend {
 public:
  const char* Name() const override { return "headless"; }

  bool OpenWindow(int32_t width, int32_t height, const std::string& title, int32_t,
                  bool) override {
    State& state = Shared();
    std::lock_guard guard(state.mutex);
    state.width = width;
    state.height = height;
    state.window.assign(size_t(width) * size_t(height), 0);
    state.presentations.clear();
    state.title = title;
    state.pointerVisible = true;
    return true;
  }

  void DestroyWindow() override {}

  void Present(const platform::PageView& page, int32_t firstRow, int32_t lastRow) override {
    State& state = Shared();
    std::lock_guard guard(state.mutex);
    Runtime* runtime = CurrentRuntime();
    state.presentations.push_back(
        Presentation{runtime != nullptr ? RuntimeNow(*runtime) : 0, firstRow, lastRow});
    if (page.bytesPerPixel != 4) return;  // only 32-bit pages are mirrored
    const size_t rowBytes = size_t(state.width) * 4;
    for (int32_t y = firstRow; y <= lastRow; ++y) {
      std::memcpy(state.window.data() + size_t(y) * state.width,
                  page.pixels + size_t(y) * page.pitch, rowBytes);
    }
  }

  void PumpEvents(int64_t nowMs, std::vector<platform::PendingMessage>&) override {
    std::function<void(int64_t)> hook;
    {
      std::lock_guard guard(Shared().mutex);
      hook = Shared().passHook;
    }
    if (hook) hook(nowMs);
  }

  void ReadKeyboard(uint8_t table[KEY_TABLE_SIZE]) override {
    std::lock_guard guard(Shared().mutex);
    std::memcpy(table, Shared().keys, KEY_TABLE_SIZE);
  }

  void SetTitle(const std::string& title) override {
    std::lock_guard guard(Shared().mutex);
    Shared().title = title;
  }

  void SetPointer(const platform::PointerState& pointer) override {
    std::lock_guard guard(Shared().mutex);
    Shared().pointerVisible = pointer.visible;
  }
};

}  // namespace

void Select(Timing timing) {
  std::lock_guard guard(Shared().mutex);
  Shared().selected = true;
  Shared().timing = timing;
}

void SelectWindowed() {
  std::lock_guard guard(Shared().mutex);
  Shared().selected = false;
}

bool IsSelected() {
  std::lock_guard guard(Shared().mutex);
  return Shared().selected;
}

bool IsVirtual() {
  std::lock_guard guard(Shared().mutex);
  return Shared().timing == Timing::Virtual;
}

int64_t NowMs() {
  Runtime* runtime = CurrentRuntime();
  return runtime != nullptr ? RuntimeNow(*runtime) : 0;
}

void Advance(int64_t ms) {
  if (Runtime* runtime = CurrentRuntime()) RuntimeSleep(*runtime, ms);
}

void SetKey(int32_t scanCode, bool down) {
  if (scanCode < 0 || scanCode >= KEY_TABLE_SIZE) return;
  {
    std::lock_guard guard(Shared().mutex);
    Shared().keys[scanCode] = down ? 1 : 0;
  }
  WakeForEvent();
}

void ReleaseAllKeys() {
  {
    std::lock_guard guard(Shared().mutex);
    std::memset(Shared().keys, 0, KEY_TABLE_SIZE);
  }
  WakeForEvent();
}

void SetPassHook(std::function<void(int64_t nowMs)> hook) {
  std::lock_guard guard(Shared().mutex);
  Shared().passHook = std::move(hook);
}

void PostWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (Runtime* runtime = CurrentRuntime()) {
    platform::PostWindowMessage(runtime->window, platform::PendingMessage{message, wParam, lParam});
    WakeWindow(*runtime);
  }
}

std::vector<Presentation> TakePresentations() {
  std::lock_guard guard(Shared().mutex);
  std::vector<Presentation> taken;
  taken.swap(Shared().presentations);
  return taken;
}

std::vector<uint32_t> WindowContents() {
  std::lock_guard guard(Shared().mutex);
  return Shared().window;
}

std::string Title() {
  std::lock_guard guard(Shared().mutex);
  return Shared().title;
}

bool PointerVisible() {
  std::lock_guard guard(Shared().mutex);
  return Shared().pointerVisible;
}

}  // namespace display::headless

namespace display::platform {
std::unique_ptr<Backend> MakeHeadlessBackend() {
  return std::make_unique<headless::HeadlessBackend>();
}
}  // namespace display::platform
