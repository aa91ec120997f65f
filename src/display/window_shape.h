// The window's shape, full screen or a window of a size: the one the window
// opens in, and the one it has now, for a program that remembers it between
// runs.
//
//   display::SetStartingShape({true, 1280, 960});   // before SetScreenMode
//   ...
//   const display::WindowShape now = display::CurrentWindowShape();   // any
//   thread
//
// Only the SDL back end follows and reports the shape; the headless one ignores
// it.
#pragma once
#include <cstdint>

namespace display {

struct WindowShape {
  bool fullScreen = false;
  // The client area out of full screen; 0 x 0 is the page's own size.
  int32_t width = 0, height = 0;

  bool operator==(const WindowShape&) const = default;
};

// The shape the next window opens in. Without a call: a window of the page's
// size.
void SetStartingShape(const WindowShape& shape);
WindowShape StartingShape();

// The shape the window had when last seen: full screen or not, and its size out
// of full screen (kept from before while it is full screen). Before a window
// opened, the starting shape.
WindowShape CurrentWindowShape();

// Called by the window thread when the window opens, switches or is resized;
// `width` x `height` is its client area, counted only out of full screen.
void RecordWindowShape(bool fullScreen, int32_t width, int32_t height);

}  // namespace display
