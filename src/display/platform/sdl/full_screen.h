// Full screen on the desktop's resolution, and back, with or without a window
// manager. SDL asks the window manager for full screen (SDL_WINDOW_FULLSCREEN_DESKTOP);
// on X11 with no window manager running (a bare X server, Xvfb) nobody answers,
// so the window is moved over the whole display and back by hand.
// Window thread only, like every SDL call.
#pragma once
#include <SDL2/SDL.h>

namespace display::platform {

class FullScreen {
 public:
  // Switches `window` between its window and full screen.
  void Toggle(SDL_Window* window);

 private:
  SDL_Rect windowed_{};  // client area before full screen, restored by hand without a WM
};

}  // namespace display::platform
