// Internal to the SDL back end: the window system's connection under an SDL window.
#pragma once
#include <SDL2/SDL.h>

namespace display::platform {

// The file descriptor of the X connection that serves `window`, which turns
// readable when events arrive; -1 for any other video driver.
int SdlEventFd(SDL_Window* window);

}  // namespace display::platform
