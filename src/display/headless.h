// The headless back end: no window system, for tests and tools.
//
//   display::headless::Select(display::headless::Timing::Virtual);
//   display::SetScreenMode(640, 480, 32, 1, 0, 0);
//   display::headless::SetKey(display::KEY_UP, true);
//   display::SleepMs(35);   // virtual: runs the window passes and timers due meanwhile
//
// With Timing::Virtual there is no window thread: time moves only when a thread
// sleeps (SleepMs, or Advance), and the window passes (every 10 ms), the timers at
// their due times, the passes that an unlocked frame or a key change asks for
// (at the time it happened) and the workers they start run on the sleeping
// thread in time order, so a run is deterministic and much faster than real
// time. With Timing::Real a window thread makes real passes, as with a real window.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace display::headless {

enum class Timing { Virtual, Real };

// Chooses the headless back end for the next SetScreenMode (and all later ones).
void Select(Timing timing);
// Chooses the real window back end again (the default).
void SelectWindowed();
bool IsSelected();
bool IsVirtual();

// Virtual time in milliseconds since the screen opened (Real timing: wall time).
int64_t NowMs();
// Runs the virtual world forward by ms (same as SleepMs on the virtual clock, but
// without the key-press flag checks).
void Advance(int64_t ms);

// Keyboard state, taken into the key table when it changes: by a pass made at
// once (on the virtual clock, when time next moves or on Advance(0)), or after
// the unlock when the screen is locked.
void SetKey(int32_t scanCode, bool down);
void ReleaseAllKeys();
// Called at the start of every window pass with the current time, before the key
// table refresh, so a caller can feed a scripted keyboard.
void SetPassHook(std::function<void(int64_t nowMs)> hook);

// Sends a message to the window as the window system would (WM_CLOSE for a close
// request, WM_ACTIVATE, WM_KEYDOWN ...); it is dispatched by a pass made at once,
// as SetKey's change is taken.
void PostWindowMessage(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);

// One record per presentation: the band of rows copied to the (absent) window.
struct Presentation {
  int64_t timeMs;
  int32_t firstRow;
  int32_t lastRow;
};
std::vector<Presentation> TakePresentations();
// A copy of the last presented window contents (width * height pixels).
std::vector<uint32_t> WindowContents();

// Title and pointer as last set through the display layer.
std::string Title();
bool PointerVisible();

}  // namespace display::headless
