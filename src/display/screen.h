// The screen: one window with a 32-bit page in memory, its window thread and the
// screen lock.
//
//   display::SetScreenMode(640, 480, 32, 1, 0, 0);   // opens the window
//   display::LockScreen();
//   display::ClearScreen(display::ARG_DEFAULT);
//   ... draw ...
//   display::UnlockScreen(-1, -1);                  // next pass presents rows 0..479
//   display::EndProgram(0);
//
// The window thread takes the screen mutex about every 10 ms, presents the band of
// marked rows, refreshes the key table and dispatches window messages. A frame is
// drawn between LockScreen and UnlockScreen, so the window never shows half of it.
// All operations returning int give 0 on success and 1 for an illegal call.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "display/markers.h"
#include "display/platform/window.h"

namespace display {

// Opens a screen of width x height at `depth` bits (1, 2, 4, 8, 15, 16, 24 or 32),
// closing any open one first. flags 0 is a framed window. Blocks until the window
// thread reports its window. Bad arguments: 1 and the current screen stays.
int SetScreenMode(int32_t width, int32_t height, int32_t depth, int32_t pages, int32_t flags,
                  int32_t refreshRate);

// Keeps the first 127 characters as the window caption.
void SetWindowTitle(std::string_view text);

// The screen's window, or null without a screen.
platform::Window* GetWindowHandle();

struct ScreenInfo {
  int32_t width = 0;
  int32_t height = 0;
  int32_t depth = 0;
  int32_t bytesPerPixel = 0;
  int32_t pitch = 0;
  int32_t refreshRate = 0;
  std::string backend;  // empty without a screen
};
ScreenInfo GetScreenInfo();

// Returns at once: the window thread refreshes keys and dispatches by itself.
void PollEvents();

// Takes the screen lock (mutex + uncounted locked flag). A second call from the
// holder returns at once; another thread waits until the lock is released.
void LockScreen();
// Marks rows first..last (negative first = 0, negative last = height - 1) for the
// next presentation and releases the lock if it is held.
void UnlockScreen(int32_t first, int32_t last);
// Fills the page with the background colour and marks every row. ARG_DEFAULT or 0.
void ClearScreen(int32_t mode);

// x, y: pointer position in the client area (negative = unchanged); visibility
// 0 hides, > 0 shows; clipping 0 frees, > 0 confines; negative leaves each as is.
int SetMouse(int32_t x, int32_t y, int32_t visibility, int32_t clipping);

// Closes the screen (stops the window thread, destroys the window) and ends the
// process with `status`. Any thread.
[[noreturn]] void EndProgram(int32_t status);

// Closes the screen as EndProgram does, without ending the process. For tests and
// tools that open several screens in one process.
void CloseScreen();

// The 256-entry display palette: red bits 0-7, green 8-15, blue 16-23.
uint32_t GetPaletteEntry(int index);
void SetPaletteEntry(int index, uint32_t colour);

}  // namespace display
