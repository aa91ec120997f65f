// Internal to the display library: the open screen, the screen lock and the one
// drawing state that every drawing operation shares. Not a public header.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "display/image.h"
#include "display/keys.h"

namespace display::platform {
class Backend;
struct Window;
}

namespace display {

// The screen's mutex. Unlike std::mutex it may be released by a thread other than
// the one that took it (one UnlockScreen releases the lock whoever set it), and it
// knows its holder, so the holder's own drawing calls do not wait for themselves.
// Holder and kind of hold are one record under one mutex, so an UnlockScreen can
// never mistake another thread's auto-lock for a LockScreen lock.
class ScreenMutex {
 public:
  enum class Hold { Pass, LockScreen, Auto };

  // Waits for the lock and takes it. False (nothing taken) once the screen is
  // closing: a waiter must not keep the window thread from ending.
  bool Acquire(Hold kind);
  void Release();
  // If a LockScreen lock is held (by any thread), makes this thread its holder
  // and returns true; the caller then releases it.
  bool ClaimLockScreenHold();
  // Wakes every waiter and makes later Acquire calls return false at once.
  void Close();
  // True while a LockScreen lock is held (the locked flag).
  bool Locked();
  bool HeldByMe() const { return holder_.load(std::memory_order_acquire) == std::this_thread::get_id(); }

 private:
  std::mutex mutex_;
  std::condition_variable released_;
  bool held_ = false;
  bool closed_ = false;
  Hold kind_ = Hold::Pass;
  std::atomic<std::thread::id> holder_{};
};

struct ClipRect {
  int32_t x = 0, y = 0, width = 0, height = 0;
};

// Where drawing goes and how: reset to the defaults whenever a screen opens.
struct DrawingState {
  const Image* targetImage = nullptr;  // null: the screen page
  uint8_t* targetPixels = nullptr;
  uint32_t targetBytesPerPixel = 0;
  uint32_t targetPitch = 0;
  ClipRect clip;
  ClipRect savedScreenClip;
  float pointX = 0.0f, pointY = 0.0f;  // current point
  uint32_t foreground = 0;
  uint32_t background = 0;
};

struct Screen {
  int32_t width = 0, height = 0, depth = 0;
  uint32_t bytesPerPixel = 0;
  uint32_t colourMask = 0;
  uint32_t pitch = 0;  // width * bytesPerPixel, no padding
  int32_t refreshRate = 0;
  std::vector<uint8_t> page;             // the one page: visible and drawn into
  std::vector<uint8_t> marks;            // changed-row marks, one per row
  uint8_t keyTable[KEY_TABLE_SIZE] = {};  // written and read under the mutex

  ScreenMutex mutex;

  DrawingState drawing;

  // Key ring (16 codes, oldest dropped when full) and the key-press flag, fed by
  // the layer's own window procedure.
  uint16_t keyRing[KEY_RING_SIZE] = {};
  int keyRingStart = 0;
  int keyRingCount = 0;
  std::atomic<bool> keyPressed{false};

  uint32_t palette[256] = {};
};

// The open screen or null. Set and cleared only by SetScreenMode / CloseScreen.
Screen* CurrentScreen();

// Holds the screen for one drawing operation: takes the mutex unless this thread
// holds it already (LockScreen, or the window thread's pass), and gives back only
// what it took.
class AutoLock {
 public:
  explicit AutoLock(Screen& screen);
  ~AutoLock();
  AutoLock(const AutoLock&) = delete;
  AutoLock& operator=(const AutoLock&) = delete;

 private:
  Screen& screen_;
  bool taken_ = false;
};

// Makes `target` (null = the screen page) the drawing target, saving and restoring
// the screen's clip rectangle as the target changes.
void SelectTarget(Screen& screen, const Image* target);

// True when the current target is the visible page.
inline bool TargetIsPage(const Screen& screen) { return screen.drawing.targetImage == nullptr; }

// Marks rows first..last (already inside 0..height-1) for the next presentation.
void MarkRows(Screen& screen, int32_t first, int32_t last);

// Queues a key code in the ring and sets the key-press flag (window pass only).
void QueueKey(Screen& screen, uint16_t code);
// Reads and clears the key-press flag (under the auto-lock).
bool TakeKeyPressFlag(Screen& screen);

}  // namespace display
