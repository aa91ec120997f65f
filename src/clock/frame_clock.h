// The frame clock (namespace frameclock: ::clock is the C library's): opens and hooks the game window, runs a frame routine every
// period on a fresh worker thread, and parks the first thread until the window is
// destroyed.
//
//   if (frameclock::OpenGameWindow(640, 480, 32, 1, 0) != 0) { ... set up ... }
//   frameclock::RunFrameClock(35, FrameStep);   // returns when the window is destroyed
//
// Two frame steps never run at once: a tick that comes while the previous frame
// step is still running starts none.
#pragma once
#include <cstdint>

#include "display/platform/window.h"

namespace frameclock {

using FrameRoutine = void (*)();

// Opens the screen (refresh rate 0) and replaces its window's message procedure
// with GameWindowHook. Returns the replaced procedure as an integer, 0 if no window.
intptr_t OpenGameWindow(int32_t width, int32_t height, int32_t depth, int32_t pages,
                        int32_t flags);

// Stores the routine, arms timer 1 with the period and parks (display::SleepWhile)
// until the window is destroyed. Without a window returns at once. Always 0.
int RunFrameClock(int32_t periodMs, FrameRoutine routine);

// Disarms the timer: no tick starts after it returns. A running frame step goes on.
bool StopFrameClock();

// Arms the timer again with the period; returns at once.
void RestartFrameClock(int32_t periodMs);

// Waits until no frame step is running (returns at once when none is).
void WaitForFrameStep();

// The game window's message procedure: WM_CLOSE destroys the window, WM_DESTROY
// posts the quit message and ends RunFrameClock's wait, WM_COMMAND and WM_SIZE
// return 0, everything else goes to the default procedure.
intptr_t GameWindowHook(display::platform::Window* window, uint32_t message, uintptr_t wParam,
                        intptr_t lParam);

// The timer callback: polls events, then starts a FrameWorker (unless a frame step
// is still running).
void ClockTick(display::platform::Window* window, uint32_t message, uintptr_t timerId,
               uint32_t time);

// A worker's entry: runs the stored routine once. Returns 0.
uint32_t FrameWorker(void* parameter);

}  // namespace frameclock
