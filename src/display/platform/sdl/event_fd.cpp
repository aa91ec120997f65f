// The X connection under an SDL window. Kept apart from the back end because the
// system window header brings in Xlib and its macros.
#include "display/platform/sdl/event_fd.h"

#include <SDL2/SDL_syswm.h>

namespace display::platform {

int SdlEventFd(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (window != nullptr && SDL_GetWindowWMInfo(window, &info) == SDL_TRUE &&
      info.subsystem == SDL_SYSWM_X11) {
    return ConnectionNumber(info.info.x11.display);
  }
#else
  (void)window;
#endif
  return -1;
}

}  // namespace display::platform
