// The screen lock: the screen mutex, LockScreen/UnlockScreen, the auto-lock of the
// drawing operations and the changed-row marks.
#include <algorithm>
#include <cstring>

#include "display/runtime.h"
#include "display/screen.h"
#include "display/screen_state.h"

namespace display {

bool ScreenMutex::Acquire(Hold kind) {
  std::unique_lock guard(mutex_);
  released_.wait(guard, [this] { return closed_ || !held_; });
  if (closed_) return false;
  held_ = true;
  kind_ = kind;
  holder_.store(std::this_thread::get_id(), std::memory_order_release);
  return true;
}

void ScreenMutex::Release() {
  {
    std::lock_guard guard(mutex_);
    held_ = false;
    holder_.store(std::thread::id(), std::memory_order_release);
  }
  released_.notify_one();
}

bool ScreenMutex::ClaimLockScreenHold() {
  std::lock_guard guard(mutex_);
  if (!held_ || kind_ != Hold::LockScreen) return false;
  holder_.store(std::this_thread::get_id(), std::memory_order_release);
  return true;
}

void ScreenMutex::Close() {
  {
    std::lock_guard guard(mutex_);
    closed_ = true;
  }
  released_.notify_all();
}

bool ScreenMutex::Locked() {
  std::lock_guard guard(mutex_);
  return held_ && kind_ == Hold::LockScreen;
}

AutoLock::AutoLock(Screen& screen) : screen_(screen) {
  // The holder (LockScreen's thread, or the window thread in its pass) draws
  // without taking anything; everyone else waits for the screen.
  if (screen_.mutex.HeldByMe()) return;
  taken_ = screen_.mutex.Acquire(ScreenMutex::Hold::Auto);
}

AutoLock::~AutoLock() {
  if (taken_) screen_.mutex.Release();
}

void MarkRows(Screen& screen, int32_t first, int32_t last) {
  std::memset(screen.marks.data() + first, 1, size_t(last - first + 1));
}

void LockScreen() {
  Screen* screen = CurrentScreen();
  if (screen == nullptr || screen->mutex.HeldByMe()) return;
  screen->mutex.Acquire(ScreenMutex::Hold::LockScreen);
}

void UnlockScreen(int32_t first, int32_t last) {
  Screen* screen = CurrentScreen();
  if (screen == nullptr) return;
  if (first < 0) first = 0;
  if (last < 0) last = screen->height - 1;
  // The lock belongs to the screen, not to a thread: a LockScreen lock is released
  // whoever calls this. Claiming it and checking its kind is one step, so another
  // thread's auto-lock in progress is left alone and its drawing finishes under
  // the mutex.
  const bool claimed = screen->mutex.ClaimLockScreenHold();
  if (first <= last && last < screen->height) {
    if (claimed || screen->mutex.HeldByMe()) {
      MarkRows(*screen, first, last);
    } else {
      AutoLock lock(*screen);
      MarkRows(*screen, first, last);
    }
  }
  if (claimed) screen->mutex.Release();
  // A finished frame is shown now, not at the window thread's next pass.
  Runtime* runtime = CurrentRuntime();
  if (runtime != nullptr && first <= last && last < screen->height) WakeWindow(*runtime);
}

}  // namespace display
